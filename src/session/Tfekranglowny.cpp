#include "Tfekranglowny.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include "Artwork.h"
#include "BestLapsGrid.h"
#include "ColumnFlash.h"
#include "FormatBoard.h"
#include "KartColumn.h"
#include "KartTiming.h"
#include "LabelBoard.h"
#include "LapPressWatcher.h"
#include "LapTable.h"
#include "ReceiverStatusLine.h"
#include "RepaintCoalescer.h"
#include "ScreenWidgets.h"
#include "SessionControls.h"
#include "SessionKeyRouter.h"
#include "SessionRun.h"
#include "SessionScreenLayout.h"
#include "TFrame1.h"

namespace {

// A running stopwatch is redrawn this often when no frame does it: 25 times a second
// looks smooth, and with the X round trip each repaint brings, the loop stays near 50
// wake-ups a second while a stopwatch runs.
constexpr int kStopwatchTickMs = 40;

int Tag(const QObject* control) {
    return control->property("tag").toInt();
}

// Clears a flag when the scope ends, on every path.
class FlagGuard {
  public:
    explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagGuard() { flag_ = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

  private:
    bool& flag_;
};

}  // namespace

Tfekranglowny::Tfekranglowny(Station& station, SessionScreenActions actions, QWidget* parent)
    : QWidget(parent), station_(station), actions_(std::move(actions)) {
    setObjectName(QStringLiteral("fekranglowny"));
    setWindowTitle(QStringLiteral("Session"));
    // No system menu, no minimise, maximise or close box; always on top.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint);
    SetBackground(this, Colours::kBlack);
    resize(kDesignWidth, kDesignHeight);

    BuildTopBar();
    BuildLeftColumn();
    BuildCentre();
    BuildRightColumn();
    BuildBottomBar();

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(1000);
    connect(timer1_, &QTimer::timeout, this, &Tfekranglowny::Timer1Timer);
    timer1_->start();

    coalescer_ = new RepaintCoalescer(this);
    native_key_codes_ = NativeKeyCodesOf(QGuiApplication::platformName());

    undo_shortcut_ = new QShortcut(QKeySequence::Undo, this);
    undo_shortcut_->setObjectName(QStringLiteral("UndoLapShortcut"));
    undo_shortcut_->setContext(Qt::WindowShortcut);
    connect(undo_shortcut_, &QShortcut::activated, this, [this] { Undo(); });

    stopwatch_ticker_ = new QTimer(this);
    stopwatch_ticker_->setObjectName(QStringLiteral("StopwatchTicker"));
    stopwatch_ticker_->setInterval(kStopwatchTickMs);
    connect(stopwatch_ticker_, &QTimer::timeout, this, [this] {
        // Frames refresh the screen as often when they come: no second refresh then.
        const Clock& clock = station_.clock();
        const qint64 since = clock.PerformanceCounter() - last_refresh_counter_;
        if (since * 1000 >= clock.PerformanceFrequency() * (kStopwatchTickMs - 5)) {
            RefreshKarts();
        }
    });
}

Tfekranglowny::~Tfekranglowny() {
    if (station_.session_screen == this) {
        station_.session_screen = nullptr;
    }
}

void Tfekranglowny::ShowForSession() {
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        ApplyKartMode(slot);
    }
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        ApplyKartLook(slot);
    }
    session_start_counter_ = station_.clock().PerformanceCounter();
    StartFormat();
    label107_->setText(QStringLiteral("Session: %1").arg(station_.sessions.NextSessionNumber()));
    receiver_status_line_->Show(station_.receiver_status);
    UpdateStopwatchTicker();
    key_router_ =
        new SessionKeyRouter(this, [this](QKeyEvent* event) { return TakeHandTimingKey(event); });
    ShowMaximizedOnScreen(this);
}

void Tfekranglowny::ApplyKartMode(int slot) {
    RightRow& row = right_rows_[size_t(slot - 1)];
    const bool radio = station_.slot(slot).radio;
    ImageButton* shown = radio ? row.sensor : row.lap;
    ImageButton* hidden = radio ? row.lap : row.sensor;
    hidden->setEnabled(false);
    hidden->move(session_layout::kHiddenLeft, hidden->y());
    shown->setEnabled(true);
    shown->move(session_layout::kShownLeft, shown->y());
    row.start_stop->setVisible(!radio);
    columns_[size_t(slot - 1)]->lamp()->setVisible(radio);
}

void Tfekranglowny::ApplyKartLook(int slot) {
    const KartSlot& kart = station_.slot(slot);
    KartColumn& column = *columns_[size_t(slot - 1)];
    SetBackground(column.header(), kart.radio ? Colours::kGrey : Colours::kNavy);
    column.rpm()->setVisible(kart.radio);
    column.header()->setText(kart.driver_name);
    // 84 pixels hold about ten letters: a longer name keeps its start and ends in
    // "…", centred under the button like a short one; the header shows it whole.
    ClickableLabel* name = right_rows_[size_t(slot - 1)].name;
    name->setText(ElidedToLabel(*name, kart.driver_name));
    name->setToolTip(kart.driver_name);
}

void Tfekranglowny::RefreshKarts() {
    if (refresh_blocked_) {
        return;
    }
    const Clock& clock = station_.clock();
    const qint64 frequency = clock.PerformanceFrequency();
    // One reading for all karts: this runs for every frame received.
    const qint64 now = clock.PerformanceCounter();
    last_refresh_counter_ = now;
    for (int s = 1; s <= kSlotCount; ++s) {
        KartSlot& slot = station_.slot(s);
        qint32& current_lap_time = station_.current_lap_time(s);
        KartColumn& column = *columns_[size_t(s - 1)];
        if (slot.stopwatch_running && !slot.radio) {
            current_lap_time = ElapsedCentiseconds(slot.timing_mark, now, frequency);
        }
        if (slot.radio) {
            if (const auto colour = UpdateStaleness(slot, current_lap_time, now, frequency)) {
                column.SetRunningTimeColour(*colour);
            }
        }
        column.Draw(slot, current_lap_time);
    }
    if (run_) {
        // After every poll cycle: the link sends what was moved at its next pass.
        auto_messages_.Pump(station_);
    }
}

void Tfekranglowny::RecordLap(qint32 lap_time, int slot, qint32 rpm_max, qint32 rpm_min) {
    if (!IsValidSlot(slot) || lap_time <= 0) {
        return;  // 0 marks an empty entry: no lap
    }
    KartSlot& kart = station_.slot(slot);
    const qint32 lap_number = kart.current_lap_number;
    if (run_ && !FormatLap(slot, lap_time)) {
        // Outside the lap time window: the lap log keeps it, the lap table does not.
        laps_.Add(kart, slot, lap_number, lap_time, rpm_max, rpm_min,
                  station_.clock().LocalDateTime(), false);
        kart.last_lap_time = lap_time;
        if (actions_.lap_recorded) {
            actions_.lap_recorded(slot, lap_number, lap_time, rpm_max, rpm_min, false);
        }
        return;
    }
    laps_.Add(kart, slot, lap_number, lap_time, rpm_max, rpm_min, station_.clock().LocalDateTime());
    const BestLapsDrawing drawing = EnterLap(kart, lap_time, rpm_max, rpm_min);
    if (actions_.lap_recorded) {
        actions_.lap_recorded(slot, lap_number, lap_time, rpm_max, rpm_min,
                              drawing.entered_top_ten);
    }
    DrawBestLaps(slot, drawing, false);
}

void Tfekranglowny::DrawBestLaps(int slot, const BestLapsDrawing& drawing, bool clear_empty_rows) {
    for (int row = 1; row <= BestLapsDrawing::kRows; ++row) {
        if (row > drawing.filled) {
            // A kart left without laps looks as it did before its first lap.
            SetLabelText(best_laps_->LapTime(slot, row),
                         clear_empty_rows && drawing.filled == 0
                             ? QStringLiteral("--:--")
                             : QString::fromLatin1(BestLapsDrawing::kEmptyLapTime));
            if (clear_empty_rows) {
                // The row held a lap that was taken back: its number and gap go too.
                SetLabelText(best_laps_->Gap(slot, row), QStringLiteral("--:--"));
                SetLabelText(best_laps_->LapNumber(slot, row), QStringLiteral("L--"));
            }
            continue;
        }
        const BestLapRowTexts& texts = drawing.rows[size_t(row - 1)];
        SetLabelText(best_laps_->LapTime(slot, row), texts.lap_time);
        SetLabelText(best_laps_->Gap(slot, row), texts.gap);
        SetLabelText(best_laps_->LapNumber(slot, row), texts.lap_number);
    }
}

void Tfekranglowny::ReportSector(int slot, const SectorReport& report) {
    if (actions_.sector_reported) {
        actions_.sector_reported(slot, report);
    }
}

void Tfekranglowny::Timer1Timer() {
    const Clock& clock = station_.clock();
    SetLabelText(label104_, SessionClockText(session_start_counter_, clock.PerformanceCounter(),
                                             clock.PerformanceFrequency()));
    SetLabelText(label105_, clock.LocalDateTime().time().toString(QStringLiteral("HH:mm:ss")));
    receiver_status_line_->Show(station_.receiver_status);
    for (int s = 1; s <= kSlotCount; ++s) {
        const KartSlot& slot = station_.slot(s);
        if (!slot.radio) {
            continue;
        }
        columns_[size_t(s - 1)]->lamp()->setOn(
            LampOnAtTick(slot.packet_counter, seen_packet_counter_[size_t(s - 1)]));
    }
    FormatTick();
}

void Tfekranglowny::Button1Click() {
    button1_->setEnabled(false);
    can_close_ = true;
    // The receiver is read until the session is saved: a failed write asks the
    // operator what to do, and the laps driven meanwhile belong to the session. The
    // write itself runs between two frames, so the slots stand still while it runs.
    for (int s = 1; s <= kSlotCount; ++s) {
        if (station_.slot(s).lap(1).lap_time == 0) {
            continue;
        }
        if (actions_.write_session_file && !actions_.write_session_file()) {
            // The operator has been told; the session goes on and can be ended again.
            button1_->setEnabled(true);
            can_close_ = false;
            return;
        }
        break;
    }
    station_.stop_requested = true;
    close();
}

void Tfekranglowny::Button2Click() {
    if (actions_.show_todays_history) {
        actions_.show_todays_history();
    }
}

void Tfekranglowny::closeEvent(QCloseEvent* event) {
    if (!can_close_) {
        event->ignore();
        return;
    }
    timer1_->stop();  // an ended screen is never shown again
    stopwatch_ticker_->stop();
    delete key_router_;
    key_router_ = nullptr;
    event->accept();
}

void Tfekranglowny::PanelClick(QObject* header) {
    const int slot = Tag(header);
    if (!IsValidSlot(slot) || !actions_.show_kart_settings) {
        return;
    }
    if (!actions_.show_kart_settings(slot)) {
        return;
    }
    ApplyKartMode(slot);
    ApplyKartLook(slot);
    UpdateStopwatchTicker();
    if (actions_.save_kart_settings) {
        actions_.save_kart_settings();
    }
}

void Tfekranglowny::Image2Click(QObject* picture) {
    StartOrStopStopwatchOf(Tag(picture));
}

bool Tfekranglowny::StartOrStopStopwatchOf(int slot) {
    if (!IsValidSlot(slot)) {
        return false;
    }
    KartSlot& kart = station_.slot(slot);
    const qint64 mark = kart.timing_mark;
    const qint32 lap_number = kart.current_lap_number;
    const std::optional<bool> running = StartOrStopStopwatch(kart, station_.current_lap_time(slot),
                                                             station_.clock().PerformanceCounter());
    if (!running) {
        return false;
    }
    if (*running) {
        undo_.StopwatchStarted(slot);
    } else {
        undo_.StopwatchStopped(slot, mark, lap_number);
    }
    ShowStopwatchState(slot);
    return true;
}

void Tfekranglowny::ShowStopwatchState(int slot) {
    const bool running = station_.slot(slot).stopwatch_running;
    right_rows_[size_t(slot - 1)].start_stop->setPixmap(running ? image13_->pixmap()
                                                                : image12_->pixmap());
    UpdateStopwatchTicker();
}

void Tfekranglowny::UpdateStopwatchTicker() {
    bool any_running = false;
    for (int s = 1; s <= kSlotCount; ++s) {
        const KartSlot& kart = station_.slot(s);
        any_running = any_running || (kart.stopwatch_running && !kart.radio);
    }
    if (any_running && !can_close_) {
        if (!stopwatch_ticker_->isActive()) {
            stopwatch_ticker_->start();
        }
    } else {
        stopwatch_ticker_->stop();
    }
}

void Tfekranglowny::ImageButton1Click(QObject* control) {
    CompleteHandLap(Tag(control));
}

bool Tfekranglowny::CompleteHandLap(int slot) {
    FlagGuard blocked(refresh_blocked_);
    if (!IsValidSlot(slot)) {
        return false;
    }
    const Clock& clock = station_.clock();
    qint64 at = clock.PerformanceCounter();
    if (actions_.camera_time_for_key) {
        at = actions_.camera_time_for_key(slot, at).value_or(at);
    }
    const std::optional<HandLap> lap =
        ReadHandLapAt(station_.slot(slot), at, clock.PerformanceFrequency());
    if (!lap) {
        return false;
    }
    RecordLap(lap->lap_time, slot, 0, 0);
    StartNextHandLap(station_.slot(slot), station_.current_lap_time(slot), *lap);
    return true;
}

bool Tfekranglowny::CompleteLapAt(int slot, qint64 counter) {
    if (!IsValidSlot(slot) || station_.slot(slot).radio) {
        return false;
    }
    KartSlot& kart = station_.slot(slot);
    if (!kart.stopwatch_running) {
        StartOrStopStopwatch(kart, station_.current_lap_time(slot), counter);
        ShowStopwatchState(slot);
        return true;
    }
    FlagGuard blocked(refresh_blocked_);
    const std::optional<HandLap> lap =
        ReadHandLapAt(kart, counter, station_.clock().PerformanceFrequency());
    if (!lap) {
        return false;
    }
    RecordLap(lap->lap_time, slot, 0, 0);
    StartNextHandLap(kart, station_.current_lap_time(slot), *lap);
    return true;
}

void Tfekranglowny::ShowCameraStatus(const QString& text, bool healthy) {
    if (camera_status_line_ == nullptr) {
        camera_status_line_ = new ReceiverStatusLine(receiver_status_line_->parentWidget());
        camera_status_line_->setObjectName(QStringLiteral("CameraStatusLine"));
        camera_status_line_->show();
        resizeEvent(nullptr);
    }
    camera_status_line_->ShowText(text, healthy);
}

void Tfekranglowny::keyPressEvent(QKeyEvent* event) {
    if (!TakeHandTimingKey(event)) {
        QWidget::keyPressEvent(event);
    }
}

void Tfekranglowny::keyReleaseEvent(QKeyEvent* event) {
    if (!TakeHandTimingKey(event)) {
        QWidget::keyReleaseEvent(event);
    }
}

bool Tfekranglowny::TakeHandTimingKey(QKeyEvent* event) {
    if (event->type() == QEvent::KeyRelease) {
        held_keys_.Released(event->key(), event->modifiers().toInt(), event->timestamp());
        return hand_timing_keys_.Command(KeyPressOf(*event, native_key_codes_)).has_value();
    }
    const std::optional<HandKeyCommand> command =
        hand_timing_keys_.Command(KeyPressOf(*event, native_key_codes_));
    if (!command) {
        return false;
    }
    event->accept();
    // A held key repeats: only its first press counts.
    if (held_keys_.IsRepeat(event->key(), event->modifiers().toInt(), event->timestamp(),
                            event->isAutoRepeat()) ||
        !IsValidSlot(command->slot)) {
        return true;
    }
    // The window system keeps keys from a window behind a modal dialog; this also
    // covers events that reach the screen directly.
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != this) {
        return true;
    }
    const bool acted = command->action == HandKeyAction::kLap
                           ? CompleteHandLap(command->slot)
                           : StartOrStopStopwatchOf(command->slot);
    key_flashes_[size_t(command->slot - 1)]->Show(acted ? ColumnFlash::Sign::kAccepted
                                                        : ColumnFlash::Sign::kRefused);
    return true;
}

void Tfekranglowny::ImageButton6Click(QObject* button) {
    const int slot = Tag(button);
    if (!IsValidSlot(slot) || !station_.slot(slot).radio) {
        return;
    }
    TFrame1* frame = columns_[size_t(slot - 1)]->sensor_frame();
    frame->setHidden(!frame->isHidden());
}

void Tfekranglowny::Label78Click(int tag) {
    if (actions_.show_lap_details) {
        actions_.show_lap_details(tag / 10, tag % 10);
    }
}

std::unique_ptr<Tfekranglowny> ShowSessionScreen(Station& station, SessionScreenActions actions,
                                                 const FormatSettings& format) {
    auto screen = std::make_unique<Tfekranglowny>(station, std::move(actions));
    station.session_screen = screen.get();
    screen->SetFormat(format);
    screen->ShowForSession();
    return screen;
}
