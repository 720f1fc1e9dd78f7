// A driver's standing in the records for the timesheet, from a real index, and the
// board the live timing shows. What the sheet prints of it: tests/reports.
#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThreadPool>

#include "DriverStandings.h"
#include "RecordsFolder.h"
#include "RecordsIndex.h"
#include "SessionTimesheet.h"

namespace {

const QDateTime kToday{QDate(2026, 6, 18), QTime(15, 0)};

// Anna drove 31.00 on the 2nd; this morning Bartek drove 30.00 and Cezary 32.00;
// Dora holds the month with 29.00 on the 5th.
void WriteEarlierSessions(const TempFolder& folder) {
    const QDateTime second(QDate(2026, 6, 2), QTime(10, 0));
    const std::vector<TestKart> anna = {{QStringLiteral("Anna"), {3300, 3100}}};
    WriteTestLapLog(WriteTestSession(folder, second, anna), second, anna);
    WriteTestSession(folder, QDateTime(QDate(2026, 6, 5), QTime(10, 0)),
                     {{QStringLiteral("Dora"), {2900}}});
    const QDateTime morning = kToday.addSecs(-4 * 3600);
    const std::vector<TestKart> two = {{QStringLiteral("Bartek"), {3000}},
                                       {QStringLiteral("Cezary"), {3200}}};
    WriteTestLapLog(WriteTestSession(folder, morning, two), morning, two);
}

// The session that just ended: Anna beats her 31.00 with 30.50 on lap 2; Ela's
// first visit.
QString WriteThisSession(const TempFolder& folder) {
    const std::vector<TestKart> karts = {{QStringLiteral(" anna "), {3150, 3050, 3120}},
                                         {QStringLiteral("Ela"), {3400}}};
    const QString path = WriteTestSession(folder, kToday, karts);
    WriteTestLapLog(path, kToday, karts);
    return path;
}

}  // namespace

TEST(RecordStandings, BoardAndBestBeforeTheSessionAndRanksWithItsLapsCountedOnce) {
    TempFolder folder;
    WriteEarlierSessions(folder);
    {
        // What the live board gets after an update, merged names under each key.
        RecordsIndex index(folder.path());
        ASSERT_TRUE(index.Update().error.isEmpty());
        ASSERT_TRUE(index.Merge(QStringLiteral("cezary"), QStringLiteral("anna")));
        const RecordsBoard board = index.Board(kToday.date());
        EXPECT_EQ(board.day_best.name, QStringLiteral("Bartek"));
        EXPECT_EQ(board.day_best.best_lap, 3000);
        EXPECT_EQ(board.month_best.name, QStringLiteral("Dora"));
        EXPECT_EQ(board.driver_bests.value(QStringLiteral("cezary")), 3100);  // Anna's
        EXPECT_EQ(board.driver_bests.value(QStringLiteral("dora")), 2900);
        ASSERT_TRUE(index.Unmerge(QStringLiteral("cezary")));
    }
    // Not indexed yet, as when END SESSION prints before the updater gets to it;
    // then indexed: the session's laps count once either way.
    const QString session = WriteThisSession(folder);
    Timesheet plain;
    QString error;
    ASSERT_TRUE(LoadSessionFileTimesheet(session, QString(), &plain, &error));
    const auto standings = RecordStandingsOf(folder.path(), session, plain, kToday.date());
    ASSERT_EQ(standings.size(), 2u);
    EXPECT_TRUE(standings[0].known);
    EXPECT_EQ(standings[0].best_before, 3100);  // not this session's own 30.50
    EXPECT_EQ(standings[0].day_rank, 2);        // Bartek 30.00, Anna 30.50, Cezary, Ela
    EXPECT_EQ(standings[0].day_drivers, 4);
    EXPECT_EQ(standings[0].month_rank, 3);  // Dora 29.00 first
    EXPECT_EQ(standings[0].month_drivers, 5);
    EXPECT_EQ(standings[1].best_before, 0);  // first visit: nothing to beat
    EXPECT_EQ(standings[1].day_rank, 4);
    ASSERT_TRUE(RecordsIndex(folder.path()).AddSessionFile(session).error.isEmpty());
    const auto indexed = RecordStandingsOf(folder.path(), session, plain, kToday.date());
    EXPECT_EQ(indexed[0].best_before, 3100);
    EXPECT_EQ(indexed[0].day_rank, 2);
    EXPECT_EQ(indexed[0].month_drivers, 5);
}

TEST(RecordStandings, SheetGoesWithoutThemWhileTheIndexIsRebuiltOrLocked) {
    TempFolder folder;
    WriteEarlierSessions(folder);
    const QString session = WriteThisSession(folder);
    // An index made but never brought up to date holds a part of the laps at most:
    // Anna's 30.50 would pass for a personal best.
    Timesheet sheet;
    QString error;
    ASSERT_TRUE(LoadSessionFileTimesheet(session, QString(), &sheet, &error));
    EXPECT_FALSE(RecordStandingsOf(folder.path(), session, sheet, kToday.date()).at(0).known);
    {
        RecordsIndex index(folder.path());
        ASSERT_TRUE(index.Update().error.isEmpty());
        EXPECT_TRUE(index.IsFilled());
    }
    // Another station holds the write lock: the sheet is not held up past its wait.
    QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "other-station");
    other.setDatabaseName(RecordsIndex::PathIn(folder.path()));
    ASSERT_TRUE(other.open());
    ASSERT_TRUE(QSqlQuery(other).exec(QStringLiteral("BEGIN EXCLUSIVE")));
    AddRecordStandings(folder.path(), session, kToday.date(), &sheet, 100);
    EXPECT_FALSE(sheet.drivers[0].standing.known);
    ASSERT_TRUE(QSqlQuery(other).exec(QStringLiteral("COMMIT")));
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("other-station"));
    QThreadPool::globalInstance()->waitForDone();
    // Once free, the same call answers.
    AddRecordStandings(folder.path(), session, kToday.date(), &sheet, 5000);
    EXPECT_TRUE(sheet.drivers[0].standing.known);
}

TEST(RecordStandings, AClockSetBackADayClaimsNoPersonalBestItDidNotBeat) {
    // Anna drove 30.00 at 14:00 on the 18th. Next day the clock says the 18th again
    // and she drives 30.50 "at 10:00", before her 30.00 by the clock alone.
    TempFolder folder;
    WriteEarlierSessions(folder);
    const QDateTime afternoon = kToday.addSecs(-3600);
    const std::vector<TestKart> anna = {{QStringLiteral("Anna"), {3000}}};
    WriteTestLapLog(WriteTestSession(folder, afternoon, anna), afternoon, anna);
    ASSERT_TRUE(RecordsIndex(folder.path()).Update().error.isEmpty());
    const QDateTime set_back = kToday.addSecs(-5 * 3600);
    const std::vector<TestKart> again = {{QStringLiteral("Anna"), {3050}}};
    const QString session = WriteTestSession(folder, set_back, again);
    WriteTestLapLog(session, set_back, again);
    Timesheet sheet;
    QString error;
    ASSERT_TRUE(LoadSessionFileTimesheet(session, QString(), &sheet, &error));
    // At END SESSION, before and after the index takes the session.
    EXPECT_EQ(RecordStandingsOf(folder.path(), session, sheet, kToday.date()).at(0).best_before,
              3000);
    ASSERT_TRUE(RecordsIndex(folder.path()).AddSessionFile(session).error.isEmpty());
    EXPECT_EQ(RecordStandingsOf(folder.path(), session, sheet, kToday.date()).at(0).best_before,
              3000);
    // An older session's sheet still counts only the laps driven before it.
    const QString earlier =
        SessionFilePath(folder.path(), QDateTime(QDate(2026, 6, 2), QTime(10, 0)));
    ASSERT_TRUE(LoadSessionFileTimesheet(earlier, QString(), &sheet, &error));
    EXPECT_EQ(RecordStandingsOf(folder.path(), earlier, sheet, kToday.date()).at(0).best_before, 0);
}
