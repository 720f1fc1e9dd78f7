#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

#include "RaceGenerator.h"

namespace {

using sim::Bytes64;
using std::chrono::milliseconds;
using std::chrono::seconds;

std::uint32_t Get32(const Bytes64& f, size_t at) {
    return std::uint32_t(f[at]) | std::uint32_t(f[at + 1]) << 8 | std::uint32_t(f[at + 2]) << 16 |
           std::uint32_t(f[at + 3]) << 24;
}
std::uint16_t Get16(const Bytes64& f, size_t at) {
    return std::uint16_t(f[at] | f[at + 1] << 8);
}

int KartOf(const Bytes64& frame) {
    for (int k = 0; k < sim::kDemoKartCount; ++k) {
        if (sim::DemoKarts()[size_t(k)].serial == Get32(frame, 0)) {
            return k;
        }
    }
    return -1;
}

struct Heard {
    sim::Micros at;
    Bytes64 frame;
};

// Every frame of a race run on virtual time up to `length`, with when it came.
std::vector<Heard> RunRace(sim::RaceGenerator& race, sim::VirtualRaceTime& time,
                           sim::Micros length) {
    std::vector<Heard> heard;
    while (time.Now() < length) {
        if (const auto frame = race.Next(100)) {
            heard.push_back({time.Now(), *frame});
        }
    }
    return heard;
}

const sim::GeneratedLap* FindLap(const sim::RaceGenerator& race, int kart, int number) {
    for (const sim::GeneratedLap& lap : race.laps()) {
        if (lap.kart == kart && lap.number == number) {
            return &lap;
        }
    }
    return nullptr;
}

class RaceGeneratorTest : public ::testing::Test {
  protected:
    std::shared_ptr<sim::VirtualRaceTime> time = std::make_shared<sim::VirtualRaceTime>();
    sim::RaceGenerator race{time};
};

// What the decoder relies on: byte 29 changes exactly once per lap, and the frame
// that shows the change carries that lap's time and engine speeds.
TEST_F(RaceGeneratorTest, LapCountersAndLapTimesFollowTheGeneratedLaps) {
    const std::vector<Heard> heard = RunRace(race, *time, seconds(20 * 60));
    std::array<int, sim::kDemoKartCount> in_progress{};  // unwrapped, 0 = not heard yet
    std::array<int, sim::kDemoKartCount> changes{};
    std::array<int, sim::kDemoKartCount> counter{};
    std::array<int, sim::kDemoKartCount> frames{};
    std::map<std::pair<int, int>, std::pair<int, int>> rpm_seen;  // (kart, lap) -> min, max
    for (const Heard& h : heard) {
        const Bytes64& f = h.frame;
        const int k = KartOf(f);
        ASSERT_GE(k, 0);
        const size_t i = size_t(k);
        EXPECT_EQ(Get16(f, 4), sim::DemoKarts()[i].node);
        if (frames[i]++ > 0) {
            EXPECT_EQ(f[8], std::uint8_t(counter[i] + 1)) << "packet counter of kart " << k;
        }
        counter[i] = f[8];
        if (f[9] != 0) {
            continue;
        }
        EXPECT_EQ(f[24], 1);
        const int lap_byte = f[29];
        if (in_progress[i] == 0) {
            EXPECT_EQ(lap_byte, 1);
            in_progress[i] = 1;
        } else if (lap_byte != (in_progress[i] - 1) % 255 + 1) {
            ++changes[i];
            EXPECT_EQ(lap_byte, in_progress[i] % 255 + 1) << "lap counter skipped";
            EXPECT_EQ(f[25], std::uint8_t(in_progress[i])) << "completed lap";
            const sim::GeneratedLap* lap = FindLap(race, k, in_progress[i]);
            ASSERT_NE(lap, nullptr);
            EXPECT_EQ(Get32(f, 32), lap->time);
            EXPECT_EQ(Get16(f, 40), lap->rpm_max);
            EXPECT_EQ(Get16(f, 42), lap->rpm_min);
            ++in_progress[i];
        }
        auto [it, fresh] = rpm_seen.try_emplace({k, in_progress[i]}, Get16(f, 56), Get16(f, 56));
        it->second.first = std::min<int>(it->second.first, Get16(f, 56));
        it->second.second = std::max<int>(it->second.second, Get16(f, 56));
        EXPECT_LT(Get32(f, 48), 6000u) << "running lap time";
        EXPECT_NEAR(double(Get32(f, 52)), double(h.at.count()) / 10'000.0, 1.0) << "session";
    }
    for (size_t i = 0; i < in_progress.size(); ++i) {
        const auto laps =
            std::count_if(race.laps().begin(), race.laps().end(),
                          [&](const sim::GeneratedLap& l) { return l.kart == int(i); });
        EXPECT_EQ(changes[i], laps) << "kart " << i;
        EXPECT_GT(laps, 15) << "kart " << i;
    }
    // The engine speed rises and falls through the lap between that lap's extremes.
    for (const auto& [key, seen] : rpm_seen) {
        const sim::GeneratedLap* lap = FindLap(race, key.first, key.second);
        if (lap == nullptr) {
            continue;  // still running at the end
        }
        EXPECT_GE(seen.first, lap->rpm_min);
        EXPECT_LE(seen.second, lap->rpm_max);
        EXPECT_GT(seen.second - seen.first, 4000) << "kart " << key.first << " lap " << key.second;
    }
}

TEST_F(RaceGeneratorTest, KartsKeepTheirOwnPaceWithSpreadAndSlowLaps) {
    RunRace(race, *time, seconds(40 * 60));
    int slow = 0;
    std::array<std::uint32_t, sim::kDemoKartCount> fastest{};
    std::array<std::uint32_t, sim::kDemoKartCount> slowest{};
    for (const sim::GeneratedLap& lap : race.laps()) {
        const size_t i = size_t(lap.kart);
        EXPECT_GE(lap.time, 2500u);
        EXPECT_LE(lap.time, 6000u);
        fastest[i] = fastest[i] == 0 ? lap.time : std::min(fastest[i], lap.time);
        slowest[i] = std::max(slowest[i], lap.time);
        if (lap.number > 1 && lap.time > sim::DemoKarts()[i].pace * 107 / 100) {
            ++slow;
        }
    }
    EXPECT_GT(slow, 3);
    for (size_t i = 0; i < fastest.size(); ++i) {
        EXPECT_GT(slowest[i] - fastest[i], 30u) << "no spread for kart " << i;
        if (i > 0) {
            EXPECT_GT(fastest[i], fastest[i - 1]) << "paces of their own";
        }
    }
}

// About ten timing frames a second per unit, temperatures now and then that warm
// up, and drop-outs of two to three seconds.
TEST_F(RaceGeneratorTest, UnitsReportLiveWithTemperaturesAndDropOuts) {
    const std::vector<Heard> heard = RunRace(race, *time, seconds(10 * 60));
    std::array<std::vector<sim::Micros>, sim::kDemoKartCount> when;
    std::array<std::vector<double>, sim::kDemoKartCount> engine;
    for (const Heard& h : heard) {
        const size_t i = size_t(KartOf(h.frame));
        when[i].push_back(h.at);
        if (h.frame[9] == 1) {
            engine[i].push_back(std::int16_t(Get16(h.frame, 28)) / 10.0);
        }
    }
    for (size_t i = 0; i < when.size(); ++i) {
        EXPECT_GT(when[i].size(), 5000u);
        EXPECT_LT(when[i].size(), 6500u);
        sim::Micros longest{0};
        for (size_t j = 1; j < when[i].size(); ++j) {
            longest = std::max(longest, when[i][j] - when[i][j - 1]);
        }
        EXPECT_GE(longest, milliseconds(1900)) << "kart " << i << " never went silent";
        EXPECT_LE(longest, milliseconds(3200)) << "kart " << i;
        ASSERT_GT(engine[i].size(), 100u);
        EXPECT_LT(engine[i].front(), 25.0);
        EXPECT_GT(engine[i].back(), 45.0) << "warmed up";
    }
}

TEST_F(RaceGeneratorTest, ReadsWithNothingDueWaitNoLongerThanTheirTimeout) {
    int empty = 0;
    for (int i = 0; i < 2000; ++i) {
        const sim::Micros before = time->Now();
        const bool got = race.Next(5).has_value();
        EXPECT_LE(time->Now() - before, milliseconds(5));
        empty += got ? 0 : 1;
    }
    EXPECT_GT(empty, 100);
    for (int timeout : {0, 1000}) {
        const sim::Micros before = time->Now();
        race.Next(timeout);
        EXPECT_LE(time->Now() - before, milliseconds(100)) << "timeout " << timeout;
    }
    const int network = race.NetworkValue();
    EXPECT_GE(network, 70);
    EXPECT_LE(network, 99);
}

}  // namespace
