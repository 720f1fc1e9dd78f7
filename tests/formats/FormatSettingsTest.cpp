#include <gtest/gtest.h>

#include "FormatSettings.h"
#include "IniFile.h"

TEST(FormatSettingsFile, DefaultsAreTodaysSessionAndEverythingRoundTrips) {
    const IniFile empty;
    EXPECT_FALSE(ReadFormatSettings(empty).Active());
    EXPECT_EQ(ReadFormatSettings(empty), FormatSettings{});

    FormatSettings s;
    s.length = SessionLength::kMinutes;
    s.minutes = 15;
    s.laps = 7;
    s.scoring = Scoring::kRace;
    s.rolling_start = true;
    s.window = {true, 3000, 9000};
    s.last_lap = {true, QStringLiteral("LAST ONE"), QString(), 0x0000FF, 0xFFFFFF};
    s.finish.on = true;
    s.best_lap = {true, QStringLiteral("PB"), QStringLiteral("%T"), 0x123456, 0x00FF00};
    // The kart configuration of the same file stays as it was.
    IniFile ini = IniFile::FromText(QStringLiteral("[Parametry]\r\nRadio1=1\r\nNAME1=Adam\r\n"));
    WriteFormatSettings(ini, s);
    const IniFile back = IniFile::FromText(ini.ToText());
    EXPECT_EQ(ReadFormatSettings(back), s);
    EXPECT_TRUE(ReadFormatSettings(back).Active());
    EXPECT_EQ(back.ReadString(QStringLiteral("Parametry"), QStringLiteral("NAME1"), ""), "Adam");
    EXPECT_TRUE(
        ini.ToText().startsWith(QStringLiteral("[Parametry]\r\nRadio1=1\r\nNAME1=Adam\r\n")));
}

TEST(FormatSettingsFile, HandEditedValuesAreBroughtIntoRange) {
    const IniFile ini = IniFile::FromText(
        QStringLiteral("[formatsesji]\nDlugosc=7\nOkrazenia=-5\nMinuty=abc\nPunktacja=1\n"
                       "RekordLinia1=A LINE LONGER THAN TWELVE\nMetaTlo=-1\n"));
    const FormatSettings s = ReadFormatSettings(ini);
    EXPECT_EQ(s.length, SessionLength::kLaps);
    EXPECT_EQ(s.laps, 1);
    EXPECT_EQ(s.minutes, 10);
    EXPECT_EQ(s.scoring, Scoring::kRace);
    EXPECT_EQ(s.best_lap.line1, "A LINE LONGE");
    EXPECT_EQ(s.finish.background, 0xFFFFFFu);
}

TEST(FormatSettingsFile, LapWindowAndMessageLines) {
    const LapWindow off{false, 3000, 4000};
    EXPECT_TRUE(off.Admits(100));
    const LapWindow both{true, 3000, 4000};
    EXPECT_FALSE(both.Admits(2999));
    EXPECT_TRUE(both.Admits(3000));
    EXPECT_TRUE(both.Admits(4000));
    EXPECT_FALSE(both.Admits(4001));
    const LapWindow min_only{true, 3000, 0};
    EXPECT_TRUE(min_only.Admits(999999));

    EXPECT_EQ(ExpandMessageLine(QStringLiteral("POSITION %P"), 3, 0), "POSITION 3");
    EXPECT_EQ(ExpandMessageLine(QStringLiteral("BEST %T"), 0, 6233), "BEST 01:02:3");
}
