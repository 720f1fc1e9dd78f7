#include <gtest/gtest.h>

#include "Clock.h"
#include "Colour.h"
#include "TimeFormat.h"

TEST(FormatLapTime, MinutesSecondsHundredthsWithoutHours) {
    EXPECT_EQ(FormatLapTime(6233), "01:02:33");
    EXPECT_EQ(FormatLapTime(0), "00:00:00");
    EXPECT_EQ(FormatLapTime(5999), "00:59:99");
    EXPECT_EQ(FormatLapTime(6000), "01:00:00");
    EXPECT_EQ(FormatLapTime(600000), "100:00:00");  // 100 minutes: three digits
    EXPECT_EQ(FormatLapTime(6150), "01:01:50");
    // Times from frames are unsigned: 0x80000000 and above stay positive.
    EXPECT_EQ(FormatLapTime(0x80000000u), "357913:56:48");
    EXPECT_EQ(FormatLapTime(0xFFFFFFFFu), "715827:52:95");
}

// Rewriting a time in place gives the same text whatever the string held before,
// keeps the buffer it owns, and never changes a copy that shares it.
TEST(FormatLapTime, IntoAnExistingStringGivesTheSameText) {
    QString text;
    for (const quint32 time : {0u, 6233u, 600000u, 5u, 0xFFFFFFFFu, 6150u}) {
        FormatLapTimeInto(time, text);
        EXPECT_EQ(text, FormatLapTime(time)) << time;
    }
    EXPECT_EQ(text, "01:01:50");  // shorter than the text before

    text.reserve(20);
    const QChar* buffer = text.constData();
    FormatLapTimeInto(4321, text);
    EXPECT_EQ(text, "00:43:21");
    EXPECT_EQ(text.constData(), buffer);

    const QString shown = text;  // shares the buffer, as a label's copy would
    FormatLapTimeInto(100, text);
    EXPECT_EQ(text, "00:01:00");
    EXPECT_EQ(shown, "00:43:21");
}

TEST(FormatGap, DropsMinutesAndKeepsTwoFields) {
    EXPECT_EQ(FormatGap(7500), "+15:00");
    EXPECT_EQ(FormatGap(68), "+00:68");
    EXPECT_EQ(FormatGap(0), "+00:00");
    EXPECT_EQ(FormatGapFields(6150), "01:50");
    EXPECT_EQ(FormatGapFields(0), "00:00");
    // printf's "%2.2d" of a negative field: the minus in front of two digits.
    EXPECT_EQ(FormatGap(-7500), "+-15:00");
    EXPECT_EQ(FormatGap(-5), "+00:-05");
    EXPECT_EQ(FormatGapFields(-6150), "-01:-50");
}

TEST(FormatLapNumber, TwoDigitsAtLeast) {
    EXPECT_EQ(FormatLapNumber(7), "L:07");
    EXPECT_EQ(FormatLapNumber(0), "L:00");
    EXPECT_EQ(FormatLapNumber(123), "L:123");
}

TEST(FormatClock, HoursAreUnbounded) {
    EXPECT_EQ(FormatClock(0), "00:00:00");
    EXPECT_EQ(FormatClock(3725), "01:02:05");
    EXPECT_EQ(FormatClock(100 * 3600 + 1), "100:00:01");
}

TEST(CountsToCentiseconds, RoundsHalfToEven) {
    const qint64 f = 10'000'000;  // 100,000 counts per centisecond
    EXPECT_EQ(CountsToCentiseconds(500 * 100'000, f), 500);
    EXPECT_EQ(CountsToCentiseconds(50'000, f), 0);   // 0.5 -> 0
    EXPECT_EQ(CountsToCentiseconds(150'000, f), 2);  // 1.5 -> 2
    EXPECT_EQ(CountsToCentiseconds(250'000, f), 2);  // 2.5 -> 2
    EXPECT_EQ(CountsToCentiseconds(250'001, f), 3);
    EXPECT_EQ(CountsToCentiseconds(49'999'999, f), 500);  // 499.99999 -> 500
    EXPECT_EQ(CountsToCentiseconds(-150'000, f), -2);
    EXPECT_EQ(CountsToCentiseconds(123, 0), 0);
    // A huge difference must not overflow in the multiplication by 100.
    EXPECT_EQ(CountsToCentiseconds(INT64_MAX / 10, 1'000'000'000),
              92233720369);  // .5477... rounds up
}

TEST(CountsToSeconds, RoundsHalfToEven) {
    EXPECT_EQ(CountsToSeconds(5, 10), 0);   // 0.5
    EXPECT_EQ(CountsToSeconds(15, 10), 2);  // 1.5
    EXPECT_EQ(CountsToSeconds(25, 10), 2);  // 2.5
    EXPECT_EQ(CountsToSeconds(26, 10), 3);
}

TEST(Colour, LayoutIsBlueGreenRed) {
    EXPECT_EQ(ToQColor(Colours::kRed), QColor(255, 0, 0));
    EXPECT_EQ(ToQColor(Colours::kNavy), QColor(0, 0, 128));
    EXPECT_EQ(FromQColor(QColor(0x12, 0x34, 0x56)), 0x563412u);
}

TEST(SystemClock, CounterMovesForwardAtItsFrequency) {
    SystemClock clock;
    const qint64 first = clock.PerformanceCounter();
    const qint64 second = clock.PerformanceCounter();
    EXPECT_GE(second, first);
    EXPECT_GT(clock.PerformanceFrequency(), 0);
}
