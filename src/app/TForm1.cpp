#include "TForm1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include "KartSettingsFile.h"
#include "LiveTimingSwitch.h"
#include "ReceiverLink.h"
#include "SessionRecorder.h"
#include "TFInstalDrivers.h"
#include "TFwybottyg.h"
#include "Tfekranglowny.h"
#include "Tfhistoria.h"
#include "Tflistakomunikatow.h"
#include "Tfsettings.h"
#include "Tfszczegoly.h"
#include "TftransTest.h"

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

TForm1::TForm1(const Clock& clock, const QString& program_folder, QWidget* parent)
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

    label1_ = new QLabel(QStringLiteral("v 6.4"), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->move(352, 488);
    label1_->adjustSize();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    FormCreate();
    live_timing_ = std::make_unique<LiveTimingSwitch>(this, station_, KartSettingsPath(station_));
}

TForm1::~TForm1() = default;

void TForm1::FormCreate() {
    LoadKartSettings(station_);
    // A day folder that cannot be read shows as an empty day here; the history
    // browser reports it when the operator opens it.
    LoadTodaysSessions(station_);
}

bool TForm1::SaveKartSettings() {
    QString error;
    if (::SaveKartSettings(station_, &error)) {
        return true;
    }
    QMessageBox::critical(this, QStringLiteral("RUVOTimer"),
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
        if (WriteSessionFile(station_, &error)) {
            return true;
        }
        QMessageBox::critical(SessionDialogParent(), QStringLiteral("RUVOTimer"),
                              QStringLiteral("The session was not saved.\n\n%1\n\nEnd the "
                                             "session again to retry.")
                                  .arg(error));
        return false;
    };
    actions.show_todays_history = [this] { ShowTodaysHistory(station_, SessionDialogParent()); };
    actions.show_lap_details = [this](int slot, int row) {
        ShowLapDetails(station_, slot, row, SessionDialogParent());
    };
    actions.show_kart_settings = [this](int slot) {
        return ShowKartSettings(station_, slot, SessionDialogParent());
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
    std::unique_ptr<Tfekranglowny> screen = ShowSessionScreen(station_, MakeSessionScreenActions());
    session_screen_ = std::move(screen);
    SetPollButtonsEnabled(false);
    station_.poll_mode = kPollSession;
    ReceiverLink(station_).RunPollLoop();
    AfterPollLoop();
}

void TForm1::Button2Click() {
    const QDate today = station_.clock().LocalDateTime().date();
    const QDate day = PickDay(today, today, this);
    if (day.isValid()) {
        ShowDayHistory(station_.program_folder(), day, this);
    }
}

void TForm1::Button3Click() {
    close();
}

void TForm1::Button4Click() {
    if (!ReceiverLink(station_).ReceiverPresent()) {
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
    ShowMessageList(station_, this);
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
