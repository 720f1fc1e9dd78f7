// The receiver is read on whatever window the operator holds open, and no session
// replaces another: the launcher with the simulated receiver, as an operator works.
#include <gtest/gtest.h>

#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "FakeClock.h"
#include "LapLogFormat.h"
#include "LiveTimingSwitch.h"
#include "ModalScript.h"
#include "SessionControls.h"
#include "SessionFile.h"
#include "SimFrames.h"
#include "SimReceiver.h"
#include "TForm1.h"
#include "TempFolder.h"
#include "Tfekranglowny.h"

namespace {

sim::Bytes64 Lapping(std::uint8_t lap_in_progress, std::uint32_t lap_time) {
    sim::TimingFields f;
    f.serial = 1001;
    f.counter = lap_in_progress;
    f.lap_in_progress = lap_in_progress;
    f.lap = std::uint8_t(lap_in_progress - 1);
    f.lap_time = lap_time;
    return sim::MakeTimingFrame(f);
}

Tfekranglowny* Screen(Station& station) {
    auto* screen = dynamic_cast<Tfekranglowny*>(station.session_screen);
    return screen && screen->isVisible() ? screen : nullptr;
}

// Runs `step` every 5 ms until it returns true or 10 s have passed.
bool Drive(const std::function<bool()>& step) {
    QTimer timer;
    bool done = false;
    QObject::connect(&timer, &QTimer::timeout, [&] { done = done || step(); });
    timer.start(5);
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done && elapsed.elapsed() < 10000) {
        QTest::qWait(5);
    }
    return done;
}

}  // namespace

// Kart 1's "Settings" dialog is held open while kart 1 drives three laps: each is
// read as it comes (the column and the lamp show it behind the dialog) and logged at
// the moment its frame came. A second session ended in the same minute is saved
// under the next minute's name, and the operator is told.
TEST(SessionDialogs, LapsDrivenBehindAnOpenDialogAreReadAtOnceAndSessionsNeverReplaceEachOther) {
    sim::SimReceiver& receiver = sim::SimReceiver::Instance();
    receiver.Reset();
    TempFolder folder;
    folder.Write("ustawienia.ini", "[Parametry]\r\nRadio1=1\r\nSN1=1001\r\nNAME1=Ala\r\n");
    const int device = receiver.AttachReceiver();
    receiver.QueueFrame(device, Lapping(1, 0));
    FakeClock clock;
    TForm1 launcher(clock, folder.path());
    launcher.show();
    Station& station = launcher.station();

    std::vector<QDateTime> lap_arrivals;
    QStringList last_lap_shown;
    bool lamp_on_behind_dialog = false;
    int phase = 0;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        Tfekranglowny* screen = Screen(station);
        if (!screen || receiver.PendingInbound(device) != 0) {
            return;
        }
        QWidget* modal = QApplication::activeModalWidget();
        if (phase == 0) {
            ++phase;
            Later([screen] {
                QTest::mouseClick(screen->findChild<QWidget*>("Panel4"), Qt::LeftButton);
            });
            return;
        }
        if (phase == 1 && modal && modal->objectName() == "fsettings") {
            if (!lap_arrivals.empty()) {
                last_lap_shown << screen->findChild<QLabel*>("Label11")->text();
            }
            if (lap_arrivals.size() == 3) {
                screen->Timer1Timer();  // the lamp's clock tick, behind the dialog
                lamp_on_behind_dialog = screen->findChild<IndicatorLamp*>("L1")->isOn();
                ++phase;
                QTest::mouseClick(modal->findChild<QPushButton*>("SpeedButton4"), Qt::LeftButton);
                return;
            }
            clock.AdvanceCentiseconds(3000);
            clock.SetLocalDateTime(clock.LocalDateTime().addSecs(30));
            lap_arrivals.push_back(clock.LocalDateTime());
            receiver.QueueFrame(device, Lapping(std::uint8_t(lap_arrivals.size() + 1),
                                                std::uint32_t(3000 + lap_arrivals.size())));
            return;
        }
        if (phase == 2 && !modal) {
            ++phase;
            driver.stop();
            QTest::mouseClick(screen->findChild<QPushButton*>("Button1"), Qt::LeftButton);
        }
    });
    driver.start(5);
    QTest::mouseClick(launcher.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    ASSERT_EQ(phase, 3) << "the session did not reach its end";

    ASSERT_EQ(lap_arrivals.size(), 3u);
    // Each lap on the column at once, behind the dialog.
    EXPECT_EQ(last_lap_shown, (QStringList{"00:30:01", "00:30:02", "00:30:03"}));
    EXPECT_TRUE(lamp_on_behind_dialog);
    const QString first_file = SessionFilePath(folder.path(), clock.LocalDateTime());
    const SessionLapLog log = ReadLapLog(LapLogPathFor(first_file));
    ASSERT_EQ(log.laps.size(), 3u) << "a lap was lost behind the dialog";
    for (size_t i = 0; i < log.laps.size(); ++i) {
        EXPECT_EQ(log.laps[i].lap_time, qint32(3001 + i));
        EXPECT_EQ(log.laps[i].ended_at, lap_arrivals[i]) << "lap " << i + 1 << " logged late";
    }

    // The second session ends in the same minute as the first.
    receiver.QueueFrame(device, Lapping(9, 0));
    receiver.QueueFrame(device, Lapping(10, 3500));
    QString note;
    ModalScript answer({[&note](QWidget* box) {
        note = static_cast<QMessageBox*>(box)->text();
        static_cast<QMessageBox*>(box)->accept();
    }});
    Later([&] {
        Drive([&] { return Screen(station) && receiver.PendingInbound(device) == 0; });
        QTest::mouseClick(Screen(station)->findChild<QPushButton*>("Button1"), Qt::LeftButton);
    });
    QTest::mouseClick(launcher.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    receiver.Reset();

    const QString second_file = SessionFilePath(folder.path(), clock.LocalDateTime().addSecs(60));
    EXPECT_TRUE(QFileInfo::exists(second_file));
    EXPECT_EQ(ReadLapLog(LapLogPathFor(first_file)).laps.size(), 3u) << "the first was replaced";
    EXPECT_EQ(ReadLapLog(LapLogPathFor(second_file)).laps.size(), 1u);
    EXPECT_TRUE(note.contains(QFileInfo(second_file).fileName())) << note.toStdString();
    EXPECT_TRUE(note.contains(QFileInfo(first_file).fileName())) << note.toStdString();
}

// The live timing QR code asked for during a session belongs to the session screen,
// so it is not hidden behind it.
TEST(SessionDialogs, TheQrCodeShownDuringASessionIsTheSessionScreens) {
    sim::SimReceiver& receiver = sim::SimReceiver::Instance();
    receiver.Reset();
    receiver.AttachReceiver();
    TempFolder folder;
    FakeClock clock;
    TForm1 launcher(clock, folder.path());
    launcher.show();
    Station& station = launcher.station();
    launcher.live_timing()->ShowQrCode({QStringLiteral("http://127.0.0.1:8080/")});
    auto* qr = launcher.findChild<QDialog*>("LiveTimingQrCode");
    ASSERT_NE(qr, nullptr);
    qr->hide();

    QWidget* parent_in_session = nullptr;
    Later([&] {
        Drive([&] { return Screen(station) != nullptr; });
        launcher.live_timing()->ShowQrCode({QStringLiteral("http://127.0.0.1:8080/")});
        parent_in_session = qr->parentWidget();
        qr->hide();
        QTest::mouseClick(Screen(station)->findChild<QPushButton*>("Button1"), Qt::LeftButton);
    });
    QTest::mouseClick(launcher.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    receiver.Reset();
    EXPECT_NE(parent_in_session, nullptr);
    EXPECT_EQ(parent_in_session, dynamic_cast<QWidget*>(station.session_screen));
}
