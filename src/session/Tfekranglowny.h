#pragma once

#include <QWidget>
#include <array>
#include <memory>
#include <vector>

#include "AutoMessageQueue.h"
#include "FormatSettings.h"
#include "HandTimingKeys.h"
#include "HeldKeys.h"
#include "SessionLaps.h"
#include "SessionScreenActions.h"
#include "SessionUndo.h"
#include "Station.h"

class BestLapsGrid;
struct BestLapsDrawing;
class ClickableLabel;
class ColumnFlash;
class FormatBoard;
class ImageButton;
class KartColumn;
class LapPressWatcher;
class QLabel;
class QPushButton;
class QShortcut;
class QTimer;
class ReceiverStatusLine;
class RepaintCoalescer;
class SessionKeyRouter;
class SessionRun;

// The full-screen "Session" window the operator watches while a session runs: the
// five kart columns, the session and wall clocks, the hand-timing controls,
// "History" and "END SESSION".
class Tfekranglowny : public QWidget, public SessionView {
    Q_OBJECT

  public:
    static constexpr int kDesignWidth = 1326;
    static constexpr int kDesignHeight = 719;

    Tfekranglowny(Station& station, SessionScreenActions actions, QWidget* parent = nullptr);
    ~Tfekranglowny() override;

    // The session format of the next ShowForSession; without one (or with the
    // defaults) the session runs as it always did.
    void SetFormat(const FormatSettings& format) { format_ = format; }
    // Set-up of a new session, then shows the window maximised.
    void ShowForSession();
    // The course of the session under its format; null without one.
    const SessionRun* session_run() const { return run_.get(); }
    const FormatBoard* format_board() const { return format_board_.get(); }
    const AutoMessageQueue& auto_messages() const { return auto_messages_; }

    void RefreshKarts() override;
    void RecordLap(qint32 lap_time, int slot, qint32 rpm_max, qint32 rpm_min) override;
    void ReportSector(int slot, const SectorReport& report) override;
    qint64 SessionStartCounter() const override { return session_start_counter_; }
    int LapsCompleted(int slot) const override { return laps_.StandingCount(slot); }
    int RacePosition(int slot) const override;
    QString RaceGap(int slot) const override;

    // A camera-timed kart passed the line at counter: its first pass starts the
    // stopwatch, each later one completes a lap as the lap key does (5.00 s minimum).
    bool CompleteLapAt(int slot, qint64 counter);
    // The camera's state beside the receiver's in the bottom bar.
    void ShowCameraStatus(const QString& text, bool healthy);

    // The keys that time laps and start or stop stopwatches; the built-in digits
    // until set.
    void SetHandTimingKeys(HandTimingKeys keys) { hand_timing_keys_ = std::move(keys); }
    // The sign the last hand-timing key left on the column of slot 1..5.
    const ColumnFlash* key_flash(int slot) const { return key_flashes_.at(size_t(slot - 1)); }
    // Lap correction. DeleteLap takes back the lap of that id (SessionLaps) and
    // UndoLapCorrection restores the last lap taken back; each then works out the
    // kart's lap table, best lap, last lap and gap again from its standing laps and
    // redraws the column. Both do nothing once the session has ended. False when
    // nothing changed.
    bool DeleteLap(int lap_id);
    bool UndoLapCorrection();
    // Ctrl+Z: takes back the latest lap deletion or stopwatch stop (SessionUndo).
    bool Undo();
    const SessionLaps& session_laps() const { return laps_; }

    bool refresh_blocked() const { return refresh_blocked_; }
    // Runs while a hand-timed kart's stopwatch runs: its time keeps counting on
    // screen with no frame to refresh it.
    const QTimer* stopwatch_ticker() const { return stopwatch_ticker_; }
    bool can_close() const { return can_close_; }
    const RepaintCoalescer& repaint_coalescer() const { return *coalescer_; }

  public slots:
    void Timer1Timer();   // clocks, radio lamps and the receiver's status line
    void Button1Click();  // "END SESSION"
    void Button2Click();  // "History"

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    struct RightRow {
        ClickableLabel* start_stop = nullptr;  // Image2..Image6
        ImageButton* lap = nullptr;            // ImageButton1..5
        ImageButton* sensor = nullptr;         // ImageButton6..10
        ClickableLabel* name = nullptr;        // Label108..112
    };

    void BuildTopBar();
    void BuildLeftColumn();
    void BuildCentre();
    void BuildRightColumn();
    void BuildBottomBar();

    // Click handlers; the slot (or 10 x slot + row) comes from the clicked control's tag.
    void PanelClick(QObject* header);
    void Image2Click(QObject* picture);
    void ImageButton1Click(QObject* control);
    void ImageButton6Click(QObject* button);
    void Label78Click(int tag);
    // What the start/stop pictures and the lap controls do, for their clicks and for
    // the hand-timing keys. Each returns whether it acted.
    bool StartOrStopStopwatchOf(int slot);
    bool CompleteHandLap(int slot);
    // A hand-timing key press or release, from this window or brought here from
    // another (SessionKeyRouter); false when the key is not one of them.
    bool TakeHandTimingKey(QKeyEvent* event);
    void ShowStopwatchState(int slot);
    void UpdateStopwatchTicker();

    // The lap correction menu for the "Last" time (row 0) or best-laps row 1..5 of
    // a slot, and the confirmation before a lap is deleted.
    void ShowLapMenu(int slot, int row, const QPoint& global_position);
    bool ConfirmLapDeletion(const SessionLap& lap);
    // UndoLapCorrection without touching the undo history.
    bool RestoreLastDeletedLap();
    void RedrawAfterCorrection(int slot);
    void ReportCorrection(const SessionLap& lap);
    void DrawBestLaps(int slot, const BestLapsDrawing& drawing, bool clear_empty_rows);

    // The session format's part (SessionScreenFormat.cpp). FormatLap takes a lap to
    // the run and queues the automatic messages it calls for; false when the lap lies
    // outside the lap time window and must not enter the lap table. Every lap it takes
    // is then added to laps_, so lap ids and the run's crossings go in step.
    // FormatCorrection takes a lap correction to the run.
    void StartFormat();
    bool FormatLap(int slot, qint32 lap_time);
    void FormatCorrection(const SessionLap& lap);
    void FormatTick();
    qint64 SessionClockNow() const;

    void ApplyKartMode(int slot);
    void ApplyKartLook(int slot);

    Station& station_;
    SessionScreenActions actions_;
    RepaintCoalescer* coalescer_ = nullptr;

    bool refresh_blocked_ = false;
    bool can_close_ = false;
    qint64 session_start_counter_ = 0;
    qint64 last_refresh_counter_ = 0;
    std::array<qint32, kSlotCount> seen_packet_counter_{};

    QWidget* panel10_ = nullptr;
    QLabel* image1_ = nullptr;
    QLabel* label104_ = nullptr;
    QLabel* label105_ = nullptr;
    QLabel* label107_ = nullptr;
    QWidget* panel9_ = nullptr;
    QWidget* panel3_ = nullptr;
    QWidget* panel2_ = nullptr;
    QWidget* panel1_ = nullptr;
    QWidget* panel11_ = nullptr;
    QPushButton* button1_ = nullptr;
    QPushButton* button2_ = nullptr;
    QLabel* image12_ = nullptr;
    QLabel* image13_ = nullptr;
    QTimer* timer1_ = nullptr;
    ReceiverStatusLine* receiver_status_line_ = nullptr;
    ReceiverStatusLine* camera_status_line_ = nullptr;  // only with a camera
    std::array<std::unique_ptr<KartColumn>, kSlotCount> columns_;
    std::unique_ptr<BestLapsGrid> best_laps_;
    std::array<RightRow, kSlotCount> right_rows_{};
    HandTimingKeys hand_timing_keys_;
    NativeKeyCodes native_key_codes_ = NativeKeyCodes::kNone;
    HeldKeys held_keys_;
    std::array<ColumnFlash*, kSlotCount> key_flashes_{};
    SessionLaps laps_;
    LapPressWatcher* lap_press_watcher_ = nullptr;
    QShortcut* undo_shortcut_ = nullptr;
    SessionUndo undo_;
    QTimer* stopwatch_ticker_ = nullptr;
    SessionKeyRouter* key_router_ = nullptr;
    FormatSettings format_;
    std::unique_ptr<SessionRun> run_;
    std::vector<int> run_crossing_of_lap_;  // by lap id - 1: the run's crossing index
    std::unique_ptr<FormatBoard> format_board_;
    AutoMessageQueue auto_messages_;
};

// Creates a fresh session screen, makes it the station's current one, sets it up
// for the session and shows it. The caller owns it.
std::unique_ptr<Tfekranglowny> ShowSessionScreen(Station& station, SessionScreenActions actions,
                                                 const FormatSettings& format = {});
