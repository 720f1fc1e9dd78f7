#include <gtest/gtest.h>

#include "FakeClock.h"
#include "KartTiming.h"

TEST(Stopwatch, StartStopAndTheFiveSecondThreshold) {
    FakeClock clock;
    KartSlot slot;
    qint32 current_lap_time = 777;
    slot.current_lap_number = 9;

    ASSERT_EQ(StartOrStopStopwatch(slot, current_lap_time, clock.PerformanceCounter()), true);
    EXPECT_TRUE(slot.stopwatch_running);
    EXPECT_EQ(current_lap_time, 0);
    EXPECT_EQ(slot.current_lap_number, 1);
    EXPECT_EQ(slot.timing_mark, clock.PerformanceCounter());

    clock.AdvanceCentiseconds(499);
    EXPECT_FALSE(ReadHandLap(slot, clock));
    // 498.5 cs rounds to 498 (even): still too short; 499.5 rounds to 500: a lap.
    clock.AdvanceCounts(-FakeClock::kCountsPerCentisecond / 2);
    EXPECT_FALSE(ReadHandLap(slot, clock));
    clock.AdvanceCentiseconds(1);
    std::optional<HandLap> lap = ReadHandLap(slot, clock);
    ASSERT_TRUE(lap);
    EXPECT_EQ(lap->lap_time, 500);
    EXPECT_EQ(lap->counter, clock.PerformanceCounter());

    StartNextHandLap(slot, current_lap_time, *lap);
    EXPECT_EQ(slot.timing_mark, lap->counter);
    EXPECT_EQ(slot.current_lap_number, 2);
    EXPECT_EQ(current_lap_time, 0);

    clock.AdvanceCentiseconds(500);
    lap = ReadHandLap(slot, clock);
    ASSERT_TRUE(lap);
    EXPECT_EQ(lap->lap_time, 500);  // timed from where the previous lap ended

    ASSERT_EQ(StartOrStopStopwatch(slot, current_lap_time, clock.PerformanceCounter()), false);
    EXPECT_FALSE(slot.stopwatch_running);
    EXPECT_FALSE(ReadHandLap(slot, clock));  // stopped: no lap
}

TEST(Stopwatch, RadioKartsHaveNone) {
    FakeClock clock;
    KartSlot slot;
    slot.radio = true;
    slot.stopwatch_running = true;  // left running when the kart became a radio kart
    qint32 current_lap_time = 0;
    EXPECT_FALSE(StartOrStopStopwatch(slot, current_lap_time, clock.PerformanceCounter()));
    EXPECT_TRUE(slot.stopwatch_running);
    clock.AdvanceCentiseconds(1000);
    EXPECT_FALSE(ReadHandLap(slot, clock));
}

TEST(KartRefresh, StaleRunningTimeTurnsRedAfterOneSecond) {
    FakeClock clock;
    KartSlot slot;
    const qint64 f = FakeClock::kFrequency;

    EXPECT_EQ(UpdateStaleness(slot, 1234, clock.PerformanceCounter(), f), Colours::kWhite);
    EXPECT_EQ(slot.timing_mark, 1234);
    EXPECT_EQ(slot.last_change_counter, clock.PerformanceCounter());

    clock.AdvanceCentiseconds(100);
    EXPECT_EQ(UpdateStaleness(slot, 1234, clock.PerformanceCounter(), f), std::nullopt);
    clock.AdvanceCentiseconds(1);
    EXPECT_EQ(UpdateStaleness(slot, 1234, clock.PerformanceCounter(), f), Colours::kRed);
    clock.AdvanceCentiseconds(1);
    EXPECT_EQ(UpdateStaleness(slot, 1235, clock.PerformanceCounter(), f), Colours::kWhite);
    clock.AdvanceCentiseconds(50);
    EXPECT_EQ(UpdateStaleness(slot, 1235, clock.PerformanceCounter(), f), std::nullopt);
}

TEST(KartRefresh, LastLapGap) {
    KartSlot slot;
    EXPECT_EQ(LastGapText(slot), "00:00");
    EXPECT_EQ(LastGapColour(slot), Colours::kLime);
    slot.best_lap_delta_sign = "+";
    slot.best_lap_delta = 6150;
    EXPECT_EQ(LastGapText(slot), "+01:50");
    EXPECT_EQ(LastGapColour(slot), Colours::kRed);
    slot.best_lap_delta_sign = "-";
    slot.best_lap_delta = 42;
    EXPECT_EQ(LastGapText(slot), "-00:42");
    EXPECT_EQ(LastGapColour(slot), Colours::kLime);
}

TEST(KartRefresh, ElapsedTimeIsClampedToThirtyTwoBits) {
    const qint64 f = FakeClock::kFrequency;
    EXPECT_EQ(ElapsedCentiseconds(0, 750'000 * f / 100, f), 750'000);  // 2 h 5 min
    EXPECT_EQ(ElapsedCentiseconds(0, qint64(1) << 62, f), std::numeric_limits<qint32>::max());
}

TEST(SessionScreenRules, ActivityLampShowsFramesSinceTheLastTick) {
    qint32 seen = 0;
    EXPECT_FALSE(LampOnAtTick(0, seen));
    EXPECT_TRUE(LampOnAtTick(17, seen));  // a unit heard before the session
    EXPECT_EQ(seen, 17);
    EXPECT_FALSE(LampOnAtTick(17, seen));
    EXPECT_TRUE(LampOnAtTick(0, seen));  // the byte counter wrapped
}

TEST(SessionScreenRules, SessionClockRoundsHalfToEven) {
    const qint64 f = FakeClock::kFrequency;
    EXPECT_EQ(SessionClockText(1000, 1000, f), "00:00:00");
    EXPECT_EQ(SessionClockText(0, f * 5 / 2, f), "00:00:02");
    EXPECT_EQ(SessionClockText(0, f * 7 / 2, f), "00:00:04");
    EXPECT_EQ(SessionClockText(0, f * 3661, f), "01:01:01");
    EXPECT_EQ(SessionClockText(0, f * 100 * 3600, f), "100:00:00");
}
