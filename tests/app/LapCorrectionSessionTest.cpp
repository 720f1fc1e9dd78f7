#include <gtest/gtest.h>

#include <QDirIterator>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "BestLapsGrid.h"
#include "FakeClock.h"
#include "IniFile.h"
#include "LapJournal.h"
#include "LapLogFormat.h"
#include "LapLogRecovery.h"
#include "ModalScript.h"
#include "PopupScript.h"
#include "SessionFile.h"
#include "SimReceiver.h"
#include "TForm1.h"
#include "TempFolder.h"
#include "Tfekranglowny.h"

namespace {

// Kart 2's hand-timed laps; the eleventh (4700) and twelfth (4800) fastest are
// outside its ten.
constexpr qint32 kTimes[] = {4550, 4300, 4800, 4420, 4510, 4390,
                             4700, 4460, 4350, 4600, 4480, 4405};

// Deletes the lap of a best-laps row through the menu and the confirmation.
void DeleteThroughTheMenu(Tfekranglowny* screen, int row) {
    PopupScript menu([](QMenu* m) { ClickMenuAction(m, "DeleteLapAction"); });
    ModalScript confirm({[](QWidget* box) {
        QTest::mouseClick(box->findChild<QPushButton*>("DeleteLapButton"), Qt::LeftButton);
    }});
    QTest::mouseClick(screen->findChild<QLabel*>(BestLapsGrid::LapTimeName(2, row)),
                      Qt::RightButton);
    EXPECT_TRUE(confirm.done());
}

QString Value(const QString& session_file, const char* key) {
    return IniFile::Load(session_file)
        .ReadString(QStringLiteral("Ustawienia"), QString::fromLatin1(key), QString());
}

}  // namespace

// A whole session through the launcher: twelve hand laps, the best one deleted, one
// more deleted and brought back with Ctrl+Z. The session file holds the ten
// fastest of the laps that stand; the lap log keeps every lap, the deleted one
// marked with the time of the correction.
TEST(LapCorrectionSession, TheSessionFileHoldsTheStandingLapsAndTheLogTheDeletedOne) {
    sim::SimReceiver& receiver = sim::SimReceiver::Instance();
    receiver.Reset();
    TempFolder folder;
    folder.Write("ustawienia.ini", "[Parametry]\r\nNAME2=Nowak\r\n");
    receiver.AttachReceiver();
    FakeClock clock;
    clock.SetLocalDateTime(QDateTime(QDate(2026, 12, 8), QTime(14, 0)));
    TForm1 launcher(clock, folder.path());
    launcher.show();
    Station& station = launcher.station();
    const QDateTime deleted_at(QDate(2026, 12, 8), QTime(14, 20, 5));
    bool done = false;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* screen = dynamic_cast<Tfekranglowny*>(station.session_screen);
        if (done || !screen || !screen->isVisible()) {
            return;
        }
        done = true;
        timer.stop();
        QTest::mouseClick(screen->findChild<QWidget*>("Image3"), Qt::LeftButton);
        for (const qint32 time : kTimes) {
            clock.AdvanceCentiseconds(time);
            QTest::mouseClick(screen->findChild<QWidget*>("ImageButton2"), Qt::LeftButton);
        }
        clock.SetLocalDateTime(deleted_at);
        DeleteThroughTheMenu(screen, 1);  // the best, 43.00
        clock.SetLocalDateTime(deleted_at.addSecs(30));
        DeleteThroughTheMenu(screen, 3);  // 44.05 (lap 12), brought back:
        screen->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(screen));
        QTest::keyClick(screen, Qt::Key_Z, Qt::ControlModifier);
        clock.SetLocalDateTime(QDateTime(QDate(2026, 12, 8), QTime(14, 31)));
        QTest::mouseClick(screen->findChild<QPushButton*>("Button1"), Qt::LeftButton);
    });
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [&] { station.stop_requested = true; });
    timer.start();
    safety.start(10000);
    QTest::mouseClick(launcher.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    receiver.Reset();
    ASSERT_TRUE(safety.isActive()) << "the session did not end";

    const QString session_file = SessionFilePath(folder.path(), clock.LocalDateTime());
    ASSERT_TRUE(QFileInfo::exists(session_file));
    // Read back as the history browser reads it.
    QFile file(session_file);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    SessionRecord record;
    ReadSessionFile(file.readAll(), &record);
    const KartSlot& kart = record.kart(2);
    const qint32 standing[] = {4350, 4390, 4405, 4420, 4460, 4480, 4510, 4550, 4600, 4700};
    const qint32 numbers[] = {9, 6, 12, 4, 8, 11, 5, 1, 10, 7};
    for (int j = 1; j <= kLapEntries; ++j) {
        EXPECT_EQ(kart.lap(j).lap_time, standing[j - 1]) << "entry " << j;
        EXPECT_EQ(kart.lap(j).lap_number, numbers[j - 1]) << "entry " << j;
    }
    EXPECT_EQ(Value(session_file, "BEST_2"), "00:43:50");
    EXPECT_EQ(Value(session_file, "LAPSINT_2_10"), "4700");  // the eleventh moved up

    const SessionLapLog log = ReadLapLog(LapLogPathFor(session_file));
    EXPECT_TRUE(log.skipped.isEmpty()) << log.skipped.join('\n').toStdString();
    ASSERT_EQ(log.laps.size(), 12u);
    for (size_t i = 0; i < log.laps.size(); ++i) {
        EXPECT_EQ(log.laps[i].lap_time, kTimes[i]);
        EXPECT_EQ(log.laps[i].deleted, i == 1) << "lap " << i + 1;
    }
    EXPECT_EQ(log.laps[1].deleted_at, deleted_at);
    EXPECT_FALSE(log.laps[11].deleted_at.isValid());  // deleted, then brought back
}

// Recovery after a crash enters only the laps that stand; a journal whose laps
// were all deleted is kept aside, as "END SESSION" would have, without a question.
TEST(LapCorrectionSession, RecoveryLeavesDeletedLapsOut) {
    TempFolder folder;
    FakeClock clock;
    clock.SetLocalDateTime(QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
    Station live(clock, folder.path());
    QString error;
    std::unique_ptr<LapJournal> journal = LapJournal::Start(live, &error);
    ASSERT_TRUE(journal) << error.toStdString();
    for (int n = 1; n <= 12; ++n) {
        clock.AdvanceCentiseconds(kTimes[n - 1]);
        journal->RecordLap(live, 2, n, kTimes[n - 1], 0, 0, true);
    }
    ASSERT_TRUE(journal->RecordCorrection(2, 2, 2, 4300, true, clock.LocalDateTime()));
    journal->RecordLap(live, 3, 1, 5100, 0, 0, true);
    ASSERT_TRUE(journal->RecordCorrection(3, 13, 1, 5100, true, clock.LocalDateTime()));
    journal->Flush();
    const SessionLapLog log = ReadLapLog(journal->path());
    const std::array<KartSlot, kSlotCount> karts = ReplayLapLog(log);
    EXPECT_EQ(karts[1].best_lap_time, 4350);
    EXPECT_EQ(karts[1].lap(10).lap_time, 4700);
    EXPECT_EQ(karts[2].lap(1).lap_time, 0);
    const JournalSummary summary = SummariseJournal(journal->path(), log);
    EXPECT_EQ(summary.laps, 11);  // 13 logged, 2 deleted
    EXPECT_EQ(summary.deleted_laps, 2);
    EXPECT_EQ(summary.karts_with_laps, QList<int>{2});
    EXPECT_TRUE(RecoveryQuestion(summary, "x").contains("left out: 2"));

    // Only deleted laps: nothing to recover, kept aside, not asked about.
    clock.SetLocalDateTime(QDateTime(QDate(2026, 12, 8), QTime(9, 30)));
    std::unique_ptr<LapJournal> all_deleted = LapJournal::Start(live, &error);
    ASSERT_TRUE(all_deleted) << error.toStdString();
    all_deleted->RecordLap(live, 4, 1, 5000, 0, 0, true);
    ASSERT_TRUE(all_deleted->RecordCorrection(4, 1, 1, 5000, true, clock.LocalDateTime()));
    const QString all_deleted_path = all_deleted->path();
    all_deleted.reset();  // the program dies
    const QString first_path = journal->path();
    journal.reset();
    ASSERT_TRUE(QFile::remove(first_path));  // only the second one is looked at below

    ModalScript questions(
        {[](QWidget* box) { qobject_cast<QMessageBox*>(box)->button(QMessageBox::No)->click(); }});
    TForm1 launcher(clock, folder.path());
    EXPECT_TRUE(questions.seen().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(all_deleted_path));
    EXPECT_TRUE(QFileInfo::exists(SetAsidePath(all_deleted_path, QStringLiteral("unsaved"))));
    EXPECT_EQ(launcher.station().sessions.count, 0);
}
