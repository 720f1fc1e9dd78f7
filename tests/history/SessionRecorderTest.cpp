#include <gtest/gtest.h>

#include <QFileInfo>

#include <sys/resource.h>

#include <QDir>
#include <csignal>

#include "DiskFull.h"
#include "FakeClock.h"
#include "SessionFile.h"
#include "SessionRecorder.h"
#include "Station.h"
#include "TempFolder.h"

namespace {

QDateTime At(int year, int month, int day, int hour, int minute, int second = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}

QStringList DayFiles(const TempFolder& folder, const QString& day) {
    return QDir(folder.path() + "Sessions/" + day)
        .entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

class SessionRecorderTest : public ::testing::Test {
  protected:
    SessionRecorderTest() : station_(clock_, folder_.path()) {
        station_.slot(1).driver_name = QStringLiteral("Ann");
        station_.slot(1).lap(1).lap_time = 6233;
        station_.slot(1).best_lap_time = 6233;
    }

    bool Write() {
        error_.clear();
        return WriteSessionFile(station_, &error_);
    }

    TempFolder folder_;
    FakeClock clock_;
    Station station_;
    QString error_;
};

// The five lines of lap entry j of slot n that holds no lap.
QStringList EmptyEntry(int n, int j) {
    const QString key = QStringLiteral("%1_%2=").arg(n).arg(j);
    return {"LAPS_" + key + "00:00:00", "LAPNR_" + key + "0", "MAX_OBR_" + key + "0",
            "MIN_OBR_" + key + "0", "LAPSINT_" + key + "0"};
}

// The block of a slot without laps.
QStringList EmptySlot(int n, const QString& name, int radio, const QString& serial) {
    QStringList lines = {
        QStringLiteral("NAZWA_%1=").arg(n) + name, QStringLiteral("RADIO_%1=%2").arg(n).arg(radio),
        QStringLiteral("SN_%1=").arg(n) + serial, QStringLiteral("BEST_%1=00:00:00").arg(n)};
    for (int j = 1; j <= 10; ++j) {
        lines << EmptyEntry(n, j);
    }
    return lines;
}

void ExpectLines(const QByteArray& bytes, const QStringList& expected) {
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_FALSE(bytes.contains("\r\n\r\n"));
    QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
    lines.removeLast();  // after the last line end
    ASSERT_EQ(lines.size(), expected.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].toStdString(), expected[i].toStdString()) << "line " << i + 1;
    }
}

}  // namespace

TEST_F(SessionRecorderTest, WritesTheFileOfItsMinuteCreatingTheFoldersAndReloadsTheDay) {
    KartSlot& ann = station_.slot(1);
    ann.radio = true;
    ann.serial_number = 1001;
    ann.best_lap_time = 5999;
    ann.lap(1) = {5999, {}, 4, 12100, 5300};
    ann.lap(2) = {6000, {}, 2, 12050, 5310};
    ann.lap(3) = {600000, {}, 9, 9000, -1};  // 100 minutes: three minute digits
    station_.slot(2).driver_name = QStringLiteral("Bob");
    station_.slot(3).driver_name = QStringLiteral("\u0141ukasz");
    station_.slot(3).radio = true;
    station_.slot(3).serial_number = 0xFFFFFF;
    // An empty entry (time 0) is written as zeros whatever else it still holds.
    station_.slot(2).lap(1) = {0, {}, 7, 11000, 4000};
    station_.slot(1).lap(4) = {0, {}, 3, 10500, 4100};

    clock_.SetLocalDateTime(At(2012, 5, 31, 14, 5, 42));
    ASSERT_TRUE(Write()) << error_.toStdString();
    EXPECT_EQ(DayFiles(folder_, "2012_05_31"), QStringList{"2012_05_31_14_05.txt"});

    QStringList expected = {
        "[Ustawienia]",      "NAZWA_1=Ann",       "RADIO_1=1",         "SN_1=1001",
        "BEST_1=00:59:99",   "LAPS_1_1=00:59:99", "LAPNR_1_1=4",       "MAX_OBR_1_1=12100",
        "MIN_OBR_1_1=5300",  "LAPSINT_1_1=5999",  "LAPS_1_2=01:00:00", "LAPNR_1_2=2",
        "MAX_OBR_1_2=12050", "MIN_OBR_1_2=5310",  "LAPSINT_1_2=6000",  "LAPS_1_3=100:00:00",
        "LAPNR_1_3=9",       "MAX_OBR_1_3=9000",  "MIN_OBR_1_3=-1",    "LAPSINT_1_3=600000"};
    for (int j = 4; j <= 10; ++j) {
        expected << EmptyEntry(1, j);
    }
    expected << EmptySlot(2, "Bob", 0, "0") << EmptySlot(3, "\u0141ukasz", 1, "16777215")
             << EmptySlot(4, "", 0, "0") << EmptySlot(5, "", 0, "0");
    ASSERT_EQ(expected.size(), 271);
    ExpectLines(folder_.Read("Sessions/2012_05_31/2012_05_31_14_05.txt"), expected);

    EXPECT_EQ(station_.sessions.count, 1);
    EXPECT_EQ(station_.sessions.records[0].title, "1 : 2012-05-31 14:05");
    EXPECT_EQ(station_.sessions.records[0].kart(1).lap(1).lap_time, 5999);

    clock_.SetLocalDateTime(At(2012, 5, 31, 15, 40));
    ASSERT_TRUE(Write());
    EXPECT_EQ(station_.sessions.count, 2);
    EXPECT_EQ(station_.sessions.records[1].title, "2 : 2012-05-31 15:40");
}

TEST_F(SessionRecorderTest, ASessionWithLapsOnlyInSlotFiveWritesThemThere) {
    station_.slot(1) = KartSlot();
    station_.slot(1).driver_name = QStringLiteral("Ann");
    KartSlot& eve = station_.slot(5);
    eve.driver_name = QStringLiteral("Eve");
    eve.best_lap_time = 4321;
    eve.lap(1) = {4321, {}, 1, 0, 0};
    clock_.SetLocalDateTime(At(2012, 5, 31, 9, 0));
    ASSERT_TRUE(Write()) << error_.toStdString();

    QStringList expected = {"[Ustawienia]"};
    expected << EmptySlot(1, "Ann", 0, "0") << EmptySlot(2, "", 0, "0") << EmptySlot(3, "", 0, "0")
             << EmptySlot(4, "", 0, "0");
    expected << "NAZWA_5=Eve"
             << "RADIO_5=0"
             << "SN_5=0"
             << "BEST_5=00:43:21"
             << "LAPS_5_1=00:43:21"
             << "LAPNR_5_1=1"
             << "MAX_OBR_5_1=0"
             << "MIN_OBR_5_1=0"
             << "LAPSINT_5_1=4321";
    for (int j = 2; j <= 10; ++j) {
        expected << EmptyEntry(5, j);
    }
    ExpectLines(folder_.Read("Sessions/2012_05_31/2012_05_31_09_00.txt"), expected);
    ASSERT_EQ(station_.sessions.count, 1);
    EXPECT_EQ(station_.sessions.records[0].kart(5).lap(1).lap_time, 4321);
    EXPECT_EQ(station_.sessions.records[0].kart(5).lap(1).lap_time_text.str(), "00:43:21");
    EXPECT_EQ(station_.sessions.records[0].kart(1).lap(1).lap_time, 0);
}

// A session never replaces another: the second of a minute takes the next free
// minute's name (a lap log of that name counts as taken too).
TEST_F(SessionRecorderTest, TwoSessionsInOneMinuteAreBothKept) {
    clock_.SetLocalDateTime(At(2012, 5, 31, 14, 5, 1));
    ASSERT_TRUE(Write());
    folder_.Write("Sessions/2012_05_31/laps/2012_05_31_14_06.csv", "an orphan lap log");
    station_.slot(1).driver_name = QStringLiteral("Bob");
    clock_.SetLocalDateTime(At(2012, 5, 31, 14, 5, 59));
    QString written;
    ASSERT_TRUE(WriteSessionFile(station_, &error_, &written));
    EXPECT_EQ(QFileInfo(written).fileName(), "2012_05_31_14_07.txt");
    EXPECT_EQ(DayFiles(folder_, "2012_05_31"),
              (QStringList{"2012_05_31_14_05.txt", "2012_05_31_14_07.txt"}));
    ASSERT_EQ(station_.sessions.count, 2);
    EXPECT_EQ(station_.sessions.records[0].kart(1).driver_name.str(), "Ann");
    EXPECT_EQ(station_.sessions.records[1].kart(1).driver_name.str(), "Bob");
}

TEST_F(SessionRecorderTest, SessionEndingAfterMidnightIsFiledUnderItsLastDay) {
    clock_.SetLocalDateTime(At(2012, 5, 31, 23, 10));
    ASSERT_TRUE(Write());
    clock_.SetLocalDateTime(At(2012, 6, 1, 0, 0, 30));
    ASSERT_TRUE(Write());
    EXPECT_EQ(DayFiles(folder_, "2012_06_01"), QStringList{"2012_06_01_00_00.txt"});
    EXPECT_EQ(DayFiles(folder_, "2012_05_31").size(), 1);
    // The list is the new day's.
    EXPECT_EQ(station_.sessions.count, 1);
    EXPECT_EQ(station_.sessions.records[0].title, "1 : 2012-06-01 00:00");
}

TEST_F(SessionRecorderTest, FailedWriteKeepsTheEarlierFileAndLeavesNoPartialOne) {
    clock_.SetLocalDateTime(At(2012, 5, 31, 14, 5));
    ASSERT_TRUE(Write());
    const QByteArray earlier = folder_.Read("Sessions/2012_05_31/2012_05_31_14_05.txt");
    const SessionTable list_before = station_.sessions;

    station_.slot(1).driver_name = QStringLiteral("Bob");
    {
        DiskFull disk_full(1000);  // a session file is several kilobytes
        EXPECT_FALSE(Write());
    }
    // The earlier session keeps its name; the new one was to take the next minute's.
    EXPECT_TRUE(error_.contains("2012_05_31_14_06.txt")) << error_.toStdString();
    EXPECT_EQ(folder_.Read("Sessions/2012_05_31/2012_05_31_14_05.txt"), earlier);
    EXPECT_EQ(DayFiles(folder_, "2012_05_31"), QStringList{"2012_05_31_14_05.txt"});
    EXPECT_EQ(station_.slot(1).driver_name.str(), "Bob");
    EXPECT_EQ(station_.sessions.count, list_before.count);
    EXPECT_EQ(station_.sessions.records[0].kart(1).driver_name.str(), "Ann");
}

TEST_F(SessionRecorderTest, UnwritablePlacesAreReportedWithTheirPath) {
    clock_.SetLocalDateTime(At(2012, 5, 31, 14, 5));
    // Sessions itself a file.
    TempFolder other;
    other.Write("Sessions", "x");
    Station station(clock_, other.path());
    station.slot(1).lap(1).lap_time = 100;
    QString error;
    EXPECT_FALSE(WriteSessionFile(station, &error));
    EXPECT_TRUE(error.contains(other.path() + "Sessions/2012_05_31")) << error.toStdString();
    EXPECT_EQ(other.Read("Sessions"), "x");
    EXPECT_FALSE(LoadTodaysSessions(station).isEmpty());
}

TEST_F(SessionRecorderTest, LoadTodaysSessionsReadsTheClocksDay) {
    folder_.Write("Sessions/2012_05_30/2012_05_30_10_00.txt", "");
    folder_.Write("Sessions/2012_05_31/2012_05_31_09_12.txt", "");
    folder_.Write("Sessions/2012_05_31/2012_05_31_11_00.txt", "");
    clock_.SetLocalDateTime(At(2012, 5, 31, 12, 0));
    EXPECT_TRUE(LoadTodaysSessions(station_).isEmpty());
    EXPECT_EQ(station_.sessions.count, 2);
    EXPECT_EQ(station_.sessions.NextSessionNumber(), 3);
    clock_.SetLocalDateTime(At(2012, 6, 2, 12, 0));
    LoadTodaysSessions(station_);
    EXPECT_EQ(station_.sessions.count, 0);
    EXPECT_EQ(station_.sessions.NextSessionNumber(), 1);
}

TEST_F(SessionRecorderTest, AHundredAndFirstSessionOfTheDayIsWrittenAndListedLast) {
    // How long this takes is measured by bench/history_bench.cpp, not here.
    const QByteArray text = SessionFileText(station_).toUtf8();
    for (int minute = 0; minute < 99; ++minute) {
        folder_.Write(QStringLiteral("Sessions/2012_05_31/2012_05_31_%1_%2.txt")
                          .arg(8 + minute / 60, 2, 10, QLatin1Char('0'))
                          .arg(minute % 60, 2, 10, QLatin1Char('0')),
                      text);
    }
    clock_.SetLocalDateTime(At(2012, 5, 31, 9, 39));
    ASSERT_TRUE(Write());  // the write and the reload of the 100 files it ends with
    ASSERT_EQ(station_.sessions.count, 100);
    EXPECT_EQ(station_.sessions.records[99].title, "100 : 2012-05-31 09:39");
}
