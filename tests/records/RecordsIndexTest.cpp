#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <random>
#include <thread>

#include "DiskFull.h"
#include "IndexedSession.h"
#include "RecordsFolder.h"
#include "RecordsIndex.h"
#include "RecordsMerges.h"

namespace {

const QDateTime kRecordsDay{QDate(2026, 5, 12), QTime(14, 5)};

// Two sessions on 12 May: Anna's lap log holds a deleted 58.00 s lap; Bartek's
// older session has no lap log, so only its ten fastest (of twelve) count.
void WriteRecordsDay(const TempFolder& folder) {
    const std::vector<TestKart> first = {{QStringLiteral("Anna Nowak"), {6300, 5800, 6100}},
                                         {QStringLiteral("Bartek"), {6500, 6400}}};
    const QString path = WriteTestSession(folder, kRecordsDay, first);
    WriteTestLapLog(path, kRecordsDay, first, 1, 2);
    std::vector<qint32> twelve;
    for (int i = 0; i < 12; ++i) {
        twelve.push_back(7000 - 10 * i);
    }
    WriteTestSession(
        folder, kRecordsDay.addSecs(3600),
        {{QStringLiteral(" anna  NOWAK"), {6200}}, {QStringLiteral("Bartek"), twelve}});
}

QStringList TopLines(RecordsIndex& index, RecordPeriod period, const QDate& today) {
    QStringList lines;
    for (const RecordRow& row : index.Top(period, today, 0)) {
        lines << QStringLiteral("%1 %2 %3 %4 slot %5")
                     .arg(row.rank)
                     .arg(row.name)
                     .arg(row.best_lap)
                     .arg(row.at.toString(QStringLiteral("yyyy-MM-dd HH:mm")))
                     .arg(row.slot);
    }
    return lines;
}

}  // namespace

TEST(RecordsIndex, IndexesEveryStandingLapAndTheTenFastestOfOlderSessions) {
    TempFolder folder;
    WriteRecordsDay(folder);
    RecordsIndex index(folder.path());
    const IndexUpdate update = index.Update();
    EXPECT_TRUE(update.error.isEmpty()) << update.error.toStdString();
    EXPECT_EQ(update.files_read, 2);
    // Anna's 58.00 was deleted; her 61.00 was driven at 14:04 (the log's own time).
    EXPECT_EQ(TopLines(index, RecordPeriod::kDay, kRecordsDay.date()),
              (QStringList{QStringLiteral("1 Anna Nowak 6100 2026-05-12 14:04 slot 1"),
                           QStringLiteral("2 Bartek 6400 2026-05-12 14:04 slot 2")}));
    const auto anna = index.Driver(QStringLiteral("anna nowak"));
    ASSERT_TRUE(anna.has_value());
    EXPECT_EQ(anna->sessions, 2);
    EXPECT_EQ(anna->laps, 3);  // two standing in the log, one from the older file
    const auto bartek = index.Driver(QStringLiteral("bartek"));
    ASSERT_TRUE(bartek.has_value());
    EXPECT_EQ(bartek->laps, 2 + 10);
    EXPECT_EQ(bartek->month_bests.size(), 1u);
    EXPECT_TRUE(index.Top(RecordPeriod::kDay, kRecordsDay.date().addDays(1), 0).empty());
    EXPECT_EQ(index.Top(RecordPeriod::kWeek, kRecordsDay.date().addDays(1), 0).size(), 2u);
    EXPECT_EQ(index.BestBefore(QStringLiteral("anna nowak"), kRecordsDay.addSecs(3000)), 6100);
    EXPECT_EQ(index.RankOf(QStringLiteral("bartek"), RecordPeriod::kMonth, kRecordsDay.date()), 2);

    // Up to date: nothing read again.
    EXPECT_EQ(index.Update().files_read, 0);
}

TEST(RecordsIndex, NoticesEditedDeletedAndCopiedInFilesWhateverTheirDates) {
    TempFolder folder;
    WriteRecordsDay(folder);
    {
        RecordsIndex index(folder.path());
        ASSERT_TRUE(index.Update().error.isEmpty());
    }
    // Edited by hand: Bartek's old session now holds a 50.00 s lap.
    WriteTestSession(folder, kRecordsDay.addSecs(3600), {{QStringLiteral("Bartek"), {5000}}});
    // Another station's folder copied in, with a day before everything indexed
    // (as a clock set back a day writes it) and an older modification time.
    TempFolder other;
    const QString copied =
        WriteTestSession(other, kRecordsDay.addDays(-1), {{QStringLiteral("Cezary"), {5900}}});
    {
        QFile old(copied);
        ASSERT_TRUE(old.open(QIODevice::ReadWrite));
        ASSERT_TRUE(old.setFileTime(QDateTime(QDate(2020, 1, 1), QTime(0, 0)),
                                    QFileDevice::FileModificationTime));
    }
    const QString target = folder.path() + copied.mid(other.path().size());
    QDir().mkpath(QFileInfo(target).absolutePath());
    ASSERT_TRUE(QFile::copy(copied, target));
    RecordsIndex index(folder.path());
    const IndexUpdate update = index.Update();
    EXPECT_EQ(update.files_read, 2);
    EXPECT_EQ(TopLines(index, RecordPeriod::kAll, kRecordsDay.date()),
              (QStringList{QStringLiteral("1 Bartek 5000 2026-05-12 15:05 slot 1"),
                           QStringLiteral("2 Cezary 5900 2026-05-11 14:05 slot 1"),
                           QStringLiteral("3 Anna Nowak 6100 2026-05-12 14:04 slot 1")}));
    // Deleted: the file with Bartek's 50.00 s and Anna's 62.00 s.
    ASSERT_TRUE(QFile::remove(SessionFilePath(folder.path(), kRecordsDay.addSecs(3600))));
    EXPECT_EQ(index.Update().files_removed, 1);
    EXPECT_EQ(index.Top(RecordPeriod::kDay, kRecordsDay.date(), 1).at(0).best_lap, 6100);
    EXPECT_EQ(index.Driver(QStringLiteral("bartek"))->sessions, 1);
}

TEST(RecordsIndex, ALostDamagedOrOlderIndexIsRebuiltSilently) {
    TempFolder folder;
    WriteRecordsDay(folder);
    const QString path = RecordsIndex::PathIn(folder.path());
    const auto index_file = [&]() {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const auto replace_index = [&](const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    };
    {
        RecordsIndex index(folder.path());
        ASSERT_TRUE(index.Update().error.isEmpty());
    }
    const QByteArray whole = index_file();
    ASSERT_GT(whole.size(), 4096);
    QByteArray older = whole;
    older[63] = 0;  // user_version 0 with tables present: made by an older program
    const QList<QByteArray> damaged = {QByteArray(), whole.left(whole.size() / 2),
                                       QByteArray(20000, '\x5a'), older};
    for (const QByteArray& bytes : damaged) {
        if (bytes.isEmpty()) {
            QFile::remove(path);
        } else {
            replace_index(bytes);
        }
        RecordsIndex index(folder.path());
        const IndexUpdate update = index.Update();
        EXPECT_TRUE(update.error.isEmpty()) << update.error.toStdString();
        EXPECT_EQ(update.files_read, 2) << bytes.size();
        EXPECT_EQ(TopLines(index, RecordPeriod::kAll, kRecordsDay.date()).size(), 2);
    }
}

TEST(RecordsIndex, SkipsAndListsUnreadableFilesAndCatchesUpAfterAFullDisk) {
    TempFolder folder;
    WriteRecordsDay(folder);
    // Reading /proc/self/mem at offset 0 fails with an I/O error, even for root.
    const QString broken =
        folder.path() + QStringLiteral("Sessions/2026_05_12/2026_05_12_18_00.txt");
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/mem"), broken));
    {
        RecordsIndex index(folder.path());
        // The first update's writes fail, as on a full disk.
        IndexUpdate full;
        {
            DiskFull disk(0);
            full = index.Update();
        }
        EXPECT_FALSE(full.error.isEmpty());
        EXPECT_TRUE(index.Top(RecordPeriod::kAll, kRecordsDay.date(), 0).empty());
    }
    RecordsIndex index(folder.path());
    const IndexUpdate update = index.Update();
    EXPECT_TRUE(update.error.isEmpty()) << update.error.toStdString();
    EXPECT_EQ(update.files_read, 2);
    ASSERT_EQ(update.unreadable.size(), 1);
    EXPECT_TRUE(update.unreadable.first().startsWith(
        QStringLiteral("Sessions/2026_05_12/2026_05_12_18_00.txt: ")));
    EXPECT_EQ(index.Top(RecordPeriod::kAll, kRecordsDay.date(), 0).size(), 2u);
    // Still listed next time: it is tried again, never taken as read.
    EXPECT_EQ(index.Update().unreadable.size(), 1);
}

TEST(RecordsIndex, TwoStationsOnOneFolderBothUpdateWithoutLoss) {
    TempFolder folder;
    for (int day = 0; day < 20; ++day) {
        for (int session = 0; session < 5; ++session) {
            WriteTestSession(folder, kRecordsDay.addDays(day).addSecs(600 * session),
                             {{QStringLiteral("Driver %1").arg(session), {6000 + day}}});
        }
    }
    IndexUpdate first;
    IndexUpdate second;
    RecordsIndex::Options small_batches;
    small_batches.batch_files = 7;
    std::thread station_a([&] { first = RecordsIndex(folder.path(), small_batches).Update(); });
    std::thread station_b([&] { second = RecordsIndex(folder.path(), small_batches).Update(); });
    station_a.join();
    station_b.join();
    EXPECT_TRUE(first.error.isEmpty()) << first.error.toStdString();
    EXPECT_TRUE(second.error.isEmpty()) << second.error.toStdString();
    RecordsIndex index(folder.path());
    EXPECT_EQ(index.Update().files_read, 0);
    const auto driver = index.Driver(QStringLiteral("driver 3"));
    ASSERT_TRUE(driver.has_value());
    EXPECT_EQ(driver->sessions, 20);
    EXPECT_EQ(driver->day_bests.size(), 20u);
}

TEST(RecordsIndex, MergedDriversCountAsOneAndTheMergeOutlivesTheIndex) {
    TempFolder folder;
    WriteRecordsDay(folder);
    WriteTestSession(folder, kRecordsDay.addSecs(7200), {{QStringLiteral("Bartłomiej"), {5950}}});
    {
        RecordsIndex index(folder.path());
        ASSERT_TRUE(index.Update().error.isEmpty());
        EXPECT_EQ(index.Top(RecordPeriod::kDay, kRecordsDay.date(), 0).size(), 3u);
        ASSERT_TRUE(index.Merge(QStringLiteral("bartłomiej"), QStringLiteral("bartek")));
    }
    QFile::remove(RecordsIndex::PathIn(folder.path()));
    RecordsIndex index(folder.path());
    ASSERT_TRUE(index.Update().error.isEmpty());
    const QStringList lines = TopLines(index, RecordPeriod::kDay, kRecordsDay.date());
    EXPECT_EQ(lines, (QStringList{QStringLiteral("1 Bartek 5950 2026-05-12 16:05 slot 1"),
                                  QStringLiteral("2 Anna Nowak 6100 2026-05-12 14:04 slot 1")}));
    EXPECT_EQ(index.Driver(QStringLiteral("bartłomiej"))->sessions, 3);
    EXPECT_EQ(index.RankOf(QStringLiteral("bartłomiej"), RecordPeriod::kDay, kRecordsDay.date()),
              1);
    ASSERT_TRUE(index.Unmerge(QStringLiteral("bartłomiej")));
    EXPECT_EQ(index.Top(RecordPeriod::kDay, kRecordsDay.date(), 0).size(), 3u);
}

TEST(RecordsIndex, BestsKeptLapByLapAgreeWithARebuildAfterEditsAndDeletions) {
    // Sessions over a new year, laps from a narrow range so that equal laps meet:
    // the earlier lap keeps the best whichever way the bests were worked out.
    TempFolder folder;
    std::mt19937 random(2026);
    const QStringList names = {QStringLiteral("Ala"), QStringLiteral("Bob"), QStringLiteral("Cyd"),
                               QStringLiteral("Dan")};
    const auto karts = [&] {
        std::vector<TestKart> drawn;
        for (const QString& name : names) {
            if (random() % 3 != 0) {
                drawn.push_back({name, {}});
                for (int lap = 0; lap < 3; ++lap) {
                    drawn.back().laps.push_back(6000 + qint32(random() % 3));
                }
            }
        }
        return drawn;
    };
    std::vector<QDateTime> ended;
    QStringList paths;
    for (int i = 0; i < 16; ++i) {
        ended.push_back(QDateTime(QDate(2025, 12, 30), QTime(10, 0)).addSecs(i * 5 * 3600));
        const std::vector<TestKart> drawn = karts();
        paths.append(WriteTestSession(folder, ended.back(), drawn));
        if (i % 2 == 0) {
            WriteTestLapLog(paths.back(), ended.back(), drawn);
        }
    }
    // Eve's laps on the last day of a month and the first of the next.
    const QDateTime eve_december(QDate(2025, 12, 31), QTime(2, 30));
    paths.append(WriteTestSession(folder, eve_december, {{QStringLiteral("Eve"), {6010}}}));
    paths.append(WriteTestSession(folder, QDateTime(QDate(2026, 1, 1), QTime(0, 30)),
                                  {{QStringLiteral("Eve"), {5990}}}));
    // In no order, as folders copied in late bring them.
    std::shuffle(paths.begin(), paths.end(), random);
    RecordsIndex index(folder.path());
    for (const QString& path : paths) {
        ASSERT_EQ(index.AddSessionFile(path).files_read, 1);
    }
    WriteTestSession(folder, ended[3], {{QStringLiteral("Dan"), {6003}}});
    WriteTestSession(folder, eve_december, {{QStringLiteral("Eve"), {6020}}});
    ASSERT_TRUE(QFile::remove(SessionFilePath(folder.path(), ended[6])));
    ASSERT_TRUE(index.Update().error.isEmpty());
    const auto everything = [&](RecordsIndex& from) {
        QStringList lines;
        for (const QDate& today : {QDate(2025, 12, 31), QDate(2026, 1, 2)}) {
            for (RecordPeriod period :
                 {RecordPeriod::kDay, RecordPeriod::kWeek, RecordPeriod::kMonth,
                  RecordPeriod::kYear, RecordPeriod::kAll}) {
                lines += TopLines(from, period, today);
            }
        }
        for (const QString& name : names + QStringList{QStringLiteral("Eve")}) {
            const std::optional<DriverHistory> driver = from.Driver(name.toLower());
            for (const DayBest& best : driver->month_bests) {
                lines += name + best.day.toString(Qt::ISODate) + QString::number(best.best_lap);
            }
        }
        return lines;
    };
    const QStringList kept = everything(index);
    EXPECT_GE(kept.size(), 30);
    QFile::remove(RecordsIndex::PathIn(folder.path()));
    RecordsIndex rebuilt(folder.path());
    ASSERT_TRUE(rebuilt.Update().error.isEmpty());
    EXPECT_EQ(kept.join(QLatin1Char('\n')).toStdString(),
              everything(rebuilt).join(QLatin1Char('\n')).toStdString());
}

TEST(RecordsIndex, ASessionIsDatedByItsNameElseByItsModificationTime) {
    EXPECT_EQ(SessionEndFromName(QStringLiteral("2012_05_31_14_05.txt")),
              QDateTime(QDate(2012, 5, 31), QTime(14, 5)));
    EXPECT_EQ(SessionEndFromName(QStringLiteral("2012_05_31_14_05_2.txt")),
              QDateTime(QDate(2012, 5, 31), QTime(14, 5)));
    for (const char* name : {"2012_13_31_14_05.txt", "2012_05_31_24_05.txt", "2012-05-31_14_05",
                             "2012_05_31_14_5.txt", "notes.txt", "2012_05_3١_14_05.txt"}) {
        EXPECT_FALSE(SessionEndFromName(QString::fromUtf8(name)).isValid()) << name;
    }
    // Renamed by hand: the day folder's date, the modification time when on that
    // day (a copy made later must not count for its own day).
    TempFolder folder;
    const QByteArray ewa = "[Ustawienia]\r\nNAZWA_1=Ewa\r\nLAPSINT_1_1=3100\r\nLAPNR_1_1=2\r\n";
    folder.Write("Sessions/2012_05_31/renamed.txt", ewa);
    folder.Write("Sessions/odd/renamed.txt", ewa);
    const auto dated = [&](const QString& file, const QDateTime& modified) {
        const IndexedSession session =
            ReadIndexedSession(folder.file(file), modified.toMSecsSinceEpoch());
        return session.laps.size() == 1 ? session.laps.front().at : QDateTime();
    };
    const QDateTime same_day(QDate(2012, 5, 31), QTime(9, 30));
    const QDateTime copied_later(QDate(2026, 12, 9), QTime(3, 27));
    EXPECT_EQ(dated("Sessions/2012_05_31/renamed.txt", same_day), same_day);
    EXPECT_EQ(dated("Sessions/2012_05_31/renamed.txt", copied_later),
              QDateTime(QDate(2012, 5, 31), QTime(0, 0)));
    EXPECT_EQ(dated("Sessions/odd/renamed.txt", copied_later), copied_later);
}
