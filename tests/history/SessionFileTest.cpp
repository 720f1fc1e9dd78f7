#include <gtest/gtest.h>

#include "FakeClock.h"
#include "IniFile.h"
#include "SessionFile.h"
#include "Station.h"
#include "TempFolder.h"

namespace {

QStringList Lines(const QString& text) {
    EXPECT_TRUE(text.endsWith("\r\n"));
    QStringList lines = text.split("\r\n");
    lines.removeLast();
    return lines;
}

SessionRecord Read(const QString& text) {
    SessionRecord record;
    ReadSessionKarts(IniFile::FromText(text), &record);
    return record;
}

}  // namespace

TEST(SessionFileText, OneKartWithThreeLapsWritesAll271Lines) {
    FakeClock clock;
    Station station(clock, "/unused/");
    const char* names[] = {"Kowalski", "Nowak", "", "Zoe", "5"};
    for (int n = 1; n <= 5; ++n) {
        station.slot(n).driver_name = QString::fromUtf8(names[n - 1]);
        station.slot(n).radio = n == 1 || n == 4;
    }
    KartSlot& kart = station.slot(1);
    kart.serial_number = qint32(0xF00001);  // 24-bit serials print unsigned
    kart.best_lap_time = 6233;
    const qint32 laps[3][4] = {
        {6233, 7, 11850, 7420}, {6301, 3, 11790, 7380}, {7512, 1, 11500, 7000}};
    for (int j = 1; j <= 3; ++j) {
        kart.lap(j).lap_time = laps[j - 1][0];
        kart.lap(j).lap_number = laps[j - 1][1];
        kart.lap(j).rpm_max = laps[j - 1][2];
        kart.lap(j).rpm_min = laps[j - 1][3];
    }
    // Live fields that have no key must not leak into the file.
    kart.last_lap_time = 7512;
    kart.current_lap_number = 4;

    QStringList expected = {
        "[Ustawienia]",      "NAZWA_1=Kowalski",  "RADIO_1=1",         "SN_1=15728641",
        "BEST_1=01:02:33",   "LAPS_1_1=01:02:33", "LAPNR_1_1=7",       "MAX_OBR_1_1=11850",
        "MIN_OBR_1_1=7420",  "LAPSINT_1_1=6233",  "LAPS_1_2=01:03:01", "LAPNR_1_2=3",
        "MAX_OBR_1_2=11790", "MIN_OBR_1_2=7380",  "LAPSINT_1_2=6301",  "LAPS_1_3=01:15:12",
        "LAPNR_1_3=1",       "MAX_OBR_1_3=11500", "MIN_OBR_1_3=7000",  "LAPSINT_1_3=7512"};
    auto empty_entries = [&expected](int n, int from) {
        for (int j = from; j <= 10; ++j) {
            const QString s = QStringLiteral("%1_%2=").arg(n).arg(j);
            expected << "LAPS_" + s + "00:00:00"
                     << "LAPNR_" + s + "0"
                     << "MAX_OBR_" + s + "0"
                     << "MIN_OBR_" + s + "0"
                     << "LAPSINT_" + s + "0";
        }
    };
    empty_entries(1, 4);
    for (int n = 2; n <= 5; ++n) {
        expected << QStringLiteral("NAZWA_%1=%2").arg(n).arg(QString::fromUtf8(names[n - 1]))
                 << QStringLiteral("RADIO_%1=%2").arg(n).arg(n == 4 ? 1 : 0)
                 << QStringLiteral("SN_%1=0").arg(n) << QStringLiteral("BEST_%1=00:00:00").arg(n);
        empty_entries(n, 1);
    }

    const QStringList lines = Lines(SessionFileText(station));
    ASSERT_EQ(lines.size(), 271);
    EXPECT_EQ(lines, expected);
}

TEST(SessionFileText, TimesPrintMinutesSecondsHundredthsWithoutFoldingHours) {
    FakeClock clock;
    Station station(clock, "/unused/");
    station.slot(2).best_lap_time = 5999;
    station.slot(2).lap(1).lap_time = 5999;
    station.slot(2).lap(2).lap_time = 6000;
    station.slot(2).lap(3).lap_time = 600000;
    const IniFile file = IniFile::FromText(SessionFileText(station));
    EXPECT_EQ(file.Value("Ustawienia", "BEST_2"), "00:59:99");
    EXPECT_EQ(file.Value("Ustawienia", "LAPS_2_1"), "00:59:99");
    EXPECT_EQ(file.Value("Ustawienia", "LAPS_2_2"), "01:00:00");
    EXPECT_EQ(file.Value("Ustawienia", "LAPS_2_3"), "100:00:00");
    EXPECT_EQ(file.Value("Ustawienia", "LAPSINT_2_3"), "600000");
}

TEST(SessionFileText, NameWithLineBreakCannotShiftTheKeysAfterIt) {
    FakeClock clock;
    Station station(clock, "/unused/");
    station.slot(1).driver_name = QStringLiteral("Ann\r\nRADIO_1=1");
    const QString text = SessionFileText(station);
    EXPECT_EQ(Lines(text).size(), 271);
    const SessionRecord record = Read(text);
    EXPECT_FALSE(record.kart(1).radio);
    EXPECT_EQ(record.kart(1).driver_name.str(), "Ann  RADIO_1=1");
}

TEST(SessionFileRead, WrittenFileReadsBackAndBestIsNotTaken) {
    FakeClock clock;
    Station station(clock, "/unused/");
    station.slot(3).driver_name = QStringLiteral("Łukasz Żółć");
    station.slot(3).radio = true;
    station.slot(3).serial_number = 123456;
    station.slot(3).best_lap_time = 4000;
    station.slot(3).lap(1) = {6233, "", 7, 11850, 7420};
    const SessionRecord record = Read(SessionFileText(station));
    const KartSlot& kart = record.kart(3);
    EXPECT_EQ(kart.driver_name.str(), "Łukasz Żółć");
    EXPECT_TRUE(kart.radio);
    EXPECT_EQ(kart.serial_number, 123456);
    EXPECT_EQ(kart.best_lap_time, 0);
    EXPECT_EQ(kart.lap(1).lap_time, 6233);
    EXPECT_EQ(kart.lap(1).lap_time_text.str(), "01:02:33");
    EXPECT_EQ(kart.lap(1).lap_number, 7);
    EXPECT_EQ(kart.lap(1).rpm_max, 11850);
    EXPECT_EQ(kart.lap(1).rpm_min, 7420);
    EXPECT_EQ(kart.lap(2).lap_time_text.str(), "00:00:00");
}

TEST(SessionFileRead, MissingAndMalformedKeysTakeTheirDefaults) {
    const SessionRecord record = Read(
        "[ustawienia]\r\n"
        "nazwa_1 =  \"  Ann  \"  \r\n"
        "NAZWA_2=ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n"
        "RADIO_1=1\r\nRADIO_2=2\r\nRADIO_3=0x1\r\n"
        "SN_1=0x10\r\nSN_2=$ff\r\nSN_3=2147483648\r\nSN_4=12abc\r\nSN_5=2147483647\r\n"
        "LAPS_3_1=01:02:33\r\nLAPSINT_3_1=6233\r\n"
        "lapsint_3_3=4294967295\r\nLAPNR_3_3=-5\r\nMAX_OBR_3_3=\r\n"
        "LAPNR_1_1=7\r\nLAPNR_1_1=8\r\n");
    EXPECT_EQ(record.kart(1).driver_name.str(), "  Ann  ");  // quotes keep inner blanks
    EXPECT_EQ(record.kart(2).driver_name.str(), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(record.kart(3).driver_name.str(), "");  // default " " drops its blank
    EXPECT_TRUE(record.kart(1).radio);
    EXPECT_FALSE(record.kart(2).radio);
    EXPECT_FALSE(record.kart(3).radio);  // "0x1" is not a decimal number
    EXPECT_FALSE(record.kart(4).radio);
    EXPECT_EQ(record.kart(1).serial_number, 0);
    EXPECT_EQ(record.kart(2).serial_number, 0);
    EXPECT_EQ(record.kart(3).serial_number, 0);
    EXPECT_EQ(record.kart(4).serial_number, 0);
    EXPECT_EQ(record.kart(5).serial_number, 2147483647);
    EXPECT_EQ(record.kart(3).lap(1).lap_time, 6233);
    EXPECT_EQ(record.kart(3).lap(2).lap_time_text.str(), "--:--:--");
    EXPECT_EQ(record.kart(3).lap(2).lap_time, 0);
    EXPECT_EQ(record.kart(3).lap(3).lap_time, 0);
    EXPECT_EQ(record.kart(3).lap(3).lap_number, -5);
    EXPECT_EQ(record.kart(3).lap(3).rpm_max, 0);
    EXPECT_EQ(record.kart(1).lap(1).lap_number, 7);  // the first line of a key counts
}

TEST(SessionFileRead, KeysOutsideTheSectionAreNotRead) {
    const SessionRecord record =
        Read("RADIO_1=1\r\n[Other]\r\nSN_1=5\r\n[Ustawienia]\r\nSN_2=6\r\n");
    EXPECT_FALSE(record.kart(1).radio);
    EXPECT_EQ(record.kart(1).serial_number, 0);
    EXPECT_EQ(record.kart(2).serial_number, 6);
}

TEST(SessionFileRead, OnlyKeysSpelledAsWrittenCountWhateverTheirCase) {
    const SessionRecord record = Read(
        "[Ustawienia]\r\n"
        "LapsInt_2_10 = 4500\r\nlaps_2_10=00:45:00\r\nMin_Obr_5_9=77\r\n"
        "LAPNR_1_01=3\r\nLAPNR_1_0=4\r\nLAPNR_1_11=5\r\nLAPNR_1_1_=6\r\nLAPNR_1=7\r\n"
        "SN_6=9\r\nSN_01=9\r\nSN_1x=9\r\nSN_=9\r\nBEST_1=00:01:00\r\n"
        "LAPSINT_10_1=9\r\nLAPS_1_2=\"\"\r\n");
    EXPECT_EQ(record.kart(2).lap(10).lap_time, 4500);
    EXPECT_EQ(record.kart(2).lap(10).lap_time_text.str(), "00:45:00");
    EXPECT_EQ(record.kart(5).lap(9).rpm_min, 77);
    EXPECT_EQ(record.kart(1).lap(1).lap_number, 0);
    EXPECT_EQ(record.kart(1).lap(10).lap_number, 0);
    EXPECT_EQ(record.kart(1).serial_number, 0);
    EXPECT_EQ(record.kart(1).lap(1).lap_time, 0);
    EXPECT_EQ(record.kart(1).lap(2).lap_time_text.str(), "");  // present, quoted empty
    EXPECT_EQ(record.kart(1).lap(3).lap_time_text.str(), "--:--:--");
}

TEST(SessionFileRead, AKeyOutsideAsciiMatchesAsTheLookupsMatchIt) {
    // U+017F (long s) is an "s" regardless of case, so "\u017FN_1" names SN_1.
    const SessionRecord record =
        Read(QStringLiteral("[Ustawienia]\r\n\u017FN_1=42\r\n"
                            "SN_1=7\r\nRADIO_2=1\r\n\u00C9=x\r\n"));
    EXPECT_EQ(record.kart(1).serial_number, 42);  // the first spelling counts
    EXPECT_TRUE(record.kart(2).radio);
    EXPECT_EQ(record.kart(3).lap(1).lap_time_text.str(), "--:--:--");
}

TEST(SessionLabel, FollowsTheFiveSteps) {
    EXPECT_EQ(SessionLabel("2012_05_31_14_05.txt"), "2012-05-31 14:05");
    EXPECT_EQ(SessionLabel("notes.txt"), "");
    EXPECT_EQ(SessionLabel("2012_05_31_14_05"), "2012-05-31 14:");
    EXPECT_EQ(SessionLabel("2012_05_31.txt"), "2012-05-");
    EXPECT_EQ(SessionLabel("a_b_c_d_e_f.g.h"), "a-b-c d:e_f");
    EXPECT_EQ(SessionLabel("____."), "-- :");
    EXPECT_EQ(SessionLabel(""), "");
}

TEST(SessionPaths, DayFolderAndFileCarryTheDateAndMinute) {
    EXPECT_EQ(DayFolderPath("/p/", QDate(2012, 5, 31)), "/p/Sessions/2012_05_31");
    EXPECT_EQ(SessionFilePath("/p/", QDateTime(QDate(2012, 5, 31), QTime(14, 5, 59))),
              "/p/Sessions/2012_05_31/2012_05_31_14_05.txt");
    EXPECT_EQ(SessionFilePath("/p/", QDateTime(QDate(987, 1, 2), QTime(0, 0))),
              "/p/Sessions/0987_01_02/0987_01_02_00_00.txt");
}

TEST(LoadSessionFolder, ListsFilesInNameOrderWithTitlesOfEachVariant) {
    TempFolder folder;
    const QString day = folder.path() + "day";
    folder.Write("day/2012_05_31_15_40.txt", "[Ustawienia]\r\nNAZWA_1=Second\r\n");
    folder.Write("day/2012_05_31_09_12.txt", "[Ustawienia]\r\nNAZWA_1=First\r\n");
    folder.Write("day/notes", "RADIO_1=1\r\n");
    QDir().mkpath(day + "/subfolder.txt");

    SessionTable table;
    table.records[3].title = "kept";
    SessionFolderLoad load = LoadSessionFolder(day, table, SessionTitles::kToday);
    EXPECT_TRUE(load.error.isEmpty());
    ASSERT_EQ(table.count, 3);
    EXPECT_EQ(table.day_total, 3);
    EXPECT_EQ(table.records[0].title, "1 : 2012-05-31 09:12");
    EXPECT_EQ(table.records[0].kart(1).driver_name.str(), "First");
    EXPECT_EQ(table.records[1].title, "2 : 2012-05-31 15:40");
    EXPECT_EQ(table.records[2].title, "3 : ");  // any other file loads with defaults
    EXPECT_FALSE(table.records[2].kart(1).radio);
    EXPECT_EQ(table.records[2].kart(1).lap(1).lap_time_text.str(), "--:--:--");
    EXPECT_EQ(table.records[3].title, "kept");

    load = LoadSessionFolder(day, table, SessionTitles::kHistory);
    EXPECT_EQ(load.file_names,
              QStringList({"2012_05_31_09_12.txt", "2012_05_31_15_40.txt", "notes"}));
    EXPECT_EQ(table.records[1].title, "2012_05_31_15_40.txt");

    load = LoadSessionFolder(folder.path() + "missing", table, SessionTitles::kToday);
    EXPECT_EQ(table.count, 0);
    EXPECT_TRUE(load.error.isEmpty());
}

TEST(LoadSessionFolder, KeepsTheHundredMostRecentAndCountsEveryFile) {
    TempFolder folder;
    for (int i = 0; i < 150; ++i) {
        folder.Write(QStringLiteral("day/2012_05_31_%1_%2.txt")
                         .arg(i / 60 + 10)
                         .arg(i % 60, 2, 10, QLatin1Char('0')),
                     QStringLiteral("[Ustawienia]\r\nLAPNR_1_1=%1\r\n").arg(i).toUtf8());
    }
    SessionTable table;
    const SessionFolderLoad load =
        LoadSessionFolder(folder.path() + "day", table, SessionTitles::kToday);
    EXPECT_EQ(table.count, 100);
    EXPECT_EQ(table.day_total, 150);
    EXPECT_EQ(load.file_names.size(), 100);
    EXPECT_EQ(table.NextSessionNumber(), 151);
    EXPECT_EQ(table.records[0].title, "51 : 2012-05-31 10:50");
    EXPECT_EQ(table.records[0].kart(1).lap(1).lap_number, 50);
    EXPECT_EQ(table.records[99].title, "150 : 2012-05-31 12:29");
    EXPECT_EQ(table.records[99].kart(1).lap(1).lap_number, 149);
}

TEST(LoadSessionFolder, SurvivesFilesThatAreNotSessionFiles) {
    TempFolder folder;
    QByteArray binary;
    for (int i = 0; i < 4096; ++i) {
        binary.append(char(i * 37));
    }
    folder.Write("day/a_empty.txt", "");
    folder.Write("day/b_binary.bin", binary);
    folder.Write("day/c_cut.txt", "[Ustawienia]\r\nNAZWA_1=Ann\r\nSN_1=12");
    folder.Write("day/d_latin2.txt", QByteArray("[Ustawienia]\r\nNAZWA_1=\xA3\xF3\x64\x9F\r\n"));
    // 50 MB: read only as far as a session file can reach.
    QByteArray huge = "[Ustawienia]\r\nNAZWA_1=Huge\r\n";
    huge.append(QByteArray(50 * 1024 * 1024, 'x'));
    huge.append("\r\nRADIO_1=1\r\n");
    folder.Write("day/e_huge.txt", huge);

    SessionTable table;
    const SessionFolderLoad load =
        LoadSessionFolder(folder.path() + "day", table, SessionTitles::kHistory);
    EXPECT_TRUE(load.error.isEmpty());
    ASSERT_EQ(table.count, 5);
    EXPECT_EQ(table.records[2].kart(1).driver_name.str(), "Ann");
    EXPECT_EQ(table.records[2].kart(1).serial_number, 12);
    EXPECT_EQ(table.records[3].kart(1).driver_name.str(), "Łódź");
    EXPECT_EQ(table.records[4].kart(1).driver_name.str(), "Huge");
    EXPECT_FALSE(table.records[4].kart(1).radio);
}

TEST(LoadSessionFolder, DayFolderThatIsAFileIsReported) {
    TempFolder folder;
    folder.Write("day", "not a folder");
    SessionTable table;
    const SessionFolderLoad load =
        LoadSessionFolder(folder.path() + "day", table, SessionTitles::kToday);
    EXPECT_EQ(table.count, 0);
    EXPECT_TRUE(load.error.contains(folder.path() + "day")) << load.error.toStdString();
}

TEST(ReadSessionFile, ReadsUpTo256KiBAndCutsALongerFileAfterItsLastWholeLine) {
    // Exactly at the limit the last line counts even without its line end; one byte
    // more and the reader keeps only the lines that end within the limit.
    QByteArray at_limit = "[Ustawienia]\r\nNAZWA_1=Ann\r\n;";
    const QByteArray last_line = "\r\nRADIO_1=1";
    at_limit.append(QByteArray(kMaxSessionFileBytes - at_limit.size() - last_line.size(), 'x'));
    at_limit.append(last_line);
    ASSERT_EQ(at_limit.size(), kMaxSessionFileBytes);
    const QByteArray over_limit = at_limit + "\n";

    SessionRecord whole;
    ReadSessionFile(at_limit, &whole);
    EXPECT_EQ(whole.kart(1).driver_name.str(), "Ann");
    EXPECT_TRUE(whole.kart(1).radio);
    SessionRecord cut;
    ReadSessionFile(over_limit, &cut);
    EXPECT_EQ(cut.kart(1).driver_name.str(), "Ann");
    EXPECT_FALSE(cut.kart(1).radio);

    // The folder loader reads files from disk by the same rule.
    TempFolder folder;
    folder.Write("day/a.txt", at_limit);
    folder.Write("day/b.txt", over_limit);
    SessionTable table;
    LoadSessionFolder(folder.path() + "day", table, SessionTitles::kHistory);
    ASSERT_EQ(table.count, 2);
    EXPECT_TRUE(table.records[0].kart(1).radio);
    EXPECT_FALSE(table.records[1].kart(1).radio);
    EXPECT_EQ(table.records[1].kart(1).driver_name.str(), "Ann");
}

TEST(LoadSessionFiles, ReadsOnlyTheFilesItKeepsFromTheListing) {
    QStringList names;
    for (int i = 0; i < 102; ++i) {
        names.append(QStringLiteral("2012_05_31_10_%1.txt").arg(i, 3, 10, QLatin1Char('0')));
    }
    QStringList read;
    const auto read_file = [&](const QString& name) {
        read.append(name);
        // Windows-1250 bytes, as older installations wrote them.
        return QByteArray("[Ustawienia]\r\nNAZWA_1=\xA3\xF3\x64\x9F ") + name.right(7).toLatin1();
    };
    SessionTable table;
    const SessionFolderLoad load = LoadSessionFiles(names, read_file, table, SessionTitles::kToday);
    EXPECT_EQ(read, names.mid(2));
    EXPECT_EQ(load.file_names, names.mid(2));
    EXPECT_EQ(load.day_total, 102);
    EXPECT_EQ(table.count, 100);
    EXPECT_EQ(table.records[0].title, "3 : 2012-05-31 10:002");
    EXPECT_EQ(table.records[0].kart(1).driver_name.str(), "Łódź 002.txt");
    EXPECT_EQ(table.records[99].kart(1).driver_name.str(), "Łódź 101.txt");
}
