#pragma once

#include <QMessageBox>
#include <QWidget>
#include <array>
#include <memory>
#include <utility>
#include <vector>

#include "HandTimingKeys.h"
#include "LapCallOuts.h"
#include "SessionScreenActions.h"
#include "Station.h"

class LapJournal;
class QPushButton;
class QLabel;
class Tfekranglowny;
class LiveTimingSwitch;
class CallOutSwitch;
class RecordsUpdater;

// The launcher "RUVOTimer": owns the kart slot table for the whole run and starts
// the program's tasks. Closing it ends the program.
class CameraTiming;

class TForm1 : public QWidget {
    Q_OBJECT

  public:
    // `sounds` make the call-outs and the beep heard (tests hand in fakes).
    TForm1(const Clock& clock, const QString& program_folder, QWidget* parent = nullptr,
           CallOutSounds sounds = RealCallOutSounds());
    ~TForm1() override;

    Station& station() { return station_; }
    LiveTimingSwitch* live_timing() { return live_timing_.get(); }
    CallOutSwitch* call_outs() { return call_outs_.get(); }
    RecordsUpdater* records_updater() { return records_updater_.get(); }

    // Writes the configuration of all 5 slots to ustawienia.ini; on failure tells the
    // operator which file could not be written.
    bool SaveKartSettings();

    // What a session screen opened from here calls for things outside its library.
    SessionScreenActions MakeSessionScreenActions();
    // The window that dialogs opened from the session screen belong to.
    QWidget* SessionDialogParent();

  public slots:
    void Button1Click();    // "Session start"
    void Button2Click();    // "History"
    void Button3Click();    // "Exit program"
    void Button4Click();    // "Transmission test"
    void Button5Click();    // "Messages"
    void TimesheetClick();  // "Timesheet of last session"
    void RecordsClick();    // "Records"

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void FormCreate();
    // Session start and transmission test never nest: both are disabled while a
    // poll loop runs.
    void SetPollButtonsEnabled(bool enabled);
    void AfterPollLoop();
    // Offered once today has a recorded session.
    void UpdateTimesheetButton();
    // The lap log of the session: started with it, finished beside its session
    // file, set aside when the session ends without one.
    void StartLapLog();
    void FinishLapLog(const QString& session_file_path);
    // A lap log that could not be put beside its session file: another folder offered.
    void OfferUnsavedLapLog();
    void TellLapLogFailure(const QString& message);
    void TellLapLogFailureOnce();  // a failed journal write, once per session
    // Unfinished journals of earlier runs: recover each or keep it aside.
    void OfferLapLogRecovery();
    // What the operator must hear of a session once it has ended; told after the
    // loop, so that no box stands between the saved file and the end of reading.
    void TellAfterSession(QMessageBox::Icon icon, const QString& text);
    void TellSessionNotes();
    // The session file just written: told when it had to take another minute's name.
    void NoteSessionFileName(const QString& written_path);
    // The keys of hand timing; entries that cannot be used are told once, here.
    void LoadHandTimingKeys();

    Station station_;
    // The screen of the running or last session; kept hidden after it ended.
    std::unique_ptr<Tfekranglowny> session_screen_;
    std::unique_ptr<LapJournal> journal_;
    // The camera at the line during a session, when ustawienia.ini enables one.
    std::unique_ptr<CameraTiming> camera_;
    HandTimingKeys hand_timing_keys_;
    QPushButton* button1_ = nullptr;
    QPushButton* button2_ = nullptr;
    QPushButton* button3_ = nullptr;
    QPushButton* button4_ = nullptr;
    QPushButton* button5_ = nullptr;
    QPushButton* timesheet_button_ = nullptr;
    QPushButton* records_button_ = nullptr;
    QLabel* label1_ = nullptr;
    // The live timing web server's switch and address; the server reads station_.
    std::unique_ptr<LiveTimingSwitch> live_timing_;
    // Spoken lap times and the hand-timing beep, heard on every recorded lap.
    std::unique_ptr<CallOutSwitch> call_outs_;
    // The records index, brought up to date off this thread at start-up and after
    // every recorded session.
    std::unique_ptr<RecordsUpdater> records_updater_;
    bool close_after_loop_ = false;
    std::vector<std::pair<QMessageBox::Icon, QString>> session_notes_;
    struct UnsavedLapLog {
        std::unique_ptr<LapJournal> journal;
        QString session_file;
        QString error;
    };
    UnsavedLapLog unsaved_lap_log_;
};
