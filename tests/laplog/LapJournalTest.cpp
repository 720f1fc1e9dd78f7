#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

#include <QDir>
#include <QFileInfo>

#include "DiskFull.h"
#include "FakeClock.h"
#include "JournalWriter.h"
#include "LapJournal.h"
#include "LapLogFormat.h"
#include "SessionFile.h"
#include "Station.h"
#include "TempFolder.h"

namespace {

class LapJournalTest : public ::testing::Test {
  protected:
    LapJournalTest() : station_(clock_, temp_.path()) {
        clock_.SetLocalDateTime(QDateTime(QDate(2026, 12, 8), QTime(14, 5, 7)));
        for (int n = 1; n <= kSlotCount; ++n) {
            station_.slot(n).driver_name = QStringLiteral("Kierowca %1").arg(n);
            station_.slot(n).serial_number = 662272 + n;
            station_.slot(n).radio = n != 5;
        }
    }
    QString LapsFolder() const { return temp_.path() + "Sessions/2026_12_08/laps/"; }

    FakeClock clock_;
    TempFolder temp_;
    Station station_;
};

TEST_F(LapJournalTest, RecordsKartsLapsAndChangedSectorsThenSitsBesideItsSessionFile) {
    QString error;
    std::unique_ptr<LapJournal> journal = LapJournal::Start(station_, &error);
    ASSERT_TRUE(journal) << error.toStdString();
    EXPECT_EQ(journal->path(), LapsFolder() + "2026_12_08_14_05_07.running.csv");

    const SectorReport first{1, 3, 1012, 11000, 7000};
    journal->RecordSector(2, SectorReport{});  // nothing reported yet
    journal->RecordSector(2, first);
    journal->RecordSector(2, first);  // every frame repeats it
    journal->RecordSector(2, SectorReport{2, 3, 2100, 12000, 6000});
    clock_.AdvanceCentiseconds(3250);
    clock_.SetLocalDateTime(QDateTime(QDate(2026, 12, 8), QTime(14, 5, 40)));
    journal->RecordLap(station_, 2, 3, 3250, 13000, 5900, true);
    station_.slot(5).driver_name = QStringLiteral("Nowy");
    journal->RecordKart(station_, 5);
    journal->RecordLap(station_, 5, 1, 4000, 0, 0, false);
    EXPECT_EQ(journal->lap_count(), 2);

    // Readable while it runs: what a crash would leave.
    journal->Flush();
    const SessionLapLog running = ReadLapLog(journal->path());
    EXPECT_TRUE(running.skipped.isEmpty());
    ASSERT_EQ(running.karts.size(), 6u);
    EXPECT_EQ(running.karts[5].driver_name, "Nowy");
    ASSERT_EQ(running.sectors.size(), 2u);
    EXPECT_EQ(running.sectors[0].sector_time, 1012);
    EXPECT_EQ(running.sectors[1].sector, 2);
    ASSERT_EQ(running.laps.size(), 2u);
    EXPECT_EQ(running.laps[0].slot, 2);
    EXPECT_EQ(running.laps[0].lap_number, 3);
    EXPECT_EQ(running.laps[0].session_time, 3250);
    EXPECT_EQ(running.laps[0].ended_at.time(), QTime(14, 5, 40));
    EXPECT_TRUE(running.laps[0].entered_top_ten);
    EXPECT_EQ(running.laps[1].driver_name, "Nowy");
    EXPECT_FALSE(running.laps[1].radio);

    const QString session_file =
        SessionFilePath(temp_.path(), QDateTime(QDate(2026, 12, 8), QTime(14, 30)));
    ASSERT_TRUE(journal->Finish(session_file, &error)) << error.toStdString();
    journal.reset();
    EXPECT_EQ(FolderEntries(LapsFolder()), QStringList{"2026_12_08_14_30.csv"});
    EXPECT_EQ(ReadLapLog(LapLogPathFor(session_file)).laps.size(), 2u);
}

// Journals held by a running session are neither offered for recovery nor shared.
TEST_F(LapJournalTest, AJournalIsWrittenByOneProgramOnly) {
    QString error;
    std::unique_ptr<LapJournal> first = LapJournal::Start(station_, &error);
    ASSERT_TRUE(first);
    first->RecordLap(station_, 1, 1, 3000, 0, 0, true);
    EXPECT_TRUE(FindUnfinishedJournals(temp_.path()).isEmpty());
    std::unique_ptr<LapJournal> second = LapJournal::Start(station_, &error);  // same second
    ASSERT_TRUE(second);
    EXPECT_NE(second->path(), first->path());
    second->SetAside("unsaved");  // no laps: removed

    first.reset();  // the program died with it: unlocked, still running
    EXPECT_EQ(FindUnfinishedJournals(temp_.path()),
              QStringList{LapsFolder() + "2026_12_08_14_05_07.running.csv"});
}

TEST_F(LapJournalTest, SetAsideKeepsLapsAndDropsAnEmptyJournal) {
    QString error;
    std::unique_ptr<LapJournal> empty = LapJournal::Start(station_, &error);
    empty->SetAside("unsaved");
    EXPECT_TRUE(FolderEntries(LapsFolder()).isEmpty());

    std::unique_ptr<LapJournal> journal = LapJournal::Start(station_, &error);
    journal->RecordLap(station_, 1, 1, 3000, 0, 0, true);
    journal->SetAside("unsaved");
    EXPECT_EQ(FolderEntries(LapsFolder()), QStringList{"2026_12_08_14_05_07.unsaved.csv"});
    EXPECT_TRUE(FindUnfinishedJournals(temp_.path()).isEmpty());
}

// A full disk: the failure shows once, the file keeps only whole records, and the
// finished log is written whole from memory when there is room again.
TEST_F(LapJournalTest, FullDiskStopsTheJournalButTheFinishedLogHasEveryLap) {
    QString error;
    std::unique_ptr<LapJournal> journal = LapJournal::Start(station_, &error);
    ASSERT_TRUE(journal);
    journal->RecordLap(station_, 1, 1, 3000, 0, 0, true);
    journal->Flush();
    const qint64 size = QFileInfo(journal->path()).size();
    {
        const DiskFull full(rlim_t(size + 150));  // room for about one more record
        for (int n = 2; n <= 6; ++n) {
            journal->RecordLap(station_, 1, n, 3000 + n, 0, 0, true);
        }
        journal->Flush();
    }
    EXPECT_TRUE(journal->failed());
    EXPECT_TRUE(journal->failure().contains("Cannot write the lap log"))
        << journal->failure().toStdString();
    const SessionLapLog cut = ReadLapLog(journal->path());
    EXPECT_TRUE(cut.skipped.isEmpty()) << cut.skipped.join('\n').toStdString();
    EXPECT_LT(cut.laps.size(), 6u);

    const QString session_file = SessionFilePath(temp_.path(), clock_.LocalDateTime());
    ASSERT_TRUE(journal->Finish(session_file, &error)) << error.toStdString();
    const SessionLapLog finished = ReadLapLog(LapLogPathFor(session_file));
    ASSERT_EQ(finished.laps.size(), 6u);
    EXPECT_EQ(finished.laps[5].lap_time, 3006);
    EXPECT_EQ(FolderEntries(LapsFolder()).size(), 1);
}

// A sync that fails (an I/O error on a USB stick; a pipe, which cannot sync, stands
// in for it here) is a failed write, not a success.
TEST(JournalWriter, AFailedSyncIsAFailure) {
    int ends[2] = {-1, -1};
    ASSERT_EQ(::pipe(ends), 0);
    {
        JournalWriter writer(ends[1]);
        writer.Append("lap;1\r\n");
        writer.Drain();
        EXPECT_TRUE(writer.failed());
        EXPECT_EQ(writer.error(), EINVAL);
    }
    ::close(ends[0]);
    ::close(ends[1]);
}

// Without a file the journal keeps its records in memory: a session saved in
// another folder still gets its whole lap log there.
TEST_F(LapJournalTest, AFolderThatCannotBeMadeIsReportedAndTheLapsAreKeptInMemory) {
    temp_.Write("Sessions/2026_12_08/laps", "a file where the folder should be");
    QString error;
    std::unique_ptr<LapJournal> journal = LapJournal::Start(station_, &error);
    ASSERT_TRUE(journal);
    EXPECT_TRUE(journal->failed());
    EXPECT_TRUE(error.contains("Sessions/2026_12_08/laps")) << error.toStdString();
    EXPECT_EQ(journal->failure(), error);
    journal->RecordLap(station_, 1, 1, 6233, 12000, 5000, true);
    const QString elsewhere = temp_.file("stick/2026_12_08_10_00.txt");
    ASSERT_TRUE(journal->WriteLapLogBeside(elsewhere, &error)) << error.toStdString();
    const SessionLapLog log = ReadLapLog(temp_.file("stick/laps/2026_12_08_10_00.csv"));
    ASSERT_EQ(log.laps.size(), 1u);
    EXPECT_EQ(log.laps[0].lap_time, 6233);
    journal->SetAside(QStringLiteral("unsaved"));
    EXPECT_EQ(temp_.Read("Sessions/2026_12_08/laps"), "a file where the folder should be");
}

// The day loaders see the sessions of the day folder and nothing of laps/.
TEST_F(LapJournalTest, DayLoadersIgnoreTheLapsFolder) {
    temp_.Write("Sessions/2026_12_08/2026_12_08_10_00.txt", "[Ustawienia]\r\nNAZWA_1=A\r\n");
    temp_.Write("Sessions/2026_12_08/laps/2026_12_08_10_00.csv", LapLogHeader());
    temp_.Write("Sessions/2026_12_08/laps/2026_12_08_11_00_00.running.csv", LapLogHeader());
    temp_.Write("Sessions/2026_12_08/laps/x.running.csv.lock", "1\n");
    for (const SessionTitles titles : {SessionTitles::kToday, SessionTitles::kHistory}) {
        SessionTable table;
        const SessionFolderLoad load =
            LoadSessionFolder(temp_.path() + "Sessions/2026_12_08", table, titles);
        EXPECT_EQ(load.file_names, QStringList{"2026_12_08_10_00.txt"});
        EXPECT_EQ(table.count, 1);
        EXPECT_EQ(table.day_total, 1);
    }
}

}  // namespace

// The journal marks the lap the screen names by its place among the laps it wrote,
// and refuses a lap it did not write: a wrong mark would make recovery untruthful.
TEST_F(LapJournalTest, CorrectionsReachTheJournalAndItsFinishedLog) {
    QString error;
    std::unique_ptr<LapJournal> journal = LapJournal::Start(station_, &error);
    ASSERT_TRUE(journal) << error.toStdString();
    journal->RecordLap(station_, 5, 1, 4500, 0, 0, true);
    clock_.AdvanceCentiseconds(4300);
    journal->RecordLap(station_, 5, 2, 4300, 0, 0, true);
    journal->RecordLap(station_, 1, 1, 6100, 12000, 5000, true);
    const QDateTime at(QDate(2026, 12, 8), QTime(14, 9, 30));
    EXPECT_FALSE(journal->RecordCorrection(5, 4, 1, 4500, true, at)) << "no fourth lap";
    EXPECT_FALSE(journal->RecordCorrection(5, 3, 1, 6100, true, at)) << "lap 3 is kart 1's";
    EXPECT_FALSE(journal->RecordCorrection(5, 2, 2, 4301, true, at)) << "another time";
    EXPECT_TRUE(journal->RecordCorrection(5, 2, 2, 4300, true, at));
    EXPECT_TRUE(journal->RecordCorrection(1, 3, 1, 6100, true, at));
    EXPECT_TRUE(journal->RecordCorrection(1, 3, 1, 6100, false, at.addSecs(5)));

    journal->Flush();
    const SessionLapLog running = ReadLapLog(journal->path());
    EXPECT_TRUE(running.skipped.isEmpty()) << running.skipped.join('\n').toStdString();
    ASSERT_EQ(running.laps.size(), 3u);
    EXPECT_FALSE(running.laps[0].deleted);
    EXPECT_TRUE(running.laps[1].deleted);
    EXPECT_EQ(running.laps[1].deleted_at, at);
    EXPECT_EQ(running.laps[1].lap_time, 4300);
    EXPECT_FALSE(running.laps[2].deleted);

    const QString session_file =
        SessionFilePath(temp_.path(), QDateTime(QDate(2026, 12, 8), QTime(14, 30)));
    ASSERT_TRUE(journal->Finish(session_file, &error)) << error.toStdString();
    const SessionLapLog finished = ReadLapLog(LapLogPathFor(session_file));
    ASSERT_EQ(finished.laps.size(), 3u);
    EXPECT_TRUE(finished.laps[1].deleted);
}
