#include <gtest/gtest.h>

#include "LapStatistics.h"
#include "Timesheet.h"

namespace {

SheetLap Lap(qint32 number, qint32 time, bool top_ten = false, bool deleted = false) {
    SheetLap lap;
    lap.lap_number = number;
    lap.lap_time = time;
    lap.in_top_ten = top_ten;
    lap.deleted = deleted;
    return lap;
}

TEST(LapStatisticsTest, AllLapsForAverageAndMedianCleanLapsForConsistency) {
    const LapStatistics stats({Lap(1, 3000), Lap(2, 3100), Lap(3, 3200), Lap(4, 3500)});
    EXPECT_EQ(stats.best(), 3000);
    EXPECT_EQ(stats.best_lap_number(), 1);
    EXPECT_DOUBLE_EQ(stats.average(), 3200.0);
    EXPECT_DOUBLE_EQ(stats.median(), 3150.0);
    // The first lap is the out lap and 35.00 is 116.7% of the best: the clean laps
    // are 31.00 and 32.00 alone, population deviation 0.50 s.
    EXPECT_EQ(stats.clean_laps(), 2);
    EXPECT_DOUBLE_EQ(stats.clean_average(), 3150.0);
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
    EXPECT_TRUE(laps[1].in_top_ten);
    EXPECT_FALSE(laps[3].in_top_ten);
}

TEST(LapStatisticsTest, CleanLapsAreAllButTheFirstUpToExactly107PercentOfBest) {
    // 107% of 30.00 is 32.10: that lap is in, 32.11 is out, and so is the out lap.
    const LapStatistics stats(
        {Lap(1, 3150), Lap(2, 3000), Lap(3, 3200), Lap(4, 3210), Lap(5, 3211)});
    EXPECT_TRUE(LapStatistics::WithinConsistencyLimit(3210, 3000));
    EXPECT_FALSE(LapStatistics::WithinConsistencyLimit(3211, 3000));
    EXPECT_EQ(stats.clean_laps(), 3);
    // Population standard deviation of 30.00, 32.00, 32.10 s: mean 31.3667 s,
    // squares 1.86778 + 0.40111 + 0.53778 = 2.80667, / 3 = 0.93556, root 0.9672 s.
    EXPECT_NEAR(stats.clean_average(), 3136.67, 0.01);
    EXPECT_NEAR(stats.consistency(), 96.72, 0.01);
    // All five laps count for the average and median.
    EXPECT_DOUBLE_EQ(stats.average(), 3154.2);
    EXPECT_DOUBLE_EQ(stats.median(), 3200.0);
}

TEST(LapStatisticsTest, DeletedAndEmptyLapsAreNotCounted) {
    const LapStatistics stats(
        {Lap(1, 2900, false, true), Lap(2, 3000), Lap(3, 0), Lap(4, 3100), Lap(5, 3050)});
    ASSERT_EQ(stats.laps().size(), 3u);
    EXPECT_EQ(stats.laps()[0].lap_number, 2);
    EXPECT_EQ(stats.best(), 3000);
    EXPECT_DOUBLE_EQ(stats.average(), 3050.0);
    // Lap 2 is the first that counts, so the clean laps are 4 and 5.
    EXPECT_EQ(stats.clean_laps(), 2);
    EXPECT_DOUBLE_EQ(stats.consistency(), 25.0);
}

TEST(LapStatisticsTest, OneLapAndNoLaps) {
    const LapStatistics one({Lap(7, 6233)});
    EXPECT_EQ(one.best(), 6233);
    EXPECT_DOUBLE_EQ(one.median(), 6233.0);
    EXPECT_EQ(one.clean_laps(), 0);  // the out lap only
    EXPECT_DOUBLE_EQ(one.consistency(), 0.0);
    EXPECT_TRUE(one.laps()[0].best);

    const LapStatistics none({Lap(1, 3000, false, true)});
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(none.best(), 0);
    EXPECT_EQ(none.clean_laps(), 0);
}

LapRecord LogLap(int slot, const char* name, qint32 number, qint32 time, bool deleted = false) {
    LapRecord lap;
    lap.slot = slot;
    lap.driver_name = QString::fromUtf8(name);
    lap.radio = slot != 5;
    lap.lap_number = number;
    lap.lap_time = time;
    lap.deleted = deleted;
    return lap;
}

TEST(TimesheetTest, LapLogGivesEachDriverTheLapsTheyDroveInOrder) {
    SessionLapLog log;
    // Kart 1 changes driver after its second lap and Anna comes back for its fifth.
    log.laps = {LogLap(3, "Zoë", 1, 3400),        LogLap(1, "Anna", 1, 3300),
                LogLap(1, "Anna", 2, 3290, true), LogLap(1, "Bartek", 3, 3310),
                LogLap(9, "bad slot", 1, 3000),   LogLap(1, "Bartek", 4, 3280),
                LogLap(5, "Ola", 1, 4100),        LogLap(1, "Anna", 5, 3250)};
    for (size_t i = 0; i < log.laps.size(); ++i) {
        log.laps[i].session_time = 3000 * qint64(i + 1);
        log.laps[i].ended_at = QDateTime(QDate(2026, 12, 8), QTime(14, 5)).addSecs(30 * qint64(i));
    }
    log.laps[2].deleted_at = QDateTime(QDate(2026, 12, 8), QTime(14, 7, 12));
    const Timesheet sheet = TimesheetFromLapLog(log, QStringLiteral("2026-12-08 14:05"));
    EXPECT_FALSE(sheet.only_fastest);
    EXPECT_EQ(sheet.date, QStringLiteral("2026-12-08"));
    ASSERT_EQ(sheet.drivers.size(), 4u);
    const DriverSheet& anna = sheet.drivers[0];
    const DriverSheet& bartek = sheet.drivers[1];
    EXPECT_EQ(anna.driver_name, QStringLiteral("Anna"));
    EXPECT_EQ(bartek.driver_name, QStringLiteral("Bartek"));
    EXPECT_EQ(anna.slot, 1);
    EXPECT_EQ(bartek.slot, 1);
    ASSERT_EQ(anna.laps.size(), 3u);
    EXPECT_EQ(anna.laps[2].lap_number, 5);
    EXPECT_TRUE(anna.laps[1].deleted);
    EXPECT_EQ(anna.laps[1].deleted_at.time(), QTime(14, 7, 12));
    EXPECT_EQ(bartek.laps.size(), 2u);
    EXPECT_EQ(sheet.drivers[2].driver_name, QString::fromUtf8("Zoë"));
    EXPECT_FALSE(sheet.drivers[2].hand_timed);
    EXPECT_TRUE(sheet.drivers[3].hand_timed);  // kart 5 has no radio unit
    // The session began when the first lap began: 14:05:00 less its 30.00 s.
    EXPECT_EQ(sheet.started, QDateTime(QDate(2026, 12, 8), QTime(14, 4, 30)));
    EXPECT_EQ(sheet.ended, QDateTime(QDate(2026, 12, 8), QTime(14, 8, 30)));

    const Timesheet one = OnlyDriver(sheet, 1);
    ASSERT_EQ(one.drivers.size(), 1u);
    EXPECT_EQ(one.drivers[0].driver_name, QStringLiteral("Bartek"));
    EXPECT_TRUE(OnlyDriver(sheet, 4).drivers.empty());
}

// top 10 marks what stands at the end, not what was among the ten fastest when it
// was driven: a kart that kept improving carries exactly ten marks.
TEST(TimesheetTest, TopTenMarksTheKartsTenFastestLapsAtTheEnd) {
    SessionLapLog log;
    for (int n = 1; n <= 15; ++n) {
        log.laps.push_back(LogLap(2, "Ewa", n, 4000 - 10 * n));  // every lap a new best
    }
    log.laps.push_back(LogLap(2, "Ewa", 16, 3000, true));  // deleted: never counts
    log.laps.push_back(LogLap(2, "Ewa", 17, 3940));        // equal to lap 6, driven later
    const Timesheet sheet = TimesheetFromLapLog(log, QStringLiteral("2026-12-08 14:05"));
    ASSERT_EQ(sheet.drivers.size(), 1u);
    int marks = 0;
    for (const SheetLap& lap : sheet.drivers[0].laps) {
        marks += lap.in_top_ten;
        EXPECT_EQ(lap.in_top_ten, lap.lap_number >= 6 && lap.lap_number <= 15)
            << "lap " << lap.lap_number;
    }
    EXPECT_EQ(marks, 10);
}

TEST(TimesheetTest, SessionFileGivesTheTenFastestInLapOrder) {
    SessionRecord record;
    KartSlot& kart = record.kart(2);
    kart.driver_name = QStringLiteral("Bartek");
    kart.radio = true;
    const qint32 numbers[] = {7, 3, 12};
    const qint32 times[] = {6233, 6301, 6400};
    for (int j = 1; j <= 3; ++j) {
        kart.lap(j).lap_number = numbers[j - 1];
        kart.lap(j).lap_time = times[j - 1];
    }
    const Timesheet sheet = TimesheetFromSessionRecord(record, QStringLiteral("2012-05-31 14:05"));
    EXPECT_TRUE(sheet.only_fastest);
    ASSERT_EQ(sheet.drivers.size(), 1u);
    EXPECT_FALSE(sheet.drivers[0].hand_timed);
    const auto& laps = sheet.drivers[0].laps;
    ASSERT_EQ(laps.size(), 3u);
    EXPECT_EQ(laps[0].lap_number, 3);
    EXPECT_EQ(laps[0].lap_time, 6301);
    EXPECT_EQ(laps[1].lap_number, 7);
    EXPECT_EQ(laps[2].lap_number, 12);
    EXPECT_TRUE(laps[0].in_top_ten && laps[1].in_top_ten && laps[2].in_top_ten);
    EXPECT_FALSE(sheet.started.isValid());
}

}  // namespace
