#include <gtest/gtest.h>

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "FakeClock.h"
#include "ModalScript.h"
#include "QtPrinters.h"
#include "SimFrames.h"
#include "SimReceiver.h"
#include "TForm1.h"
#include "TempFolder.h"
#include "Tfekranglowny.h"

namespace {

sim::Bytes64 Racing(std::uint32_t serial, std::uint8_t counter, std::uint8_t lap_in_progress,
                    std::uint32_t lap_time, std::uint16_t rpm = 0) {
    sim::TimingFields f;
    f.serial = serial;
    f.node = std::uint16_t(serial);
    f.counter = counter;
    f.race = 1;
    f.lap_in_progress = lap_in_progress;
    f.lap = std::uint8_t(lap_in_progress - 1);
    f.lap_time = lap_time;
    f.lap_rpm_max = 12100;
    f.lap_rpm_min = 5300;
    f.running_lap_time = 1234;
    f.rpm = rpm;
    return sim::MakeTimingFrame(f);
}

QString Text(const QWidget& parent, const char* name) {
    auto* label = parent.findChild<QLabel*>(QString::fromUtf8(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QString::fromUtf8(name));
}

class SessionStartTest : public ::testing::Test {
  protected:
    SessionStartTest() {
        sim::SimReceiver::Instance().Reset();
        folder.Write("ustawienia.ini",
                     "[Parametry]\r\nRadio1=1\r\nSN1=1001\r\nNAME1=Ala\r\n"
                     "Radio2=1\r\nSN2=1002\r\nNAME2=Bartek\r\nNAME3=Celina\r\n");
    }
    ~SessionStartTest() override { sim::SimReceiver::Instance().Reset(); }

    // Runs "Session start"; `during` runs from a timer inside the poll loop and
    // returns true once it has ended the session. A safety stop ends a loop that
    // would otherwise hang the test.
    void RunSession(TForm1& launcher, const std::function<bool(Tfekranglowny&)>& during) {
        QTimer step;
        step.setInterval(10);
        QObject::connect(&step, &QTimer::timeout, [&] {
            auto* screen = dynamic_cast<Tfekranglowny*>(launcher.station().session_screen);
            if (screen != nullptr && screen->isVisible() && during(*screen)) {
                step.stop();
            }
        });
        QTimer safety;
        safety.setSingleShot(true);
        QObject::connect(&safety, &QTimer::timeout, [&] {
            timed_out = true;
            launcher.station().stop_requested = true;
        });
        step.start();
        safety.start(10000);
        QTest::mouseClick(launcher.findChild<QPushButton*>("Button1"), Qt::LeftButton);
        EXPECT_FALSE(timed_out) << "the session did not end by itself";
    }

    TempFolder folder;
    FakeClock clock;
    bool timed_out = false;
};

}  // namespace

TEST_F(SessionStartTest, RadioAndHandTimedKartsThroughOneSession) {
    sim::SimReceiver& receiver = sim::SimReceiver::Instance();
    const int device = receiver.AttachReceiver();
    // Kart 1: latch lap 1, then laps of 61.50 and 60.00 s. Kart 2: one lap of 70.00 s.
    receiver.QueueFrame(device, Racing(1001, 1, 1, 0));
    receiver.QueueFrame(device, Racing(1002, 1, 1, 0));
    receiver.QueueFrame(device, Racing(1001, 2, 2, 6150));
    receiver.QueueFrame(device, Racing(1002, 2, 2, 7000, 9800));
    receiver.QueueFrame(device, Racing(1001, 3, 3, 6000, 11200));

    TForm1 launcher(clock, folder.path());
    launcher.show();
    Station& station = launcher.station();
    station.slot(1).best_lap_time = 3000;    // from an earlier session of this run
    station.slot(1).lap(4).lap_time = 9999;  // and its lap table, which start clears

    int step = 0;
    bool launcher_locked = false;
    RunSession(launcher, [&](Tfekranglowny& screen) {
        if (receiver.PendingInbound(device) != 0) {
            return false;
        }
        switch (step++) {
            case 0:
                launcher_locked = !launcher.findChild<QPushButton*>("Button1")->isEnabled() &&
                                  !launcher.findChild<QPushButton*>("Button4")->isEnabled() &&
                                  station.poll_mode == kPollSession;
                QTest::mouseClick(screen.findChild<QWidget*>("Image4"), Qt::LeftButton);
                clock.AdvanceCentiseconds(612);
                QTest::mouseClick(screen.findChild<QWidget*>("ImageButton3"), Qt::LeftButton);
                clock.AdvanceCentiseconds(150);
                return false;
            case 1:
                return false;  // one more pass of the loop refreshes the columns
            default:
                QTest::mouseClick(screen.findChild<QWidget*>("Button1"), Qt::LeftButton);
                return true;
        }
    });
    EXPECT_TRUE(launcher_locked);
    EXPECT_EQ(station.poll_mode, kPollIdle);
    EXPECT_TRUE(launcher.findChild<QPushButton*>("Button1")->isEnabled());

    auto* screen = dynamic_cast<Tfekranglowny*>(station.session_screen);
    ASSERT_NE(screen, nullptr);
    EXPECT_FALSE(screen->isVisible());
    const QWidget& s = *screen;
    // Kart 1: its first lap is a first lap, the second a new best by 1.50 s.
    EXPECT_EQ(Text(s, "Panel4"), "Ala");
    EXPECT_EQ(Text(s, "Label11"), "01:00:00");
    EXPECT_EQ(Text(s, "Label16"), "-01:50");
    EXPECT_EQ(Text(s, "Label78"), "L:02");
    EXPECT_EQ(Text(s, "Label21"), "01:00:00");
    EXPECT_EQ(Text(s, "Label79"), "L:01");
    EXPECT_EQ(Text(s, "Label31"), "01:01:50");
    EXPECT_EQ(Text(s, "Label32"), "+01:50");
    EXPECT_EQ(Text(s, "Label41"), "--:--:--");
    EXPECT_EQ(Text(s, "Label6"), "L:03");
    EXPECT_EQ(Text(s, "Label1"), "00:12:34");
    EXPECT_EQ(Text(s, "Label113"), "11200");
    EXPECT_EQ(station.slot(1).lap(1).rpm_max, 12100);
    EXPECT_EQ(station.slot(1).lap(4).lap_time, 0);
    // Kart 2: one lap, no sign.
    EXPECT_EQ(Text(s, "Label12"), "01:10:00");
    EXPECT_EQ(Text(s, "Label17"), "00:00");
    EXPECT_EQ(Text(s, "Label24"), "01:10:00");
    // Kart 3, hand-timed: one lap of 6.12 s, the next one running.
    EXPECT_EQ(Text(s, "Label25"), "00:06:12");
    EXPECT_EQ(Text(s, "Label88"), "L:01");
    EXPECT_EQ(Text(s, "Label13"), "00:06:12");
    EXPECT_EQ(Text(s, "Label8"), "L:02");
    EXPECT_EQ(Text(s, "Label3"), "00:01:50");

    // The next session gets a fresh screen with the design texts and cleared laps.
    RunSession(launcher, [&](Tfekranglowny& next) {
        QTest::mouseClick(next.findChild<QWidget*>("Button1"), Qt::LeftButton);
        return true;
    });
    auto* next = dynamic_cast<Tfekranglowny*>(station.session_screen);
    ASSERT_NE(next, nullptr);
    EXPECT_NE(next, screen);
    EXPECT_EQ(Text(*next, "Label21"), "--:--");
    EXPECT_EQ(Text(*next, "Label78"), "L--");
    EXPECT_EQ(station.slot(1).lap(1).lap_time, 0);
    EXPECT_EQ(station.slot(1).best_lap_time, 6000);
    EXPECT_FALSE(station.slot(3).stopwatch_running);
}

TEST_F(SessionStartTest, HandTimingKeysOfTheFileInEverySessionBadOnesToldOnce) {
    folder.Write("ustawienia.ini",
                 "[Parametry]\r\nNAME3=Celina\r\n"
                 "[HandTimingKeys]\r\nLap3=F5\r\nStart3=Shift+F5\r\nLap9=F9\r\n"
                 "Start2=Fx5\r\nLap4=Ctrl+L\r\n");
    QStringList told;
    const auto answer = [&told](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        told << (box ? box->text() : QString());
        // RUVO_SCREENSHOT_DIR=<folder> keeps a picture of the report.
        const QString folder = qEnvironmentVariable("RUVO_SCREENSHOT_DIR");
        if (!folder.isEmpty()) {
            EXPECT_TRUE(modal->grab().save(folder + "/hand-timing-keys-problems.png"));
        }
        modal->close();
    };
    ModalScript boxes({answer, answer, answer});
    TForm1 launcher(clock, folder.path());
    launcher.show();
    ASSERT_EQ(told.size(), 1);
    for (const char* problem :
         {"Lap9=F9: there is no kart 9", "Start2=Fx5: \"Fx5\" is no key name", "Lap4=Ctrl+L"}) {
        EXPECT_TRUE(told[0].contains(problem)) << told[0].toStdString();
    }

    Station& station = launcher.station();
    for (qint32 lap_time : {720, 655}) {
        clock.SetLocalDateTime(clock.LocalDateTime().addSecs(60));  // a session a minute
        RunSession(launcher, [&](Tfekranglowny& screen) {
            QTest::keyClick(screen.windowHandle(), Qt::Key_F5, Qt::ShiftModifier);
            clock.AdvanceCentiseconds(lap_time);
            QTest::keyClick(screen.windowHandle(), Qt::Key_F5);
            QTest::mouseClick(screen.findChild<QWidget*>("Button1"), Qt::LeftButton);
            return true;
        });
        EXPECT_EQ(station.slot(3).lap(1).lap_time, lap_time);
        EXPECT_EQ(station.slot(3).lap(2).lap_time, 0);
    }
    EXPECT_EQ(boxes.seen(), QStringList{"QMessageBox"});
}
