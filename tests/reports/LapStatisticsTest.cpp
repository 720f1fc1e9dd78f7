#include <gtest/gtest.h>

#include "LapStatistics.h"
#include "Timesheet.h"

namespace {

SheetLap Lap(qint32 number, qint32 time, bool top_ten = false, bool deleted = false) {
    return {number, time, top_ten, deleted};
}

TEST(LapStatisticsTest, OddCountGivesMiddleLapAsMedianAndPlainAverage) {
    const LapStatistics stats({Lap(1, 3000), Lap(2, 3100), Lap(3, 3500)});
    EXPECT_EQ(stats.best(), 3000);
    EXPECT_EQ(stats.best_lap_number(), 1);
    EXPECT_DOUBLE_EQ(stats.average(), 3200.0);
    EXPECT_DOUBLE_EQ(stats.median(), 3100.0);
    // 35.00 is 116.7% of the best: outside the consistency limit, so the figure is
    // that of 30.00 and 31.00 alone: population deviation 0.50 s.
    EXPECT_EQ(stats.consistent_laps(), 2);
    EXPECT_DOUBLE_EQ(stats.consistency(), 50.0);
}

TEST(LapStatisticsTest, EvenCountGivesMeanOfTheTwoMiddleLapsAsMedian) {
    const LapStatistics stats({Lap(1, 3300), Lap(2, 3000), Lap(3, 3201), Lap(4, 3100)});
    EXPECT_DOUBLE_EQ(stats.median(), 3150.5);
    EXPECT_EQ(RoundedCentiseconds(stats.median()), 3151u);
    EXPECT_DOUBLE_EQ(stats.average(), 3150.25);
    EXPECT_EQ(RoundedCentiseconds(stats.average()), 3150u);
}

TEST(LapStatisticsTest, LapsInOrderWithGapsToBestAndMarks) {
    const LapStatistics stats(
        {Lap(1, 3500), Lap(2, 3120, true), Lap(3, 3050, true), Lap(4, 3230), Lap(5, 3050)});
    const auto& laps = stats.laps();
    ASSERT_EQ(laps.size(), 5u);
    const qint32 expected_gaps[] = {450, 70, 0, 180, 0};
    for (size_t i = 0; i < laps.size(); ++i) {
        EXPECT_EQ(laps[i].lap_number, qint32(i + 1));
        EXPECT_EQ(laps[i].gap, expected_gaps[i]) << "lap " << i + 1;
    }
    // The first of two equal best laps is the best lap.
    EXPECT_TRUE(laps[2].best);
    EXPECT_FALSE(laps[4].best);
    EXPECT_EQ(stats.best_lap_number(), 3);
    EXPECT_TRUE(laps[1].entered_top_ten);
    EXPECT_FALSE(laps[3].entered_top_ten);
}

TEST(LapStatisticsTest, ConsistencyTakesLapsUpToExactly107PercentOfBest) {
    // 107% of 30.00 is 32.10: that lap is in, 32.11 is out.
    const LapStatistics stats({Lap(1, 3000), Lap(2, 3200), Lap(3, 3210), Lap(4, 3211)});
    EXPECT_TRUE(LapStatistics::WithinConsistencyLimit(3210, 3000));
    EXPECT_FALSE(LapStatistics::WithinConsistencyLimit(3211, 3000));
    EXPECT_EQ(stats.consistent_laps(), 3);
    // Population standard deviation of 30.00, 32.00, 32.10 s: mean 31.3667 s,
    // squares 1.86778 + 0.40111 + 0.53778 = 2.80667, / 3 = 0.93556, root 0.9672 s.
    EXPECT_NEAR(stats.consistency(), 96.72, 0.01);
    // All four laps count for the average and median.
    EXPECT_DOUBLE_EQ(stats.average(), 3155.25);
    EXPECT_DOUBLE_EQ(stats.median(), 3205.0);
}

TEST(LapStatisticsTest, DeletedAndEmptyLapsAreNotCounted) {
    const LapStatistics stats({Lap(1, 2900, false, true), Lap(2, 3000), Lap(3, 0), Lap(4, 3100)});
    ASSERT_EQ(stats.laps().size(), 2u);
    EXPECT_EQ(stats.laps()[0].lap_number, 2);
    EXPECT_EQ(stats.best(), 3000);
    EXPECT_DOUBLE_EQ(stats.average(), 3050.0);
    EXPECT_DOUBLE_EQ(stats.consistency(), 50.0);
}

TEST(LapStatisticsTest, OneLapAndNoLaps) {
    const LapStatistics one({Lap(7, 6233)});
    EXPECT_EQ(one.best(), 6233);
    EXPECT_DOUBLE_EQ(one.median(), 6233.0);
    EXPECT_DOUBLE_EQ(one.consistency(), 0.0);
    EXPECT_TRUE(one.laps()[0].best);

    const LapStatistics none({Lap(1, 3000, false, true)});
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(none.best(), 0);
    EXPECT_EQ(none.consistent_laps(), 0);
}

LapRecord LogLap(int slot, const char* name, qint32 number, qint32 time, bool top_ten,
                 bool deleted = false) {
    LapRecord lap;
    lap.slot = slot;
    lap.driver_name = QString::fromUtf8(name);
    lap.lap_number = number;
    lap.lap_time = time;
    lap.entered_top_ten = top_ten;
    lap.deleted = deleted;
    return lap;
}

TEST(TimesheetTest, LapLogGivesEveryKartItsLapsInOrderDriven) {
    SessionLapLog log;
    log.laps = {LogLap(3, "Zoë", 1, 3400, true),      LogLap(1, "Anna", 1, 3300, true),
                LogLap(3, "Zoë", 2, 3350, true),      LogLap(1, "Anna", 2, 3290, true, true),
                LogLap(9, "bad slot", 1, 3000, true), LogLap(1, "Anna", 3, 3310, true)};
    const Timesheet sheet = TimesheetFromLapLog(log, QStringLiteral("2026-12-08 14:05"));
    EXPECT_FALSE(sheet.only_fastest);
    EXPECT_EQ(sheet.date, QStringLiteral("2026-12-08"));
    ASSERT_EQ(sheet.drivers.size(), 2u);
    EXPECT_EQ(sheet.drivers[0].slot, 1);
    EXPECT_EQ(sheet.drivers[0].driver_name, QStringLiteral("Anna"));
    ASSERT_EQ(sheet.drivers[0].laps.size(), 3u);
    EXPECT_TRUE(sheet.drivers[0].laps[1].deleted);
    EXPECT_EQ(sheet.drivers[0].laps[2].lap_number, 3);
    EXPECT_EQ(sheet.drivers[1].driver_name, QString::fromUtf8("Zoë"));
    EXPECT_EQ(sheet.drivers[1].laps[1].lap_time, 3350);

    const Timesheet one = OnlyDriver(sheet, 3);
    ASSERT_EQ(one.drivers.size(), 1u);
    EXPECT_EQ(one.drivers[0].slot, 3);
    EXPECT_TRUE(OnlyDriver(sheet, 2).drivers.empty());
}

TEST(TimesheetTest, SessionFileGivesTheTenFastestInLapOrder) {
    SessionRecord record;
    KartSlot& kart = record.kart(2);
    kart.driver_name = QStringLiteral("Bartek");
    const qint32 numbers[] = {7, 3, 12};
    const qint32 times[] = {6233, 6301, 6400};
    for (int j = 1; j <= 3; ++j) {
        kart.lap(j).lap_number = numbers[j - 1];
        kart.lap(j).lap_time = times[j - 1];
    }
    const Timesheet sheet = TimesheetFromSessionRecord(record, QStringLiteral("2012-05-31 14:05"));
    EXPECT_TRUE(sheet.only_fastest);
    ASSERT_EQ(sheet.drivers.size(), 1u);
    const auto& laps = sheet.drivers[0].laps;
    ASSERT_EQ(laps.size(), 3u);
    EXPECT_EQ(laps[0].lap_number, 3);
    EXPECT_EQ(laps[0].lap_time, 6301);
    EXPECT_EQ(laps[1].lap_number, 7);
    EXPECT_EQ(laps[2].lap_number, 12);
    EXPECT_TRUE(laps[0].entered_top_ten && laps[1].entered_top_ten && laps[2].entered_top_ten);
}

}  // namespace
