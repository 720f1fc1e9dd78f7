#include <gtest/gtest.h>

#include "FakeClock.h"
#include "FrameRate.h"

namespace {

// Frames every `step_cs` centiseconds for `count` frames; returns the last figure.
double Feed(FrameRate& rate, FakeClock& clock, int count, int step_cs) {
    double last = 0;
    for (int i = 0; i < count; ++i) {
        clock.AdvanceCentiseconds(step_cs);
        last = rate.Count();
    }
    return last;
}

TEST(FrameRate, CountsTheLastSecondAndForgetsOlderFrames) {
    FakeClock clock;
    clock.SetCounter(0);  // the first second looks back before counter 0
    FrameRate rate(clock);
    EXPECT_EQ(rate.PerSecond(), 0);
    EXPECT_NEAR(Feed(rate, clock, 10, 10), 10, 0.5);  // 10 frames/s for a second
    EXPECT_NEAR(Feed(rate, clock, 200, 1), 100, 1);   // then 100 frames/s for two
    clock.AdvanceCentiseconds(50);
    EXPECT_NEAR(rate.PerSecond(), 50, 1);  // half of the last second had frames
    clock.AdvanceCentiseconds(60);
    EXPECT_EQ(rate.PerSecond(), 0);
    clock.AdvanceCentiseconds(100'000);  // a long silence
    EXPECT_EQ(rate.Count(), 1);
}

// The serve loop reads the counter once per frame and hands it over: counting at a
// given counter must not read the clock.
TEST(FrameRate, CountsAtTheCounterItIsGiven) {
    FakeClock clock;
    clock.SetCounter(0);
    FrameRate rate(clock);
    const qint64 centisecond = clock.PerformanceFrequency() / 100;
    double last = 0;
    for (int i = 1; i <= 200; ++i) {
        last = rate.Count(i * centisecond);  // 100 frames/s for two seconds
    }
    EXPECT_NEAR(last, 100, 1);
    EXPECT_EQ(clock.PerformanceCounter(), 0);
    clock.SetCounter(350 * centisecond);  // the clock catches up 1.5 s later
    EXPECT_EQ(rate.PerSecond(), 0);
}

}  // namespace
