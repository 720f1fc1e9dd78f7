#include <gtest/gtest.h>

#include <QDirIterator>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "CameraLapRouter.h"
#include "DiskFull.h"
#include "FakeClock.h"
#include "LapLogFormat.h"
#include "SessionFile.h"
#include "SimFrames.h"
#include "SimReceiver.h"
#include "TForm1.h"
#include "TempFolder.h"
#include "Tfekranglowny.h"

namespace {

sim::Bytes64 Racing(std::uint8_t counter, std::uint8_t lap_in_progress, std::uint32_t lap_time,
                    std::uint8_t sector, std::uint32_t sector_time) {
    sim::TimingFields f;
    f.serial = 1001;
    f.counter = counter;
    f.lap_in_progress = lap_in_progress;
    f.lap = std::uint8_t(lap_in_progress - 1);
    f.lap_time = lap_time;
    f.lap_rpm_max = 12100;
    f.lap_rpm_min = 5300;
    f.sector = sector;
    f.sector_lap = lap_in_progress;
    f.sector_time = sector_time;
    return sim::MakeTimingFrame(f);
}

QString RunningJournal(const QString& home) {
    QDirIterator it(home + "Sessions", {QStringLiteral("*.running.csv")}, QDir::Files,
                    QDirIterator::Subdirectories);
    return it.hasNext() ? it.next() : QString();
}

int VisibleFailureBoxes() {
    int shown = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        shown += widget->objectName() == "LapLogFailure" && widget->isVisible();
    }
    return shown;
}

// A whole session through the launcher: radio laps and sectors from frames, hand
// laps from the stopwatch, a full disk in the middle. The operator hears of the
// full disk once; "END SESSION" still saves, and the log beside the session file
// holds every lap.
TEST(LapLogSession, EveryLapReachesTheLogAndAFullDiskIsReportedOnce) {
    sim::SimReceiver& receiver = sim::SimReceiver::Instance();
    receiver.Reset();
    TempFolder folder;
    folder.Write("ustawienia.ini",
                 "[Parametry]\r\nRadio1=1\r\nSN1=1001\r\nNAME1=Ala\r\nNAME2=Bartek\r\n");
    const int device = receiver.AttachReceiver();
    receiver.QueueFrame(device, Racing(1, 1, 0, 0, 0));
    receiver.QueueFrame(device, Racing(2, 1, 0, 1, 1500));
    receiver.QueueFrame(device, Racing(3, 1, 0, 1, 1500));  // the same sector again
    receiver.QueueFrame(device, Racing(4, 2, 6150, 2, 4650));

    FakeClock clock;
    TForm1 launcher(clock, folder.path());
    launcher.show();
    Station& station = launcher.station();
    int step = 0;
    int boxes_after_laps = -1;
    int hand_laps = 0;
    QString journal;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* screen = dynamic_cast<Tfekranglowny*>(station.session_screen);
        if (!screen || !screen->isVisible() || receiver.PendingInbound(device) != 0) {
            return;
        }
        if (step++ > 0) {
            return;
        }
        journal = RunningJournal(folder.path());
        // What the camera at the line logs goes with the lap log at the end.
        AppendCameraLogLine(CameraLogPathFor(journal), "camera;2;7;marker;12.000000");
        QTest::mouseClick(screen->findChild<QWidget*>("Image3"), Qt::LeftButton);  // kart 2
        auto hand_lap = [&] {
            ++hand_laps;
            clock.AdvanceCentiseconds(3000 + hand_laps);
            QTest::mouseClick(screen->findChild<QWidget*>("ImageButton2"), Qt::LeftButton);
        };
        {
            const DiskFull full(rlim_t(QFileInfo(journal).size() + 120));
            for (int lap = 1; lap <= 4; ++lap) {
                hand_lap();
            }
            // The writer thread meets the full disk a moment later; a later lap tells.
            for (int wait = 0; wait < 500 && VisibleFailureBoxes() == 0; ++wait) {
                QTest::qWait(10);
                hand_lap();
            }
        }
        hand_lap();
        hand_lap();
        boxes_after_laps = VisibleFailureBoxes();
        timer.stop();
        QTest::mouseClick(screen->findChild<QPushButton*>("Button1"), Qt::LeftButton);
    });
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [&] { station.stop_requested = true; });
    timer.start();
    safety.start(10000);
    QTest::mouseClick(launcher.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    receiver.Reset();
    ASSERT_TRUE(safety.isActive()) << "the session did not end";
    ASSERT_FALSE(journal.isEmpty());

    EXPECT_EQ(boxes_after_laps, 1);
    const QString session_file = SessionFilePath(folder.path(), clock.LocalDateTime());
    ASSERT_TRUE(QFileInfo::exists(session_file));
    EXPECT_FALSE(QFileInfo::exists(journal));
    EXPECT_FALSE(QFileInfo::exists(CameraLogPathFor(journal)));
    QFile camera_log(CameraLogPathFor(LapLogPathFor(session_file)));
    ASSERT_TRUE(camera_log.open(QIODevice::ReadOnly));
    EXPECT_EQ(camera_log.readAll(), "camera;2;7;marker;12.000000\n");
    const SessionLapLog log = ReadLapLog(LapLogPathFor(session_file));
    EXPECT_TRUE(log.skipped.isEmpty()) << log.skipped.join('\n').toStdString();
    ASSERT_EQ(log.laps.size(), size_t(1 + hand_laps));
    EXPECT_EQ(log.laps[0].slot, 1);
    EXPECT_EQ(log.laps[0].lap_time, 6150);
    EXPECT_EQ(log.laps[0].lap_number, 1);
    EXPECT_EQ(log.laps[0].driver_name, "Ala");
    EXPECT_TRUE(log.laps[0].radio);
    for (int lap = 1; lap <= hand_laps; ++lap) {
        const LapRecord& hand = log.laps[size_t(lap)];
        EXPECT_EQ(hand.slot, 2);
        EXPECT_EQ(hand.lap_number, lap);
        EXPECT_EQ(hand.lap_time, 3000 + lap);
        EXPECT_FALSE(hand.radio);
    }
    ASSERT_EQ(log.sectors.size(), 2u);
    EXPECT_EQ(log.sectors[0].sector_time, 1500);
    EXPECT_EQ(log.sectors[1].sector, 2);
    EXPECT_EQ(log.karts.size(), 5u);
}

}  // namespace
