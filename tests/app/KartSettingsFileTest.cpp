#include <gtest/gtest.h>

#include "FakeClock.h"
#include "KartSettingsFile.h"
#include "TempFolder.h"

namespace {

struct SettingsFixture : ::testing::Test {
    TempFolder folder;
    FakeClock clock;
    Station station{clock, folder.path()};
};

}  // namespace

using KartSettings = SettingsFixture;

TEST_F(KartSettings, FirstStartWithoutFileGivesDefaults) {
    station.current_lap_time(3) = 77;
    station.slot(2).stopwatch_running = true;
    LoadKartSettings(station);
    for (int n = 1; n <= 5; ++n) {
        EXPECT_FALSE(station.slot(n).radio);
        EXPECT_EQ(station.slot(n).serial_number, 0);
        EXPECT_EQ(station.slot(n).driver_name.str(), QString::number(n));
        EXPECT_FALSE(station.slot(n).stopwatch_running);
        EXPECT_EQ(station.current_lap_time(n), 0);
    }
}

TEST_F(KartSettings, BadValuesTakeTheRules) {
    folder.Write("ustawienia.ini",
                 "[PARAMETRY]\r\nradio1=1\r\nRadio3=2\r\nSN1=12abc\r\nSN2=99999999999\r\n"
                 "SN3= \"4660\" \r\nName4='  Quoted  '\r\nNAME5=" +
                     QByteArray(300, 'z') + "\r\nSN4=-7\r\nSN4=8\r\n");
    LoadKartSettings(station);
    EXPECT_TRUE(station.slot(1).radio);
    EXPECT_FALSE(station.slot(3).radio);
    EXPECT_EQ(station.slot(1).serial_number, 0);
    EXPECT_EQ(station.slot(2).serial_number, 0);
    EXPECT_EQ(station.slot(3).serial_number, 4660);
    EXPECT_EQ(station.slot(4).serial_number, -7);
    EXPECT_EQ(station.slot(4).driver_name.str(), "  Quoted  ");
    EXPECT_EQ(station.slot(5).driver_name.str(), QString(20, QLatin1Char('z')));
}

TEST_F(KartSettings, APastedLineBreakInANameLosesNoOtherSlotsSettings) {
    LoadKartSettings(station);
    station.slot(1).driver_name = QStringLiteral("Ann\n[Other]\nX");
    station.slot(4).radio = true;
    station.slot(4).serial_number = 4660;
    QString error;
    ASSERT_TRUE(SaveKartSettings(station, &error));
    Station restarted(clock, folder.path());
    LoadKartSettings(restarted);
    EXPECT_EQ(restarted.slot(1).driver_name.str(), "Ann [Other] X");
    EXPECT_TRUE(restarted.slot(4).radio);
    EXPECT_EQ(restarted.slot(4).serial_number, 4660);
    EXPECT_EQ(restarted.slot(5).driver_name.str(), "5");
}

TEST_F(KartSettings, SaveWritesFifteenKeysInSlotOrder) {
    LoadKartSettings(station);
    station.slot(1).radio = true;
    station.slot(1).serial_number = 1193046;
    station.slot(2).driver_name = QString::fromUtf8("Paweł");
    QString error;
    ASSERT_TRUE(SaveKartSettings(station, &error));
    EXPECT_EQ(folder.Read("ustawienia.ini"),
              QByteArray("[Parametry]\r\nRadio1=1\r\nSN1=1193046\r\nNAME1=1\r\n"
                         "Radio2=0\r\nSN2=0\r\nNAME2=Pawe\xC5\x82\r\n"
                         "Radio3=0\r\nSN3=0\r\nNAME3=3\r\nRadio4=0\r\nSN4=0\r\nNAME4=4\r\n"
                         "Radio5=0\r\nSN5=0\r\nNAME5=5\r\n"));
}

TEST_F(KartSettings, SaveKeepsForeignLinesAndRewritesRadioAsZeroOrOne) {
    folder.Write("ustawienia.ini",
                 "; operator notes\r\n[Parametry]\r\nRadio3=2\r\nNAME1="
                 "abcdefghijklmnopqrstuvwxyz0123\r\n[Extra]\r\nKeep=1\r\n");
    LoadKartSettings(station);
    QString error;
    ASSERT_TRUE(SaveKartSettings(station, &error));
    const QString text = QString::fromUtf8(folder.Read("ustawienia.ini"));
    EXPECT_TRUE(
        text.startsWith("; operator notes\r\n[Parametry]\r\nRadio3=0\r\n"
                        "NAME1=abcdefghijklmnopqrst\r\n"));
    EXPECT_TRUE(text.endsWith("[Extra]\r\nKeep=1\r\n"));
    LoadKartSettings(station);
    EXPECT_EQ(station.slot(1).driver_name.str(), "abcdefghijklmnopqrst");
}

TEST_F(KartSettings, SaveIntoAnUnwritablePlaceFailsWithTheFileName) {
    FakeClock other_clock;
    folder.Write("blocker", "x");
    Station misplaced(other_clock, folder.path() + "blocker/");
    QString error;
    EXPECT_FALSE(SaveKartSettings(misplaced, &error));
    EXPECT_TRUE(error.contains("ustawienia.ini"));
}

TEST_F(KartSettings, CameraKartsAreSavedApartAndOlderFilesTakeTheirMarkers) {
    // Written before the "Camera" box: a hand-timed kart with a marker is camera-timed,
    // a radio kart never is, and saving what the markers say adds no section.
    folder.Write("ustawienia.ini",
                 "[Parametry]\r\nRadio1=1\r\n[Camera]\r\nMarker_1=4\r\nMarker_2=7\r\n");
    LoadKartSettings(station);
    EXPECT_FALSE(station.slot(1).camera_timed);
    EXPECT_TRUE(station.slot(2).camera_timed);
    EXPECT_FALSE(station.slot(3).camera_timed);
    QString error;
    ASSERT_TRUE(SaveKartSettings(station, &error));
    EXPECT_FALSE(folder.Read("ustawienia.ini").contains("CameraKarts"));

    // A box that differs from the markers is kept for every slot and wins after a restart.
    station.slot(2).camera_timed = false;
    station.slot(3).camera_timed = true;
    ASSERT_TRUE(SaveKartSettings(station, &error));
    Station restarted(clock, folder.path());
    LoadKartSettings(restarted);
    EXPECT_FALSE(restarted.slot(2).camera_timed);
    EXPECT_TRUE(restarted.slot(3).camera_timed);
    EXPECT_TRUE(folder.Read("ustawienia.ini")
                    .contains("[CameraKarts]\r\nCamera1=0\r\nCamera2=0\r\nCamera3=1\r\n"));
}
