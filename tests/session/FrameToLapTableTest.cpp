#include <gtest/gtest.h>

#include <QLabel>

#include "BestLapsGrid.h"
#include "FakeClock.h"
#include "FrameDecoder.h"
#include "SimFrames.h"
#include "Tfekranglowny.h"

// Lap times as a unit reports them, through frame decoding into the session screen's
// lap table: a time of 0 or of 2^31 centiseconds and more (no signed 32-bit lap
// time) is no lap, and stores nothing.
TEST(FrameToLapTable, LapTimesOfZeroOrAtLeastTwoToTheThirtyFirstStoreNothing) {
    FakeClock clock;
    Station station(clock, QStringLiteral("/nonexistent/"));
    station.slot(2).radio = true;
    station.slot(2).serial_number = 0x42;
    const std::unique_ptr<Tfekranglowny> screen = ShowSessionScreen(station, {});

    std::uint8_t lap = 1;
    const auto report = [&](std::uint32_t lap_time) {
        sim::TimingFields f;
        f.serial = 0x42;
        f.race = 1;
        f.lap = lap;
        f.lap_in_progress = ++lap;
        f.lap_time = lap_time;
        f.lap_rpm_max = 11000;
        station.receive_buffer = sim::MakeTimingFrame(f);
        DecodeFrame(station);
    };
    auto* row1 = screen->findChild<QLabel*>(BestLapsGrid::LapTimeName(2, 1));
    ASSERT_NE(row1, nullptr);
    const QString design = row1->text();
    report(0);  // latches the lap in progress
    for (const std::uint32_t no_lap : {0u, 0x80000000u, 0x80000001u, 0xFFFFFFFFu}) {
        report(no_lap);
        EXPECT_EQ(station.slot(2).lap(1).lap_time, 0) << no_lap;
    }
    EXPECT_EQ(station.slot(2).best_lap_time, 0);
    EXPECT_EQ(station.slot(2).last_lap_time, 0);
    EXPECT_EQ(row1->text(), design);  // nothing drawn

    report(0x7FFFFFFF);  // the longest lap there is
    report(6000);
    EXPECT_EQ(station.slot(2).lap(1).lap_time, 6000);
    EXPECT_EQ(station.slot(2).lap(1).lap_number, 7);
    EXPECT_EQ(station.slot(2).lap(2).lap_time, 0x7FFFFFFF);
    EXPECT_EQ(station.slot(2).lap(3).lap_time, 0);
    EXPECT_EQ(row1->text(), "01:00:00");
}
