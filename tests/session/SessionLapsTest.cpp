#include <gtest/gtest.h>

#include <vector>

#include "LapTable.h"
#include "SessionLaps.h"

namespace {

struct Driven {
    qint32 number;
    qint32 time;
};

// Enters laps into a slot as the session screen does: noted, then entered.
class Kart {
  public:
    explicit Kart(int slot = 2) : slot_(slot) {}

    int Drive(qint32 number, qint32 time) {
        slot.current_lap_number = number;
        const int id = laps.Add(slot, slot_, number, time, 11000 + number, 5000 + number,
                                QDateTime(QDate(2026, 12, 8), QTime(14, 0).addSecs(60 * number)));
        EnterLap(slot, time, 11000 + number, 5000 + number);
        return id;
    }

    KartSlot slot;
    SessionLaps laps;

  private:
    int slot_;
};

// The slot as it would stand had only these laps been driven.
KartSlot OnlyDriven(const std::vector<Driven>& driven) {
    KartSlot slot;
    for (const Driven& lap : driven) {
        slot.current_lap_number = lap.number;
        EnterLap(slot, lap.time, 11000 + lap.number, 5000 + lap.number);
    }
    return slot;
}

void ExpectSameKart(const KartSlot& actual, const KartSlot& expected) {
    for (int j = 1; j <= kLapEntries; ++j) {
        EXPECT_EQ(actual.lap(j).lap_time, expected.lap(j).lap_time) << "entry " << j;
        EXPECT_EQ(actual.lap(j).lap_number, expected.lap(j).lap_number) << "entry " << j;
        EXPECT_EQ(actual.lap(j).rpm_max, expected.lap(j).rpm_max) << "entry " << j;
    }
    EXPECT_EQ(actual.best_lap_time, expected.best_lap_time);
    EXPECT_EQ(actual.last_lap_time, expected.last_lap_time);
    EXPECT_EQ(actual.best_lap_delta, expected.best_lap_delta);
    EXPECT_EQ(actual.best_lap_delta_sign.toStdString(), expected.best_lap_delta_sign.toStdString());
}

// Twelve laps, all different; the eleventh (4700) and twelfth (4800) fastest are
// outside the ten.
const std::vector<Driven> kTwelve = {{1, 4550}, {2, 4300},  {3, 4800},  {4, 4420},
                                     {5, 4510}, {6, 4390},  {7, 4700},  {8, 4460},
                                     {9, 4350}, {10, 4600}, {11, 4480}, {12, 4405}};

std::vector<Driven> Without(std::vector<Driven> laps, qint32 number) {
    std::erase_if(laps, [number](const Driven& lap) { return lap.number == number; });
    return laps;
}

}  // namespace

// Each correction leaves the kart as if the deleted laps had never been driven:
// the eleventh-fastest moves up, best lap and gaps follow; undo goes back in turn.
TEST(SessionLaps, CorrectionsLeaveTheKartAsIfTheLapsWereNeverDriven) {
    Kart kart;
    std::vector<int> ids;
    for (const Driven& lap : kTwelve) {
        ids.push_back(kart.Drive(lap.number, lap.time));
    }
    ASSERT_EQ(kart.slot.lap(10).lap_time, 4600);  // 4700 and 4800 left out
    const KartSlot before = kart.slot;
    std::vector<Driven> standing = kTwelve;
    std::vector<KartSlot> states = {before};
    // Lap 8 (sixth fastest), lap 2 (the best), lap 12 (the last).
    for (const qint32 number : {8, 2, 12}) {
        ASSERT_TRUE(kart.laps.Delete(ids[size_t(number - 1)], QDateTime()));
        kart.laps.Recompute(kart.slot, 2);
        standing = Without(standing, number);
        ExpectSameKart(kart.slot, OnlyDriven(standing));
        states.push_back(kart.slot);
    }
    // Nine laps stand: the two that were outside the ten are in.
    EXPECT_EQ(kart.slot.lap(8).lap_time, 4700);
    EXPECT_EQ(kart.slot.lap(9).lap_time, 4800);
    EXPECT_EQ(kart.slot.lap(10).lap_time, 0);
    EXPECT_EQ(kart.slot.best_lap_time, 4350);
    // "Last" is lap 11 now, 1.30 s off the best before it.
    EXPECT_EQ(kart.slot.last_lap_time, 4480);
    EXPECT_EQ(kart.slot.best_lap_delta_sign, "+");
    EXPECT_EQ(kart.slot.best_lap_delta, 130);
    EXPECT_EQ(kart.laps.LastLap(2), ids[10]);
    EXPECT_EQ(kart.slot.current_lap_number, 12) << "the lap in progress is left alone";
    EXPECT_FALSE(kart.laps.Delete(ids[7], QDateTime())) << "deleted twice";
    EXPECT_FALSE(kart.laps.Delete(int(ids.size()) + 1, QDateTime()));

    for (const qint32 number : {12, 2, 8}) {
        EXPECT_EQ(kart.laps.Undo(), ids[size_t(number - 1)]);
        kart.laps.Recompute(kart.slot, 2);
        states.pop_back();
        ExpectSameKart(kart.slot, states.back());
    }
    EXPECT_FALSE(kart.laps.CanUndo());
    EXPECT_FALSE(kart.laps.Undo().has_value());
    EXPECT_FALSE(kart.laps.Find(ids[7])->deleted_at.isValid());
}

TEST(SessionLaps, AKartWithoutLapsReturnsToWhatItCarriedIn) {
    Kart kart;
    // An earlier session of this run left these behind.
    kart.slot.best_lap_time = 3999;
    kart.slot.last_lap_time = 4123;
    kart.slot.best_lap_delta = 124;
    kart.slot.best_lap_delta_sign = "+";
    const int first = kart.Drive(1, 4500);
    const int second = kart.Drive(2, 4400);
    const QDateTime at(QDate(2026, 12, 8), QTime(15, 1, 2));
    EXPECT_TRUE(kart.laps.Delete(second, at));
    EXPECT_TRUE(kart.laps.Delete(first, at));
    EXPECT_EQ(kart.laps.Find(first)->deleted_at, at);
    kart.laps.Recompute(kart.slot, 2);
    EXPECT_EQ(kart.slot.lap(1).lap_time, 0);
    EXPECT_EQ(kart.slot.best_lap_time, 3999);
    EXPECT_EQ(kart.slot.last_lap_time, 4123);
    EXPECT_EQ(kart.slot.best_lap_delta, 124);
    EXPECT_EQ(kart.slot.best_lap_delta_sign, "+");
    EXPECT_FALSE(kart.laps.LastLap(2).has_value());

    // A new lap after that is the session's first lap again; taking it back
    // returns to the same carried-in state.
    kart.Drive(3, 4600);
    EXPECT_EQ(kart.slot.best_lap_delta_sign, "");
    kart.laps.Delete(*kart.laps.LastLap(2), QDateTime());
    kart.laps.Recompute(kart.slot, 2);
    EXPECT_EQ(kart.slot.best_lap_time, 3999);
    EXPECT_EQ(kart.slot.last_lap_time, 4123);
}

TEST(SessionLaps, RowsNameTheirLapsLikeTheLapTable) {
    Kart kart;
    // Stopwatch restarted: two laps numbered 1 with the same time. The table puts
    // the earlier first, as EnterLap does.
    const int a = kart.Drive(1, 4500);
    const int b = kart.Drive(2, 4600);
    const int c = kart.Drive(1, 4500);
    EXPECT_EQ(kart.laps.TableLap(kart.slot, 2, 1), a);
    EXPECT_EQ(kart.laps.TableLap(kart.slot, 2, 2), c);
    EXPECT_EQ(kart.laps.TableLap(kart.slot, 2, 3), b);
    EXPECT_FALSE(kart.laps.TableLap(kart.slot, 2, 4).has_value());
    EXPECT_FALSE(kart.laps.TableLap(kart.slot, 2, 0).has_value());
    EXPECT_EQ(kart.laps.LastLap(2), c);
    EXPECT_FALSE(kart.laps.LastLap(3).has_value());  // another kart
    // A table changed behind the list's back names no lap.
    kart.slot.lap(2).lap_time = 4499;
    EXPECT_FALSE(kart.laps.TableLap(kart.slot, 2, 2).has_value());
}

TEST(SessionLaps, AnInvalidLapIsTheLastLapButNeverInTheTable) {
    Kart kart;
    kart.Drive(1, 4500);
    const int second = kart.Drive(2, 4400);
    const int invalid = kart.laps.Add(kart.slot, 2, 3, 150, 0, 0, QDateTime(), false);
    EXPECT_EQ(kart.laps.LastLap(2), invalid);
    ASSERT_TRUE(kart.laps.Delete(second, QDateTime()));
    kart.laps.Recompute(kart.slot, 2);
    KartSlot expected = OnlyDriven({{1, 4500}});
    expected.last_lap_time = 150;
    ExpectSameKart(kart.slot, expected);
}
