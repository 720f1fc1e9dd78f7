#include <gtest/gtest.h>

#include <vector>

#include "SessionRun.h"

// Each race below is scripted crossing by crossing; the expected order, positions
// and gaps were worked out by hand from the script.
namespace {

FormatSettings RunSettings(SessionLength length, int amount, Scoring scoring) {
    FormatSettings s;
    s.length = length;
    s.minutes = amount;
    s.laps = amount;
    s.scoring = scoring;
    return s;
}

struct ExpectedPlace {
    int slot;
    int position;
    int laps;
    QString to_leader;
    QString to_ahead;
};

void ExpectStandings(const SessionRun& run, const std::vector<ExpectedPlace>& expected) {
    const std::vector<Standing> got = run.Standings();
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "place " << i + 1);
        EXPECT_EQ(got[i].slot, expected[i].slot);
        EXPECT_EQ(got[i].position, expected[i].position);
        EXPECT_EQ(got[i].tally.laps, expected[i].laps);
        EXPECT_EQ(GapText(got[i].to_leader), expected[i].to_leader);
        EXPECT_EQ(GapText(got[i].to_ahead), expected[i].to_ahead);
    }
}

}  // namespace

TEST(SessionRunRace, TimedRaceWithALappedKartAndOneThatStopsBeforeTheFlag) {
    SessionRun run(RunSettings(SessionLength::kMinutes, 2, Scoring::kRace));
    run.Start(0);
    EXPECT_EQ(run.TimeLeft(0), 12000);
    // Kart 1 laps in 29 s, kart 2 in 31 s, kart 3 in 45 s; kart 4 stops after 3 laps.
    run.Cross(1, 2900, 2900);
    run.Cross(4, 3000, 3000);
    run.Cross(2, 3100, 3100);
    run.Cross(3, 4500, 4500);
    run.Cross(1, 2900, 5800);
    run.Cross(4, 3100, 6100);
    EXPECT_EQ(run.TimeLeft(6100), 5900);
    run.Cross(2, 3100, 6200);
    run.Cross(1, 2900, 8700);
    run.Cross(3, 4500, 9000);
    run.Cross(4, 3100, 9200);
    run.Cross(2, 3100, 9300);
    run.Cross(1, 2900, 11600);
    EXPECT_TRUE(run.Tick(11999).empty());
    EXPECT_FALSE(run.flag_shown());
    // Time is up: every kart on the track is on its last lap.
    EXPECT_EQ(run.Tick(12000), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_TRUE(run.flag_shown());
    EXPECT_EQ(run.TimeLeft(12500), 0);
    EXPECT_TRUE(run.Cross(2, 3100, 12400).finished);
    EXPECT_TRUE(run.Cross(3, 4500, 13500).finished);
    EXPECT_TRUE(run.Cross(1, 2900, 14500).finished);
    // A lap after the flag counts for nothing.
    const SessionRun::Crossing cool_down = run.Cross(1, 2900, 17400);
    EXPECT_FALSE(cool_down.counted);
    EXPECT_EQ(run.kart(1).laps, 5);
    EXPECT_EQ(run.kart(1).total_time, 14500);

    // Kart 4 never comes round again: the session ends 3 minutes after the flag.
    EXPECT_FALSE(run.ShouldEnd(12000 + SessionRun::kFlagGrace - 1));
    EXPECT_TRUE(run.ShouldEnd(12000 + SessionRun::kFlagGrace));
    // Kart 4's three laps ended at 92.00 s, before kart 3's third at 135.00 s.
    ExpectStandings(run, {{1, 1, 5, "", ""},
                          {2, 2, 4, "+1 LAP", "+1 LAP"},
                          {4, 3, 3, "+2 LAPS", "+1 LAP"},
                          {3, 4, 3, "+2 LAPS", "+43.00"}});
}

TEST(SessionRunRace, RaceOfLapsWithATieAndAnInvalidLap) {
    FormatSettings settings = RunSettings(SessionLength::kLaps, 3, Scoring::kRace);
    settings.window = {true, 2000, 0};
    SessionRun run(settings);
    run.Start(0);
    EXPECT_EQ(run.LapsToGo(), 3);
    run.Cross(1, 3000, 3000);
    run.Cross(2, 3000, 3000);
    run.Cross(3, 4500, 4500);
    // A double trigger: kept out of the count.
    const SessionRun::Crossing twice = run.Cross(3, 150, 4650);
    EXPECT_FALSE(twice.valid);
    EXPECT_FALSE(twice.counted);
    EXPECT_TRUE(run.Cross(1, 3000, 6000).starts_last_lap);
    EXPECT_TRUE(run.Cross(2, 3000, 6000).starts_last_lap);
    EXPECT_EQ(run.LapsToGo(), 1);
    EXPECT_TRUE(run.Tick(8000).empty());
    EXPECT_TRUE(run.Cross(1, 3000, 9000).finished);
    EXPECT_TRUE(run.flag_shown());
    EXPECT_EQ(run.LapsToGo(), 0);
    // The leader's flag makes kart 3's lap its last; kart 2 was told already.
    EXPECT_EQ(run.Tick(9000), std::vector<int>{3});
    EXPECT_FALSE(run.ShouldEnd(9000));
    EXPECT_TRUE(run.Cross(2, 3000, 9000).finished);
    EXPECT_TRUE(run.Cross(3, 4450, 9100).finished);
    EXPECT_TRUE(run.ShouldEnd(9100));
    // Karts 1 and 2 crossed together: both first.
    ExpectStandings(run, {{1, 1, 3, "", ""}, {2, 1, 3, "", ""}, {3, 3, 2, "+1 LAP", "+1 LAP"}});
}

TEST(SessionRunPractice, BestLapOrderWithTheWindowAndPersonalBests) {
    FormatSettings settings = RunSettings(SessionLength::kOpen, 0, Scoring::kBestLap);
    settings.window = {true, 3000, 9000};
    SessionRun run(settings);
    run.Start(0);
    EXPECT_FALSE(run.Cross(1, 5000, 5000).personal_best);  // a first lap beats nothing
    EXPECT_TRUE(run.Cross(1, 4800, 9800).personal_best);
    EXPECT_FALSE(run.Cross(1, 1000, 10800).personal_best);  // too short: not a best
    EXPECT_FALSE(run.Cross(1, 9500, 20300).counted);        // too long
    EXPECT_TRUE(run.Cross(4, 1000, 21300, false).counted);  // hand-timed: no window
    run.Cross(2, 4800, 4800);
    EXPECT_TRUE(run.Cross(2, 4700, 9500).personal_best);
    run.Cross(3, 4800, 4800);
    EXPECT_EQ(run.kart(1).best_lap, 4800);
    EXPECT_EQ(run.kart(1).laps, 2);
    EXPECT_TRUE(run.Tick(999999).empty());
    EXPECT_FALSE(run.ShouldEnd(999999));  // an open session ends only by hand
    ExpectStandings(run, {{4, 1, 1, "", ""},
                          {2, 2, 2, "+37.00", "+37.00"},
                          {1, 3, 2, "+38.00", "+1.00"},
                          {3, 3, 1, "+38.00", ""}});
}

TEST(SessionRunRace, RollingStartTimesFromTheFirstCrossing) {
    FormatSettings settings = RunSettings(SessionLength::kMinutes, 1, Scoring::kRace);
    settings.rolling_start = true;
    SessionRun run(settings);
    run.Start(0);
    EXPECT_EQ(run.phase(), SessionRun::Phase::kWaitingForStart);
    EXPECT_TRUE(run.Tick(100000).empty());  // no clock yet, no flag
    EXPECT_EQ(run.TimeLeft(100000), 6000);
    // The first crossings start the race and count as no lap.
    EXPECT_FALSE(run.Cross(1, 9999, 500).counted);
    EXPECT_EQ(run.phase(), SessionRun::Phase::kRunning);
    EXPECT_FALSE(run.Cross(2, 9999, 800).counted);
    EXPECT_EQ(run.TimeLeft(3500), 3000);
    EXPECT_TRUE(run.Cross(1, 3000, 3500).counted);
    EXPECT_TRUE(run.Tick(6499).empty());
    EXPECT_EQ(run.Tick(6500), (std::vector<int>{1, 2}));
    EXPECT_TRUE(run.Cross(2, 5800, 6600).finished);
    EXPECT_TRUE(run.Cross(1, 3200, 6700).finished);
    EXPECT_TRUE(run.ShouldEnd(6700));
    EXPECT_EQ(run.kart(1).total_time, 6200);
    ExpectStandings(run, {{1, 1, 2, "", ""}, {2, 2, 1, "+1 LAP", "+1 LAP"}});
}

TEST(SessionRunRace, GapTexts) {
    EXPECT_EQ(GapText({}), "");
    EXPECT_EQ(GapText({1, 0}), "+1 LAP");
    EXPECT_EQ(GapText({3, 500}), "+3 LAPS");
    EXPECT_EQ(GapText({0, 105}), "+1.05");
    EXPECT_EQ(GapText({0, 6150}), "+61.50");
}

// Lap corrections: the run as if the crossing taken back had never been driven.
TEST(SessionRunCorrection, BestLapTakenBackAndBroughtBack) {
    SessionRun run(RunSettings(SessionLength::kOpen, 0, Scoring::kBestLap));
    run.Start(0);
    run.Cross(1, 5000, 5000);
    const int best = run.Cross(1, 4500, 9500).index;
    run.Cross(2, 4600, 4600);
    EXPECT_TRUE(run.Withdraw(best, true, 20000));
    EXPECT_FALSE(run.Withdraw(best, true, 20000));  // taken back once only
    ExpectStandings(run, {{2, 1, 1, "", ""}, {1, 2, 1, "+4.00", "+4.00"}});
    EXPECT_TRUE(run.Withdraw(best, false, 20000));
    ExpectStandings(run, {{1, 1, 2, "", ""}, {2, 2, 1, "+1.00", "+1.00"}});
}

TEST(SessionRunCorrection, TimedRaceFinishTakenBackKeepsTheFlagWhereTimeRanOut) {
    SessionRun run(RunSettings(SessionLength::kMinutes, 1, Scoring::kRace));
    run.Start(0);
    run.Cross(1, 3000, 3000);
    run.Cross(2, 3500, 3500);
    EXPECT_EQ(run.Tick(6050), (std::vector<int>{1, 2}));  // a late tick: the flag is at 60.00
    const int finish = run.Cross(1, 3500, 6500).index;
    EXPECT_TRUE(run.Withdraw(finish, true, 7000));
    EXPECT_EQ(run.KartsFinished(), 0);
    EXPECT_EQ(run.EndsIn(7000), SessionRun::kFlagGrace - 1000);
    EXPECT_TRUE(run.Tick(7000).empty());  // nobody is told the last lap twice
    ExpectStandings(run, {{1, 1, 1, "", ""}, {2, 2, 1, "+5.00", "+5.00"}});
}
