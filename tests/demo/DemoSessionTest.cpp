#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>

#include "DemoFolder.h"
#include "DemoReceiver.h"
#include "FakeClock.h"
#include "IniFile.h"
#include "SessionFile.h"
#include "SimReceiver.h"
#include "TForm1.h"
#include "TempFolder.h"

namespace {

const QString kSessionSection = QStringLiteral("Ustawienia");

int RecordedLaps(const KartSlot& slot) {
    int laps = 0;
    for (int j = 1; j <= kLapEntries; ++j) {
        laps += slot.lap(j).lap_time != 0 ? 1 : 0;
    }
    return laps;
}

// The demo as an operator runs it: its folder set up, "Session start" on the
// generated race (virtual time, so laps come fast), "END SESSION" once every radio
// kart has laps, and the session file that results.
TEST(DemoSession, GeneratedRaceEndsInASessionFileWithLapsOfTheFourRadioKarts) {
    TempFolder folder;
    ASSERT_TRUE(PrepareDemoFolder(folder.path()).usable);
    ::unsetenv("RUVOTIMER_SIM_SCRIPT");
    sim::SimReceiver::Instance().Reset(true);  // read the environment at the first usb_init
    const auto time = std::make_shared<sim::VirtualRaceTime>();
    const std::shared_ptr<sim::RaceGenerator> race = StartDemoReceiver(time);

    FakeClock clock;
    TForm1 launcher(clock, folder.path());
    launcher.show();
    Station& station = launcher.station();
    bool timed_out = false;
    QTimer step;
    step.setInterval(5);
    QObject::connect(&step, &QTimer::timeout, [&] {
        auto* screen = dynamic_cast<QWidget*>(station.session_screen);
        for (int n = 1; n <= 4; ++n) {
            if (RecordedLaps(station.slot(n)) < 2) {
                return;
            }
        }
        step.stop();
        QTest::mouseClick(screen->findChild<QPushButton*>("Button1"), Qt::LeftButton);
    });
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [&] {
        timed_out = true;
        station.stop_requested = true;
    });
    step.start();
    safety.start(20000);
    QTest::mouseClick(launcher.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    sim::SimReceiver::Instance().Reset();
    ASSERT_FALSE(timed_out) << "no laps within 20 s; race time " << time->Now().count() << " us";

    const IniFile file = IniFile::Load(SessionFilePath(folder.path(), clock.LocalDateTime()));
    for (int n = 1; n <= 4; ++n) {
        const QString s = QString::number(n);
        const int kart = n - 1;
        EXPECT_EQ(file.ReadInteger(kSessionSection, "RADIO_" + s, 0), 1);
        EXPECT_EQ(file.ReadInteger(kSessionSection, "SN_" + s, 0),
                  qint32(sim::DemoKarts()[size_t(kart)].serial));
        int laps = 0;
        for (int j = 1; j <= kLapEntries; ++j) {
            const qint32 time_cs =
                file.ReadInteger(kSessionSection, QString("LAPSINT_%1_%2").arg(n).arg(j), 0);
            if (time_cs == 0) {
                break;
            }
            ++laps;
            const qint32 number =
                file.ReadInteger(kSessionSection, QString("LAPNR_%1_%2").arg(n).arg(j), 0);
            const auto generated = std::find_if(
                race->laps().begin(), race->laps().end(),
                [&](const auto& lap) { return lap.kart == kart && lap.number == number; });
            ASSERT_NE(generated, race->laps().end()) << "slot " << n << " lap " << number;
            EXPECT_EQ(qint32(generated->time), time_cs);
            EXPECT_EQ(file.ReadInteger(kSessionSection, QString("MAX_OBR_%1_%2").arg(n).arg(j), 0),
                      generated->rpm_max);
        }
        EXPECT_GE(laps, 2) << "slot " << n;
    }
    EXPECT_EQ(file.ReadInteger(kSessionSection, "RADIO_5", -1), 0);
    EXPECT_EQ(file.ReadInteger(kSessionSection, "LAPSINT_5_1", -1), 0);
}

}  // namespace
