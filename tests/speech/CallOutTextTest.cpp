#include <gtest/gtest.h>

#include "CallOutText.h"
#include "LapTable.h"
#include "LapTimeWords.h"
#include "QtPrinters.h"

namespace {

struct Reading {
    qint32 centiseconds;
    const char* words;
};

TEST(LapTimeWords, ReadsTimesAcrossMinuteAndHourBoundaries) {
    const Reading readings[] = {
        {5, "zero oh five"},
        {50, "zero fifty"},
        {100, "one flat"},
        {530, "five thirty"},
        {1207, "twelve oh seven"},
        {3400, "thirty-four flat"},
        {3455, "thirty-four fifty-five"},
        {5999, "fifty-nine ninety-nine"},
        {6000, "one minute flat"},
        {6005, "one minute oh five"},
        {6100, "one oh one flat"},
        {6250, "one oh two fifty"},
        {7111, "one eleven eleven"},
        {12000, "two minutes flat"},
        {12050, "two minutes fifty"},
        {59999, "nine fifty-nine ninety-nine"},
        {60000, "ten minutes flat"},
        {359999, "fifty-nine fifty-nine ninety-nine"},
        {360000, "one hour flat"},
        {360005, "one hour zero oh five"},
        {363455, "one hour thirty-four fifty-five"},
        {366000, "one hour one minute flat"},
        {372350, "one hour two oh three fifty"},
        {720000, "two hours flat"},
        {2147483647, "five thousand nine hundred sixty-five hours thirteen fifty-six forty-seven"},
    };
    for (const Reading& reading : readings) {
        EXPECT_EQ(LapTimeInWords(reading.centiseconds), QString::fromLatin1(reading.words))
            << reading.centiseconds;
    }
    // Never entered as laps, but never garbled either.
    EXPECT_EQ(LapTimeInWords(0), "zero flat");
    EXPECT_EQ(LapTimeInWords(-250), "zero flat");
}

TEST(LapTimeWords, NumbersInWords) {
    EXPECT_EQ(NumberInWords(0), "zero");
    EXPECT_EQ(NumberInWords(13), "thirteen");
    EXPECT_EQ(NumberInWords(40), "forty");
    EXPECT_EQ(NumberInWords(99), "ninety-nine");
    EXPECT_EQ(NumberInWords(105), "one hundred five");
    EXPECT_EQ(NumberInWords(1000), "one thousand");
    EXPECT_EQ(NumberInWords(3600), "three thousand six hundred");
    EXPECT_EQ(NumberInWords(2000017), "two million seventeen");
    EXPECT_EQ(NumberInWords(999999999),
              "nine hundred ninety-nine million nine hundred ninety-nine thousand nine hundred "
              "ninety-nine");
}

TEST(CallOutText, NameThenTimeThenBestLap) {
    EXPECT_EQ(SpokenName(QStringLiteral("Jan Nowak"), 1), "Nowak");
    EXPECT_EQ(SpokenName(QStringLiteral("  Nowak  "), 1), "Nowak");
    EXPECT_EQ(SpokenName(QStringLiteral("Nowak J."), 1), "Nowak");
    EXPECT_EQ(SpokenName(QString::fromUtf8("Paweł Wójcik"), 1), QString::fromUtf8("Wójcik"));
    EXPECT_EQ(SpokenName(QStringLiteral("J. K."), 4), "J. K.");
    EXPECT_EQ(SpokenName(QStringLiteral("   "), 3), "Kart 3");

    EXPECT_EQ(CallOutText(QStringLiteral("Nowak"), 3455, false), "Nowak, thirty-four fifty-five");
    EXPECT_EQ(CallOutText(QStringLiteral("Nowak"), 6250, true),
              "Nowak, one oh two fifty, best lap");
}

// The "best lap" decision over the lap table's own bookkeeping, lap after lap.
TEST(CallOutText, BestLapOnlyWhenAnEarlierLapIsBeaten) {
    KartSlot slot;
    slot.driver_name = QStringLiteral("Anna Kowalska");
    const auto lap = [&slot](qint32 time) {
        ++slot.current_lap_number;
        EnterLap(slot, time, 0, 0);
        return CallOutForLap(slot, 2, time);
    };
    EXPECT_EQ(lap(3500), "Kowalska, thirty-five flat");  // first lap: nothing beaten
    EXPECT_EQ(lap(3455), "Kowalska, thirty-four fifty-five, best lap");
    EXPECT_EQ(lap(3455), "Kowalska, thirty-four fifty-five");  // equal is no new best
    EXPECT_EQ(lap(3600), "Kowalska, thirty-six flat");
    EXPECT_EQ(lap(3454), "Kowalska, thirty-four fifty-four, best lap");

    // A new session starts with the table empty while best_lap_time still holds the
    // previous session's best: its first lap is no "best lap".
    for (int j = 1; j <= kLapEntries; ++j) {
        slot.lap(j) = LapEntry{};
    }
    EXPECT_EQ(lap(3000), "Kowalska, thirty flat");
}

}  // namespace
