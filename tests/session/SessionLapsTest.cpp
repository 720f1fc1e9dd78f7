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

TEST(SessionLaps, DeletingALapOfTheTenLetsTheEleventhMoveUp) {
    Kart kart;
    std::vector<int> ids;
    for (const Driven& lap : kTwelve) {
        ids.push_back(kart.Drive(lap.number, lap.time));
    }
    ASSERT_EQ(kart.slot.lap(10).lap_time, 4600);  // 4700 and 4800 left out

    ASSERT_TRUE(kart.laps.Delete(ids[7], QDateTime()));  // lap 8, 4460, sixth fastest
    kart.laps.Recompute(kart.slot, 2);
    EXPECT_EQ(kart.slot.lap(10).lap_time, 4700);
    EXPECT_EQ(kart.slot.lap(10).lap_number, 7);
    ExpectSameKart(kart.slot, OnlyDriven(Without(kTwelve, 8)));
    // The lap in progress is not the screen's to change.
    EXPECT_EQ(kart.slot.current_lap_number, 12);

    ASSERT_TRUE(kart.laps.Delete(ids[2], QDateTime()));  // lap 3, outside the ten anyway
    kart.laps.Recompute(kart.slot, 2);
    ExpectSameKart(kart.slot, OnlyDriven(Without(Without(kTwelve, 8), 3)));
}

TEST(SessionLaps, DeletingTheBestLapMovesBestAndGapsToTheNextBest) {
    Kart kart;
    std::vector<int> ids;
    for (const Driven& lap : {Driven{1, 4500}, Driven{2, 4300}, Driven{3, 4400}, Driven{4, 4450}}) {
        ids.push_back(kart.Drive(lap.number, lap.time));
    }
    EXPECT_EQ(kart.slot.best_lap_delta_sign, "+");
    EXPECT_EQ(kart.slot.best_lap_delta, 150);  // 4450 against 4300

    ASSERT_TRUE(kart.laps.Delete(ids[1], QDateTime()));
    kart.laps.Recompute(kart.slot, 2);
    EXPECT_EQ(kart.slot.best_lap_time, 4400);
    EXPECT_EQ(kart.slot.lap(1).lap_number, 3);
    EXPECT_EQ(kart.slot.lap(4).lap_time, 0);
    EXPECT_EQ(kart.slot.last_lap_time, 4450);
    EXPECT_EQ(kart.slot.best_lap_delta_sign, "+");
    EXPECT_EQ(kart.slot.best_lap_delta, 50);  // now against 4400
    const BestLapsDrawing rows = DrawLapTable(kart.slot);
    ASSERT_EQ(rows.filled, 3);
    EXPECT_EQ(rows.rows[0].gap, "+00:00");
    EXPECT_EQ(rows.rows[1].lap_time, "00:44:50");
    EXPECT_EQ(rows.rows[1].gap, "+00:50");
    EXPECT_EQ(rows.rows[2].gap, "+01:00");
    EXPECT_EQ(rows.rows[2].lap_number, "L:01");

    // The last lap taken back: "Last" shows the lap before it, with the gap it had.
    ASSERT_TRUE(kart.laps.Delete(ids[3], QDateTime()));
    kart.laps.Recompute(kart.slot, 2);
    EXPECT_EQ(kart.slot.last_lap_time, 4400);
    EXPECT_EQ(kart.slot.best_lap_delta_sign, "-");
    EXPECT_EQ(kart.slot.best_lap_delta, 100);
    EXPECT_EQ(kart.laps.LastLap(2), ids[2]);
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
    EXPECT_TRUE(kart.laps.Delete(second, QDateTime()));
    EXPECT_TRUE(kart.laps.Delete(first, QDateTime()));
    kart.laps.Recompute(kart.slot, 2);
    EXPECT_EQ(kart.slot.lap(1).lap_time, 0);
    EXPECT_EQ(kart.slot.best_lap_time, 3999);
    EXPECT_EQ(kart.slot.last_lap_time, 4123);
    EXPECT_EQ(kart.slot.best_lap_delta, 124);
    EXPECT_EQ(kart.slot.best_lap_delta_sign, "+");
    EXPECT_EQ(DrawLapTable(kart.slot).filled, 0);
    EXPECT_FALSE(kart.laps.LastLap(2).has_value());
    EXPECT_FALSE(kart.laps.TableLap(kart.slot, 2, 1).has_value());

    // A new lap after that is the session's first lap again, not compared with
    // the carried-in best.
    kart.Drive(3, 4600);
    EXPECT_EQ(kart.slot.best_lap_delta_sign, "");
    EXPECT_EQ(kart.slot.best_lap_time, 4600);
    // and taking it back returns to the same carried-in state.
    kart.laps.Delete(*kart.laps.LastLap(2), QDateTime());
    kart.laps.Recompute(kart.slot, 2);
    EXPECT_EQ(kart.slot.best_lap_time, 3999);
    EXPECT_EQ(kart.slot.last_lap_time, 4123);
}

TEST(SessionLaps, UndoRestoresDeletionsLatestFirst) {
    Kart kart;
    std::vector<int> ids;
    for (const Driven& lap : kTwelve) {
        ids.push_back(kart.Drive(lap.number, lap.time));
    }
    const KartSlot before = kart.slot;
    EXPECT_FALSE(kart.laps.CanUndo());
    EXPECT_FALSE(kart.laps.Undo().has_value());

    const QDateTime at(QDate(2026, 12, 8), QTime(15, 1, 2));
    ASSERT_TRUE(kart.laps.Delete(ids[1], at));
    ASSERT_TRUE(kart.laps.Delete(ids[8], at));
    EXPECT_FALSE(kart.laps.Delete(ids[8], at)) << "deleted twice";
    EXPECT_FALSE(kart.laps.Delete(0, at));
    EXPECT_FALSE(kart.laps.Delete(int(ids.size()) + 1, at));
    EXPECT_TRUE(kart.laps.Find(ids[8])->deleted);
    EXPECT_EQ(kart.laps.Find(ids[8])->deleted_at, at);
    EXPECT_EQ(kart.laps.StandingCount(2), 10);

    EXPECT_EQ(kart.laps.Undo(), ids[8]);
    EXPECT_FALSE(kart.laps.Find(ids[8])->deleted);
    EXPECT_FALSE(kart.laps.Find(ids[8])->deleted_at.isValid());
    kart.laps.Recompute(kart.slot, 2);
    ExpectSameKart(kart.slot, OnlyDriven(Without(kTwelve, 2)));

    EXPECT_EQ(kart.laps.Undo(), ids[1]);
    kart.laps.Recompute(kart.slot, 2);
    ExpectSameKart(kart.slot, before);
    EXPECT_FALSE(kart.laps.CanUndo());
}

TEST(SessionLaps, RowsAndLastNameLapsByIdentity) {
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

    // A faster lap arrives after row 3 was chosen: the id still names lap b.
    const std::optional<int> chosen = kart.laps.TableLap(kart.slot, 2, 3);
    const int d = kart.Drive(3, 4200);
    EXPECT_EQ(kart.laps.TableLap(kart.slot, 2, 3), c);
    ASSERT_TRUE(kart.laps.Delete(*chosen, QDateTime()));
    kart.laps.Recompute(kart.slot, 2);
    EXPECT_EQ(kart.slot.lap(1).lap_time, 4200);
    EXPECT_EQ(kart.slot.lap(4).lap_time, 0);
    EXPECT_EQ(kart.laps.LastLap(2), d);
    EXPECT_EQ(kart.laps.Find(d)->lap_number, 3);

    // A table changed behind the list's back names no lap.
    kart.slot.lap(2).lap_time = 4499;
    EXPECT_FALSE(kart.laps.TableLap(kart.slot, 2, 2).has_value());
}

TEST(SessionLaps, TheConfirmationShowsKartDriverLapAndTime) {
    SessionLap lap;
    lap.slot = 3;
    lap.lap_number = 7;
    lap.lap_time = 6233;
    lap.ended_at = QDateTime(QDate(2026, 12, 8), QTime(14, 5, 33));
    const QString text = LapDeletionQuestion(lap, QStringLiteral("Wiśniewska"));
    EXPECT_TRUE(text.contains(QStringLiteral("Kart 3 - Wiśniewska"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("L:07"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("01:02:33"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("14:05:33"))) << text.toStdString();
    EXPECT_FALSE(LapDeletionQuestion(lap, QStringLiteral(" ")).contains(QStringLiteral(" - ")));
}
