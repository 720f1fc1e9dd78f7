#include <gtest/gtest.h>

#include "LapTable.h"

namespace {

// Enters a lap under the given lap number, as frame decoding and the stopwatch do.
BestLapsDrawing Lap(KartSlot& slot, qint32 lap_number, qint32 lap_time, qint32 rpm_max = 0,
                    qint32 rpm_min = 0) {
    slot.current_lap_number = lap_number;
    return EnterLap(slot, lap_time, rpm_max, rpm_min);
}

std::vector<qint32> Times(const KartSlot& slot) {
    std::vector<qint32> times;
    for (int j = 1; j <= kLapEntries; ++j) {
        times.push_back(slot.lap(j).lap_time);
    }
    return times;
}

}  // namespace

TEST(LapTable, FirstLapThenNewBestThenSlowerLap) {
    KartSlot slot;
    BestLapsDrawing drawing = Lap(slot, 1, 6233, 11000, 4000);
    EXPECT_EQ(slot.best_lap_delta_sign, "");
    EXPECT_EQ(slot.best_lap_delta, 0);
    EXPECT_EQ(slot.best_lap_time, 6233);
    EXPECT_EQ(slot.last_lap_time, 6233);
    ASSERT_EQ(drawing.filled, 1);
    EXPECT_EQ(drawing.rows[0].lap_time, "01:02:33");
    EXPECT_EQ(drawing.rows[0].gap, "+00:00");
    EXPECT_EQ(drawing.rows[0].lap_number, "L:01");
    EXPECT_EQ(slot.lap(1).rpm_max, 11000);
    EXPECT_EQ(slot.lap(1).rpm_min, 4000);

    // A new best: "-" with the improvement; rows redrawn against the new best.
    drawing = Lap(slot, 2, 6000);
    EXPECT_EQ(slot.best_lap_delta_sign, "-");
    EXPECT_EQ(slot.best_lap_delta, 233);
    EXPECT_EQ(slot.best_lap_time, 6000);
    ASSERT_EQ(drawing.filled, 2);
    EXPECT_EQ(drawing.rows[0].lap_number, "L:02");
    EXPECT_EQ(drawing.rows[0].gap, "+00:00");
    EXPECT_EQ(drawing.rows[1].lap_number, "L:01");
    EXPECT_EQ(drawing.rows[1].gap, "+02:33");
    EXPECT_EQ(slot.lap(2).rpm_max, 11000);  // the rpm values travel with their lap

    // Slower, by more than a minute: the gap drops the minutes.
    drawing = Lap(slot, 3, 13500);
    EXPECT_EQ(slot.best_lap_delta_sign, "+");
    EXPECT_EQ(slot.best_lap_delta, 7500);
    EXPECT_EQ(drawing.rows[2].gap, "+15:00");
    EXPECT_EQ(slot.last_lap_time, 13500);
    // Three laps: rows 4 and 5 are not filled (the screen writes "--:--:--").
    EXPECT_EQ(drawing.filled, 3);
    EXPECT_EQ((std::vector<qint32>{6000, 6233, 13500, 0, 0, 0, 0, 0, 0, 0}), Times(slot));
}

TEST(LapTable, LapEqualToTheBestIsNotSlower) {
    KartSlot slot;
    Lap(slot, 1, 5000);
    Lap(slot, 2, 5000);
    EXPECT_EQ(slot.best_lap_delta_sign, "-");
    EXPECT_EQ(slot.best_lap_delta, 0);
}

TEST(LapTable, FirstLapOfALaterSessionIsAFirstLap) {
    KartSlot slot;
    Lap(slot, 1, 3000);
    // Session start clears the table but leaves the best, gap and last lap.
    for (int j = 1; j <= kLapEntries; ++j) {
        slot.lap(j) = LapEntry{};
    }
    ASSERT_EQ(slot.best_lap_time, 3000);
    const BestLapsDrawing drawing = Lap(slot, 1, 5000);
    EXPECT_EQ(slot.best_lap_delta_sign, "");
    EXPECT_EQ(slot.best_lap_delta, 0);
    EXPECT_EQ(slot.best_lap_time, 5000);
    EXPECT_EQ(drawing.rows[0].gap, "+00:00");
    // From the second lap on it compares with this session's best.
    Lap(slot, 2, 5100);
    EXPECT_EQ(slot.best_lap_delta_sign, "+");
    EXPECT_EQ(slot.best_lap_delta, 100);
}

TEST(LapTable, KeepsOnlyTheTenFastestLaps) {
    KartSlot slot;
    for (int lap = 1; lap <= 10; ++lap) {
        Lap(slot, lap, 6000 + 100 * lap);  // 6100 .. 7000
    }
    const std::vector<qint32> ten = Times(slot);
    ASSERT_EQ(ten.back(), 7000);

    // Equal to the tenth: not stored, but it is the last lap, with its gap.
    BestLapsDrawing drawing = Lap(slot, 11, 7000);
    EXPECT_EQ(Times(slot), ten);
    EXPECT_EQ(slot.lap(10).lap_number, 10);
    EXPECT_EQ(slot.last_lap_time, 7000);
    EXPECT_EQ(slot.best_lap_delta_sign, "+");
    EXPECT_EQ(slot.best_lap_delta, 900);
    EXPECT_EQ(drawing.filled, 5);
    EXPECT_EQ(drawing.rows[4].lap_time, "01:05:00");

    // Faster than the tenth: the slowest goes, the new lap takes its place in order.
    Lap(slot, 12, 6150);
    EXPECT_EQ((std::vector<qint32>{6100, 6150, 6200, 6300, 6400, 6500, 6600, 6700, 6800, 6900}),
              Times(slot));
    EXPECT_EQ(slot.lap(2).lap_number, 12);
    EXPECT_EQ(slot.best_lap_time, 6100);

    // A new best with a full table.
    drawing = Lap(slot, 13, 5000);
    EXPECT_EQ(slot.lap(1).lap_number, 13);
    EXPECT_EQ(slot.lap(10).lap_time, 6800);
    EXPECT_EQ(drawing.rows[1].gap, "+11:00");
}

TEST(LapTable, EqualTimesKeepTheEarlierLapFirst) {
    KartSlot slot;
    Lap(slot, 1, 6000);
    Lap(slot, 2, 5500);
    Lap(slot, 3, 6000);
    Lap(slot, 4, 5500);
    EXPECT_EQ(slot.lap(1).lap_number, 2);
    EXPECT_EQ(slot.lap(2).lap_number, 4);
    EXPECT_EQ(slot.lap(3).lap_number, 1);
    EXPECT_EQ(slot.lap(4).lap_number, 3);
}

TEST(LapTable, LapNumbersAboveNinetyNineShowThreeDigits) {
    KartSlot slot;
    const BestLapsDrawing drawing = Lap(slot, 123, 6000);
    EXPECT_EQ(drawing.rows[0].lap_number, "L:123");
}

TEST(LapTable, ALapWithoutTimeChangesNothing) {
    // 0 marks an empty entry: such a "lap" would sort first and hide the session's
    // laps from the session file.
    KartSlot slot;
    Lap(slot, 1, 6000);
    const BestLapsDrawing drawing = Lap(slot, 2, 0);
    EXPECT_LT(drawing.filled, 0);
    EXPECT_EQ(slot.lap(1).lap_time, 6000);
    EXPECT_EQ(slot.lap(2).lap_time, 0);
    EXPECT_EQ(slot.best_lap_time, 6000);
    EXPECT_EQ(slot.last_lap_time, 6000);
    Lap(slot, 3, -5);
    EXPECT_EQ(slot.lap(1).lap_time, 6000);
}
