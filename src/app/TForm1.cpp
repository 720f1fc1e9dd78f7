#include "TForm1.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include "CallOutSwitch.h"
#include "CameraSetupWindow.h"
#include "CameraTiming.h"
#include "DriverStandings.h"
#include "FailedSessionWrite.h"
#include "IniFile.h"
#include "KartSettingsFile.h"
#include "LapJournal.h"
#include "LapLogFormat.h"
#include "LapLogRecovery.h"
#include "LiveTimingSwitch.h"
#include "RaceResultFile.h"
#include "ReceiverLink.h"
#include "RecordsUpdater.h"
#include "RecordsWindow.h"
#include "SessionCamera.h"
#include "SessionEndPrintouts.h"
#include "SessionFile.h"
#include "SessionFormatDialog.h"
#include "SessionRecorder.h"
#include "SessionTimesheet.h"
#include "TFInstalDrivers.h"
#include "TFwybottyg.h"
#include "Tfekranglowny.h"
#include "Tfhistoria.h"
#include "Tflistakomunikatow.h"
#include "Tfsettings.h"
#include "Tfszczegoly.h"
#include "TftransTest.h"
#include "TimesheetDialog.h"
#include "TimesheetSettings.h"

namespace {

struct ButtonPlace {
    const char* name;
    const char* caption;
    int top;
};

constexpr int kClientWidth = 381;
constexpr int kClientHeight = 505;
constexpr int kButtonLeft = 72;
constexpr int kButtonWidth = 241;
constexpr int kButtonHeight = 73;

}  // namespace

TForm1::TForm1(const Clock& clock, const QString& program_folder, QWidget* parent,
               CallOutSounds sounds)
    : QWidget(parent), station_(clock, program_folder) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("RUVOTimer"));
    // A fixed-size window without minimise and maximise buttons.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);

    QFont button_font(QStringLiteral("Arial"));
    button_font.setPixelSize(21);
    const std::array<ButtonPlace, 5> places = {{
        {"Button1", "Session start", 48},
        {"Button2", "History", 128},
        {"Button4", "Transmission test", 208},
        {"Button5", "Messages", 288},
        {"Button3", "Exit program", 424},
    }};
    std::array<QPushButton*, 5> buttons{};
    for (size_t i = 0; i < places.size(); ++i) {
        auto* button = new QPushButton(QString::fromUtf8(places[i].caption), this);
        button->setObjectName(QString::fromUtf8(places[i].name));
        button->setFont(button_font);
        button->setGeometry(kButtonLeft, places[i].top, kButtonWidth, kButtonHeight);
        buttons[i] = button;
    }
    button1_ = buttons[0];
    button2_ = buttons[1];
    button4_ = buttons[2];
    button5_ = buttons[3];
    button3_ = buttons[4];
    connect(button1_, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(button2_, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(button3_, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(button4_, &QPushButton::clicked, this, &TForm1::Button4Click);
    connect(button5_, &QPushButton::clicked, this, &TForm1::Button5Click);

    // The sheet of the session just ended, in the free room between "Messages"
    // (ends at 361) and "Exit program" (424); the rest of that room stays free.
    timesheet_button_ = new QPushButton(QStringLiteral("Timesheet of last session"), this);
    timesheet_button_->setObjectName(QStringLiteral("ButtonTimesheet"));
    QFont small_font(QStringLiteral("Arial"));
    small_font.setPixelSize(14);
    timesheet_button_->setFont(small_font);
    timesheet_button_->setGeometry(kButtonLeft, 368, kButtonWidth, 28);
    connect(timesheet_button_, &QPushButton::clicked, this, &TForm1::TimesheetClick);

    // The camera at the line, in the free room right of "Session start", below
    // "Session format".
    auto* camera_button = new QPushButton(QStringLiteral("Camera..."), this);
    camera_button->setObjectName(QStringLiteral("ButtonCamera"));
    camera_button->setFont(small_font);
    camera_button->setGeometry(316, 50, 62, 42);
    connect(camera_button, &QPushButton::clicked, this, [this] {
        QStringList names;
        for (int slot = 1; slot <= kSlotCount; ++slot) {
            names << station_.slot(slot).driver_name.str();
        }
        CameraSetupWindow window(station_.clock(), KartSettingsPath(station_), names,
                                 SessionDialogParent());
        window.exec();
    });
    // The records of the track: the free room right of "Timesheet of last session"
    // (the call-out switches take the room above "Session start", the live timing
    // address the row below).
    records_button_ = new QPushButton(QStringLiteral("Records"), this);
    records_button_->setObjectName(QStringLiteral("ButtonRecords"));
    records_button_->setFont(small_font);
    records_button_->setGeometry(kButtonLeft + kButtonWidth + 4, 368, 60, 28);
    connect(records_button_, &QPushButton::clicked, this, &TForm1::RecordsClick);

    label1_ = new QLabel(QStringLiteral("v 6.4"), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->move(352, 488);
    label1_->adjustSize();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    const auto today = [this] { return station_.clock().LocalDateTime().date(); };
    records_updater_ = std::make_unique<RecordsUpdater>(station_.program_folder(), nullptr, today);
    AmendTimesheetsWithRecords(station_.program_folder(), today);
    FormCreate();
    live_timing_ = std::make_unique<LiveTimingSwitch>(this, station_, KartSettingsPath(station_),
                                                      [this] { return SessionDialogParent(); });
    connect(records_updater_.get(), &RecordsUpdater::Updated, this,
            [this] { live_timing_->SetRecords(records_updater_->board()); });
    call_outs_ = std::make_unique<CallOutSwitch>(
        this, KartSettingsPath(station_), [this] { return SessionDialogParent(); },
        std::move(sounds));
    AddSessionFormatButton(this, KartSettingsPath(station_));
}

TForm1::~TForm1() {
    SetTimesheetAmendment({});
}

void TForm1::FormCreate() {
    LoadKartSettings(station_);
    LoadHandTimingKeys();
    // A day folder that cannot be read shows as an empty day here; the history
    // browser reports it when the operator opens it.
    LoadTodaysSessions(station_);
    OfferLapLogRecovery();
    UpdateTimesheetButton();
    records_updater_->Request();
}

void TForm1::LoadHandTimingKeys() {
    hand_timing_keys_ = HandTimingKeys::FromIni(IniFile::Load(KartSettingsPath(station_)));
    const QString report = hand_timing_keys_.ProblemReport();
    if (report.isEmpty()) {
        return;
    }
    // A box at start-up, not a line on the session screen: the operator is at the PC
    // and can still fix the file before the session, and the screen's status line
    // belongs to the receiver.
    QMessageBox box(QMessageBox::Warning, QStringLiteral("RUVOTimer"), report, QMessageBox::Ok,
                    this);
    box.setObjectName(QStringLiteral("HandTimingKeysProblems"));
    box.exec();
}

void TForm1::RecordsClick() {
    ShowRecords(station_.program_folder(), station_.clock().LocalDateTime().date(),
                LoadTimesheetSettings(KartSettingsPath(station_)).track, this);
}

void TForm1::UpdateTimesheetButton() {
    timesheet_button_->setEnabled(station_.sessions.count > 0);
}

void TForm1::OfferLapLogRecovery() {
    QStringList unreadable;
    for (const QString& journal : FindUnfinishedJournals(station_.program_folder())) {
        const SessionLapLog log = ReadLapLog(journal);
        const QString aside = SetAsidePath(journal, QStringLiteral("declined"));
        if (log.laps.empty() && log.skipped.isEmpty()) {
            // Kart set-up only: the session ended before its first lap.
            QFile::remove(journal);
            continue;
        }
        if (log.laps.empty()) {
            // Not a journal this program can read (damaged, or edited): never
            // deleted, kept under a name that says so, and never offered again.
            const QString kept = SetAsidePath(journal, QStringLiteral("unreadable"));
            unreadable << QDir::toNativeSeparators(QFile::rename(journal, kept) ? kept : journal);
            continue;
        }
        if (SummariseJournal(journal, log).laps == 0) {
            // Every lap was deleted by lap correction: "END SESSION" would have
            // written no session file and kept the journal aside.
            QFile::rename(journal, SetAsidePath(journal, QStringLiteral("unsaved")));
            continue;
        }
        const QMessageBox::StandardButton answer =
            QMessageBox::question(this, QStringLiteral("RUVOTimer"),
                                  RecoveryQuestion(SummariseJournal(journal, log), aside),
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        if (answer != QMessageBox::Yes) {
            if (!QFile::rename(journal, aside)) {
                QMessageBox::warning(this, QStringLiteral("RUVOTimer"),
                                     QStringLiteral("The lap log %1 could not be set aside; it "
                                                    "will be offered again at the next start.")
                                         .arg(QDir::toNativeSeparators(journal)));
            }
            continue;
        }
        RecoveredSession recovered;
        QString error;
        if (!RecoverSession(station_.program_folder(), journal, &recovered, &error)) {
            QMessageBox::critical(
                this, QStringLiteral("RUVOTimer"),
                QStringLiteral("The session was not recovered.\n\n%1\n\nIt will be offered "
                               "again at the next start.")
                    .arg(error));
            continue;
        }
        LoadTodaysSessions(station_);
        QMessageBox::information(this, QStringLiteral("RUVOTimer"), RecoveryReport(recovered));
    }
    if (!unreadable.isEmpty()) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("RUVOTimer"),
                        QStringLiteral("A lap log of a session that was not ended holds no lap "
                                       "this program can read. It was not deleted; it is kept "
                                       "as:\n\n%1")
                            .arg(unreadable.join(QLatin1Char('\n'))),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("UnreadableLapLogs"));
        box.exec();
    }
}

void TForm1::TellAfterSession(QMessageBox::Icon icon, const QString& text) {
    session_notes_.emplace_back(icon, text);
}

void TForm1::TellSessionNotes() {
    const auto notes = std::exchange(session_notes_, {});
    for (const auto& [icon, text] : notes) {
        QMessageBox box(icon, QStringLiteral("RUVOTimer"), text, QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("SessionNote"));
        box.exec();
    }
}

void TForm1::NoteSessionFileName(const QString& written_path) {
    const QString minute_name =
        QFileInfo(SessionFilePath(station_.program_folder(), station_.clock().LocalDateTime()))
            .fileName();
    const QString name = QFileInfo(written_path).fileName();
    if (name == minute_name) {
        return;
    }
    TellAfterSession(QMessageBox::Information,
                     QStringLiteral("The session was saved as %1, because a session that ended "
                                    "earlier already has the name %2. No session was replaced.")
                         .arg(name, minute_name));
}

void TForm1::StartLapLog() {
    QString error;
    journal_ = LapJournal::Start(station_, &error);
    if (journal_->failed()) {
        journal_->failure_reported = true;
        TellLapLogFailure(error);
    }
}

void TForm1::FinishLapLog(const QString& session_file_path) {
    if (!journal_) {
        return;
    }
    QString error;
    // The session is saved: the camera's last crossings are logged before its log
    // follows the lap log.
    camera_.reset();
    const QString journal_path = journal_->path();
    // Only memory holds every lap of a journal whose writes failed.
    const bool only_in_memory = journal_->failed();
    if (journal_->Finish(session_file_path, &error)) {
        MoveCameraLog(journal_path, LapLogPathFor(session_file_path));
    } else {
        if (only_in_memory) {
            // Asked once the loop has ended; until then the laps stay in memory.
            unsaved_lap_log_ = {std::move(journal_), session_file_path, error};
        } else {
            TellAfterSession(QMessageBox::Warning,
                             QStringLiteral("The session is saved, but its lap log is not "
                                            "beside it.\n\n%1")
                                 .arg(error));
        }
    }
    journal_.reset();
}

void TForm1::OfferUnsavedLapLog() {
    UnsavedLapLog unsaved = std::exchange(unsaved_lap_log_, {});
    if (!unsaved.journal) {
        return;
    }
    const bool saved =
        AskAfterFailedLapLogWrite(unsaved.session_file, unsaved.error, this,
                                  [&unsaved](const QString& file, QString* message) {
                                      return unsaved.journal->WriteLapLogBeside(file, message);
                                  });
    if (saved) {
        unsaved.journal->SetAside(QStringLiteral("saved-elsewhere"));
    }
}

void TForm1::TellLapLogFailureOnce() {
    if (journal_ && journal_->failed() && !journal_->failure_reported) {
        journal_->failure_reported = true;
        TellLapLogFailure(journal_->failure());
    }
}

void TForm1::TellLapLogFailure(const QString& message) {
    // Not modal: the receiver is read on while the operator has not answered.
    auto* box = new QMessageBox(
        QMessageBox::Warning, QStringLiteral("RUVOTimer"),
        QStringLiteral("The lap log cannot be written: every lap from now on is kept only in "
                       "memory. The session goes on, and \"END SESSION\" still saves its ten "
                       "fastest laps.\n\n%1")
            .arg(message),
        QMessageBox::Ok, SessionDialogParent());
    box->setObjectName(QStringLiteral("LapLogFailure"));
    box->setModal(false);
    // Shown without the keyboard: the hand-timing keys stay with the session screen.
    box->setAttribute(Qt::WA_ShowWithoutActivating);
    box->show();
}

bool TForm1::SaveKartSettings() {
    QString error;
    if (::SaveKartSettings(station_, &error)) {
        return true;
    }
    // During a session the box belongs to the always-on-top session screen; parented
    // to the launcher it could open behind it, with the poll loop standing still.
    QMessageBox::critical(SessionDialogParent(), QStringLiteral("RUVOTimer"),
                          QStringLiteral("The kart settings were not saved.\n\n%1").arg(error));
    return false;
}

void TForm1::SetPollButtonsEnabled(bool enabled) {
    button1_->setEnabled(enabled);
    button4_->setEnabled(enabled);
}

void TForm1::AfterPollLoop() {
    station_.poll_mode = kPollIdle;
    SetPollButtonsEnabled(true);
    UpdateTimesheetButton();
    TellSessionNotes();
    OfferUnsavedLapLog();
    if (close_after_loop_) {
        close();
    }
}

QWidget* TForm1::SessionDialogParent() {
    if (session_screen_ && session_screen_->isVisible()) {
        return session_screen_.get();
    }
    return this;
}

SessionScreenActions TForm1::MakeSessionScreenActions() {
    SessionScreenActions actions;
    actions.save_kart_settings = [this] { SaveKartSettings(); };
    // Dialogs belong to the always-on-top session screen, so window managers keep
    // them above it.
    actions.write_session_file = [this] {
        QString error;
        QString written;
        if (WriteSessionFile(station_, &error, &written)) {
            NoteSessionFileName(written);
            FinishLapLog(written);
            const SessionRun* run = session_screen_ ? session_screen_->session_run() : nullptr;
            if (!WriteRunResult(written, run, station_, &error)) {
                QMessageBox::warning(SessionDialogParent(), QStringLiteral("Session result"),
                                     error);
            }
            QueueSessionEndPrintouts(KartSettingsPath(station_), written, this);
            UpdateTimesheetButton();
            records_updater_->Request(written);
            return true;
        }
        // The receiver is read on while the operator chooses; a session saved
        // elsewhere takes every lap up to the choice, its lap log too.
        return AskAfterFailedSessionWrite(station_, error, SessionDialogParent(),
                                          [this](const QString& file, QString* message) {
                                              if (!journal_) {
                                                  return true;
                                              }
                                              if (!journal_->WriteLapLogBeside(file, message)) {
                                                  return false;
                                              }
                                              journal_->SetAside(QStringLiteral("saved-elsewhere"));
                                              journal_.reset();
                                              return true;
                                          });
    };
    actions.show_todays_history = [this] { ShowTodaysHistory(station_, SessionDialogParent()); };
    actions.show_lap_details = [this](int slot, int row) {
        ShowLapDetails(station_, slot, row, SessionDialogParent());
    };
    actions.show_kart_settings = [this](int slot) {
        const bool changed = ShowKartSettings(station_, slot, SessionDialogParent());
        if (changed && journal_) {
            journal_->RecordKart(station_, slot);
        }
        return changed;
    };
    actions.lap_recorded = [this](int slot, qint32 lap_number, qint32 lap_time, qint32 rpm_max,
                                  qint32 rpm_min, bool entered_top_ten) {
        // Radio and hand-timed laps alike; this only queues the sound.
        call_outs_->call_outs().LapRecorded(slot, station_.slot(slot), lap_time);
        if (!journal_) {
            return;
        }
        journal_->RecordLap(station_, slot, lap_number, lap_time, rpm_max, rpm_min,
                            entered_top_ten);
        TellLapLogFailureOnce();
    };
    actions.camera_time_for_key = [this](int slot, qint64 now) -> std::optional<qint64> {
        return camera_ ? camera_->TakeForKey(slot, now) : std::nullopt;
    };
    actions.lap_corrected = [this](const LapCorrection& correction) {
        if (!journal_) {
            return;
        }
        journal_->RecordCorrection(correction.slot, correction.lap_sequence, correction.lap_number,
                                   correction.lap_time, correction.deleted, correction.at);
        TellLapLogFailureOnce();
    };
    actions.sector_reported = [this](int slot, const SectorReport& report) {
        if (journal_) {
            journal_->RecordSector(slot, report);
            // Every race frame: a write that failed on the writer thread shows soon.
            TellLapLogFailureOnce();
        }
    };
    return actions;
}

void TForm1::Button1Click() {
    station_.memdane.Clear();
    station_.stop_requested = false;
    for (int n = 1; n <= kSlotCount; ++n) {
        KartSlot& slot = station_.slot(n);
        slot.stopwatch_running = false;
        slot.current_lap_number = 0;
        for (int j = 1; j <= kLapEntries; ++j) {
            LapEntry& entry = slot.lap(j);
            entry.lap_time = 0;
            entry.lap_number = 0;
            entry.rpm_max = 0;
            entry.rpm_min = 0;
        }
        station_.current_lap_time(n) = 0;
    }
    // A fresh screen for every session; the ended one goes once the new one is current.
    std::unique_ptr<Tfekranglowny> screen = ShowSessionScreen(
        station_, MakeSessionScreenActions(), LoadFormatSettings(KartSettingsPath(station_)));
    screen->SetHandTimingKeys(hand_timing_keys_);
    session_screen_ = std::move(screen);
    StartLapLog();
    camera_ =
        StartSessionCamera(station_, *session_screen_, journal_ ? journal_->path() : QString());
    SetPollButtonsEnabled(false);
    station_.poll_mode = kPollSession;
    ReceiverLink(station_).RunPollLoop();
    camera_.reset();
    if (journal_) {
        // Ended without a session file: its laps stay readable, never offered again.
        journal_->SetAside(QStringLiteral("unsaved"));
        journal_.reset();
    }
    AfterPollLoop();
}

// The launcher's windows open in front of a running session's screen, which is
// always on top: behind it, a modal one would hold the session's controls unseen.
void TForm1::Button2Click() {
    const QDate today = station_.clock().LocalDateTime().date();
    const QDate day = PickDay(today, today, SessionDialogParent());
    if (day.isValid()) {
        ShowDayHistory(station_.program_folder(), day, SessionDialogParent());
    }
}

void TForm1::Button3Click() {
    close();
}

void TForm1::Button4Click() {
    // A receiver that is listed but refused or unfit needs the same help as an
    // absent one: the wizard tells how to give the user access.
    if (ReceiverLink(station_).ProbeReceiver().state != ReceiverState::kConnected) {
        RunDriverWizard(this);
    }
    station_.memdane.Clear();
    station_.stop_requested = false;
    // Deleted here, after the loop: deleteLater would never run inside it.
    const std::unique_ptr<TftransTest> test_window = ShowTransmissionTest(station_);
    SetPollButtonsEnabled(false);
    station_.poll_mode = kPollTransmissionTest;
    ReceiverLink(station_).RunPollLoop();
    AfterPollLoop();
}

void TForm1::Button5Click() {
    ShowMessageList(station_, SessionDialogParent());
}

void TForm1::TimesheetClick() {
    // Today's list is reloaded after every recording, so its last record is the
    // session that ended last.
    const int count = std::min(station_.sessions.count, kMaxSessions);
    if (count <= 0) {
        return;
    }
    const SessionRecord& record = station_.sessions.records[size_t(count - 1)];
    const QString track = LoadTimesheetSettings(KartSettingsPath(station_)).track;
    ShowTimesheetDialog(LoadSessionTimesheet(record, track), 0, TimesheetFolder(),
                        SessionDialogParent());
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    // Alt+Tab can leave the keyboard here, behind the always-on-top session screen:
    // Esc gives it back to the screen.
    if (event->key() == Qt::Key_Escape && station_.poll_mode == kPollSession && session_screen_ &&
        session_screen_->isVisible()) {
        session_screen_->raise();
        session_screen_->activateWindow();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A close asked for while a poll loop runs takes effect when that loop has ended.
    if (station_.poll_mode != kPollIdle) {
        close_after_loop_ = true;
        event->ignore();
        return;
    }
    event->accept();
}
