#include <gtest/gtest.h>

#include <QDir>
#include <QTest>

#include "CsvDialect.h"
#include "RecordsCommand.h"
#include "RecordsFolder.h"
#include "RecordsUpdater.h"

namespace {

void WriteCommandSessions(const TempFolder& folder) {
    const QDateTime june{QDate(2026, 6, 3), QTime(10, 30)};
    WriteTestSession(folder, june,
                     {{QStringLiteral("Zofia; Kraś"), {6233, 6400}},
                      {QStringLiteral("Adam"), {100 * 60 * 100}}});
    WriteTestSession(folder, june.addDays(-40), {{QStringLiteral("Adam"), {5999}}});
}

}  // namespace

TEST(RecordsCommand, PrintsRankNameLapAndDateAsTextOrCsv) {
    TempFolder folder;
    WriteCommandSessions(folder);
    const QDate today(2026, 6, 3);
    const RecordsCommandResult month =
        RunRecordsCommand({QStringLiteral("month")}, folder.path(), today);
    EXPECT_EQ(month.status, 0);
    EXPECT_TRUE(month.error.isEmpty()) << month.error.toStdString();
    EXPECT_EQ(month.output, QStringLiteral("  1  Zofia; Kraś            01:02:33  2026-06-03\n"
                                           "  2  Adam                  100:00:00  2026-06-03\n"));
    TempFolder elsewhere;
    const RecordsCommandResult all =
        RunRecordsCommand({QStringLiteral("all"), QStringLiteral("--top"), QStringLiteral("1"),
                           QStringLiteral("--folder"), folder.path(), QStringLiteral("--csv")},
                          elsewhere.path(), today);
    EXPECT_EQ(all.status, 0);
    const QString sep(QLatin1Char(csv::StationExportFormat().separator));
    EXPECT_EQ(all.output, QStringList({QStringLiteral("rank"), QStringLiteral("name"),
                                       QStringLiteral("best_lap"), QStringLiteral("date\r\n1"),
                                       QStringLiteral("Adam"), QStringLiteral("00:59:99"),
                                       QStringLiteral("2026-04-24\r\n")})
                              .join(sep));
    for (const QStringList& wrong :
         {QStringList{QStringLiteral("days")}, QStringList{},
          QStringList{QStringLiteral("day"), QStringLiteral("--top"), QStringLiteral("0")},
          QStringList{QStringLiteral("day"), QStringLiteral("--folder")}}) {
        const RecordsCommandResult result = RunRecordsCommand(wrong, folder.path(), today);
        EXPECT_EQ(result.status, 2) << wrong.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(result.output.isEmpty());
    }
    EXPECT_EQ(RunRecordsCommand({QStringLiteral("day")}, elsewhere.path(), today).status, 2);
}

TEST(RecordsCommand, UpdaterRunsOffThreadAndTakesASessionEndedMeanwhile) {
    TempFolder folder;
    WriteCommandSessions(folder);
    RecordsUpdater updater(folder.path());
    std::vector<IndexUpdate> updates;
    QObject::connect(&updater, &RecordsUpdater::Updated,
                     [&](const IndexUpdate& update) { updates.push_back(update); });
    updater.Request();
    EXPECT_TRUE(updater.busy());
    // A session ends while the start-up update runs.
    const QString ended = WriteTestSession(folder, QDateTime(QDate(2026, 6, 4), QTime(9, 0)),
                                           {{QStringLiteral("Adam"), {5000}}});
    updater.Request(ended);
    ASSERT_TRUE(QTest::qWaitFor([&] { return updates.size() == 2 && !updater.busy(); }, 20000));
    EXPECT_TRUE(updates.at(1).error.isEmpty()) << updates.at(1).error.toStdString();
    // Read once, by whichever update saw it first.
    EXPECT_EQ(updates.at(0).files_read + updates.at(1).files_read, 3);
    RecordsIndex index(folder.path());
    EXPECT_EQ(index.Top(RecordPeriod::kAll, QDate(2026, 6, 4), 1).at(0).best_lap, 5000);
}

TEST(RecordsCommand, DamageInsideTheIndexIsBuiltAgainAndARelativeFolderIsTheSameFolder) {
    TempFolder folder;
    WriteCommandSessions(folder);
    const QDate today(2026, 6, 3);
    ASSERT_EQ(RunRecordsCommand({QStringLiteral("day")}, folder.path(), today).status, 0);
    // The header stays whole and every other page reads: only a statement that
    // reads the damaged pages finds the damage, a new lap's write (Ewa's session)
    // or the day's table.
    WriteTestSession(folder, QDateTime(today, QTime(12, 0)), {{QStringLiteral("Ewa"), {5000}}});
    for (const QString& table : {QStringLiteral("laps_driver"), QStringLiteral("day_best")}) {
        GarbleBtree(RecordsIndex::PathIn(folder.path()), table);
        const RecordsCommandResult day =
            RunRecordsCommand({QStringLiteral("day")}, folder.path(), today);
        EXPECT_EQ(day.status, 0) << table.toStdString();
        EXPECT_TRUE(day.error.isEmpty()) << day.error.toStdString();
        EXPECT_TRUE(day.output.startsWith(QStringLiteral("  1  Ewa"))) << day.output.toStdString();
    }
    // Named from its parent: the files keep their names in the index, nothing is
    // read again.
    const QString working = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.path() + QStringLiteral("..")));
    const IndexUpdate relative =
        RecordsIndex(QDir(folder.path()).dirName() + QStringLiteral("/")).Update();
    QDir::setCurrent(working);
    EXPECT_TRUE(relative.error.isEmpty()) << relative.error.toStdString();
    EXPECT_EQ(relative.files_read, 0);
}
