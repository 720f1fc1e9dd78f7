#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include "MergeWindow.h"
#include "RecordsFolder.h"
#include "RecordsWindow.h"
#include "SaveFileAnswer.h"

namespace {

const QDate kWindowToday(2026, 6, 10);

void SaveRecordsShot(QWidget* window, const char* name) {
    const QString folder = qEnvironmentVariable("RUVO_SCREENSHOTS");
    if (!folder.isEmpty()) {
        window->grab().save(folder + QStringLiteral("/") + QLatin1String(name) +
                            QStringLiteral(".png"));
    }
}

QStringList TableRows(QTableWidget* table) {
    QStringList rows;
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c) {
            cells << (table->item(r, c) ? table->item(r, c)->text() : QString());
        }
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

// Łukasz drove in May and twice today; "Lukasz" (no Polish letter) once today.
void WriteWindowSessions(const TempFolder& folder) {
    const QDateTime today(kWindowToday, QTime(11, 0));
    WriteTestSession(folder, today.addMonths(-1), {{QStringLiteral("Łukasz Żak"), {6400, 6300}}});
    WriteTestSession(folder, today,
                     {{QStringLiteral("Łukasz Żak"), {6350}}, {QStringLiteral("Ewa"), {6500}}});
    WriteTestSession(folder, today.addSecs(900),
                     {{QStringLiteral("Ewa"), {6000}}, {QStringLiteral("Lukasz Zak"), {6200}}});
}

}  // namespace

TEST(RecordsWindow, ShowsPeriodsADriversPageAndSavesThePageAsPdf) {
    TempFolder folder;
    WriteWindowSessions(folder);
    RecordsIndex(folder.path()).Update();
    RecordsWindow window(folder.path(), kWindowToday, QStringLiteral("Tor Testowy"));
    window.show();
    auto* today = window.findChild<QTableWidget*>(QStringLiteral("RecordsTable0"));
    ASSERT_NE(today, nullptr);
    EXPECT_EQ(TableRows(today),
              (QStringList{QStringLiteral("1|Ewa|01:00:00|2026-06-10 11:15|1"),
                           QStringLiteral("2|Lukasz Zak|01:02:00|2026-06-10 11:15|2"),
                           QStringLiteral("3|Łukasz Żak|01:03:50|2026-06-10 11:00|1")}));
    SaveRecordsShot(&window, "records-window");
    EXPECT_EQ(window.findChild<QTableWidget*>(QStringLiteral("RecordsTable4"))->rowCount(), 3);
    {
        // A day nobody drove: the empty table says so, the others count drivers.
        RecordsWindow later(folder.path(), kWindowToday.addDays(1), QString());
        auto* status = later.findChild<QLabel*>(QStringLiteral("RecordsStatus"));
        EXPECT_EQ(status->text(), QStringLiteral("No laps today"));
        later.findChild<QTabWidget*>(QStringLiteral("RecordsTabs"))->setCurrentIndex(1);
        EXPECT_EQ(status->text(), QStringLiteral("3 drivers"));
    }

    window.ShowDriver(QStringLiteral("łukasz żak"));
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("DriverSummary"))->text(),
              QStringLiteral("Sessions driven: 2    Laps driven: 3    Best lap: 01:03:00"));
    // Latest month first; June's 63.50 did not beat May's 63.00.
    EXPECT_EQ(TableRows(window.findChild<QTableWidget*>(QStringLiteral("MonthBests"))),
              (QStringList{QStringLiteral("2026-06|01:03:50|"),
                           QStringLiteral("2026-05|01:03:00|Personal best")}));
    SaveRecordsShot(&window, "records-driver");

    const QString pdf = folder.file(QStringLiteral("driver.pdf"));
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        SaveFileAs(dialog, pdf);
    });
    window.SavePdfClick();
    EXPECT_TRUE(window.findChild<QLabel*>(QStringLiteral("RecordsStatus"))
                    ->text()
                    .startsWith(QStringLiteral("Saved ")));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    if (!text.waitForFinished(20000)) {
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }
    const QString page = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(page.contains(QStringLiteral("Tor Testowy")));
    EXPECT_TRUE(page.contains(QStringLiteral("Łukasz Żak")));
    EXPECT_TRUE(page.contains(QStringLiteral("Laps driven: 3")));
}

TEST(RecordsWindow, NearDuplicatesAreMergedAndUndone) {
    TempFolder folder;
    WriteWindowSessions(folder);
    RecordsIndex index(folder.path());
    index.Update();
    MergeWindow merges(index);
    merges.show();
    auto* pairs = merges.findChild<QListWidget*>(QStringLiteral("NearDuplicates"));
    ASSERT_EQ(pairs->count(), 1);
    EXPECT_EQ(pairs->item(0)->text(), QStringLiteral("Lukasz Zak    |    Łukasz Żak"));
    SaveRecordsShot(&merges, "records-near-duplicates");
    merges.findChild<QPushButton*>(QStringLiteral("KeepRight"))->click();
    EXPECT_EQ(pairs->count(), 0);
    auto* merged = merges.findChild<QListWidget*>(QStringLiteral("MergedNames"));
    ASSERT_EQ(merged->count(), 1);
    EXPECT_EQ(merged->item(0)->text(), QStringLiteral("Lukasz Zak  ->  Łukasz Żak"));
    const std::vector<RecordRow> day = index.Top(RecordPeriod::kDay, kWindowToday, 0);
    ASSERT_EQ(day.size(), 2u);
    EXPECT_EQ(day.at(1).name, QStringLiteral("Łukasz Żak"));
    EXPECT_EQ(day.at(1).best_lap, 6200);
    EXPECT_TRUE(folder.Read(QStringLiteral("records.ini")).contains("Into1=łukasz żak"));

    merged->setCurrentRow(0);
    merges.findChild<QPushButton*>(QStringLiteral("UndoMerge"))->click();
    EXPECT_EQ(pairs->count(), 1);
    EXPECT_EQ(index.Top(RecordPeriod::kDay, kWindowToday, 0).size(), 3u);
}
