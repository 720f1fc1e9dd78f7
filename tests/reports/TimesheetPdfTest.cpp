#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "PdfText.h"
#include "TimeFormat.h"
#include "Timesheet.h"
#include "TimesheetRenderer.h"

namespace {

// A driver's laps in order: a slow out lap, then laps around 31 s.
DriverSheet Driver(int slot, const QString& name, int laps) {
    DriverSheet driver;
    driver.slot = slot;
    driver.driver_name = name;
    for (int n = 1; n <= laps; ++n) {
        const qint32 time = n == 1 ? 4512 : 3100 + (n * 37 + slot * 11) % 180;
        driver.laps.push_back({n, time, n % 4 == 0, false});
    }
    return driver;
}

// What the sheet must list for a driver, written out independently of the renderer.
QStringList ExpectedRows(const DriverSheet& driver) {
    qint32 best = 0;
    for (const SheetLap& lap : driver.laps) {
        if (!lap.deleted && (best == 0 || lap.lap_time < best)) {
            best = lap.lap_time;
        }
    }
    QStringList rows;
    bool best_marked = false;
    for (const SheetLap& lap : driver.laps) {
        if (lap.deleted) {
            continue;
        }
        QString row =
            QStringLiteral("%1 %2 %3")
                .arg(lap.lap_number)
                .arg(FormatLapTime(quint32(lap.lap_time)), FormatGap(lap.lap_time - best));
        if (lap.lap_time == best && !best_marked) {
            row += QStringLiteral(" best");
            best_marked = true;
        } else if (lap.entered_top_ten) {
            row += QStringLiteral(" top 10");
        }
        rows << row;
    }
    return rows;
}

class TimesheetPdfTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HavePdfToText()) {
            GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
        }
        ASSERT_TRUE(dir_.isValid());
    }

    QStringList Pages(const Timesheet& sheet) {
        const QString path = dir_.filePath(QStringLiteral("sheet.pdf"));
        QString error;
        EXPECT_TRUE(WriteTimesheetPdf(path, sheet, &error)) << error.toStdString();
        // With RUVO_SCREENSHOTS set, the sheet is kept there for docs/ (pdftoppm).
        const QString shots = qEnvironmentVariable("RUVO_SCREENSHOTS");
        if (!shots.isEmpty()) {
            QFile::remove(shots + "/" + shot_name_ + ".pdf");
            QFile::copy(path, shots + "/" + shot_name_ + ".pdf");
        }
        QString text = PdfText(path);
        EXPECT_FALSE(text.isEmpty());
        QStringList pages = text.split(QLatin1Char('\f'));
        while (!pages.isEmpty() && pages.last().trimmed().isEmpty()) {
            pages.removeLast();
        }
        return pages;
    }

    QTemporaryDir dir_;
    QString shot_name_ = QStringLiteral("timesheet-other");
};

TEST_F(TimesheetPdfTest, EveryLapInOrderWithItsGapOnePagePerDriver) {
    Timesheet sheet;
    sheet.session_label = QStringLiteral("2026-12-08 14:05");
    sheet.date = QStringLiteral("2026-12-08");
    sheet.drivers = {Driver(1, QString::fromUtf8("Łukasz Żółć"), 25), Driver(4, "Anna", 3)};
    sheet.drivers[0].laps[5].deleted = true;  // taken back: listed nowhere
    shot_name_ = QStringLiteral("timesheet");

    const QStringList all = Pages(sheet);
    // The session summary, then one page per driver.
    ASSERT_EQ(all.size(), 3);
    EXPECT_TRUE(all[0].contains(QStringLiteral("Session summary")));
    EXPECT_TRUE(all[0].contains(QStringLiteral("4 Anna 3 00:32:18 2 00:36:62 00:32:55 ")))
        << all[0].toStdString();
    EXPECT_TRUE(LapRows(all[0]).isEmpty());
    const QStringList pages = all.mid(1);
    for (int i = 0; i < 2; ++i) {
        const DriverSheet& driver = sheet.drivers[size_t(i)];
        EXPECT_TRUE(pages[i].contains(QStringLiteral("RUVOTimer")));
        EXPECT_TRUE(pages[i].contains(QStringLiteral("Date: 2026-12-08")));
        EXPECT_TRUE(pages[i].contains(QStringLiteral("Session: 2026-12-08 14:05")));
        EXPECT_TRUE(pages[i].contains(QStringLiteral("Driver: ") + driver.driver_name))
            << pages[i].toStdString();
        EXPECT_EQ(LapRows(pages[i]), ExpectedRows(driver)) << pages[i].toStdString();
        EXPECT_FALSE(pages[i].contains(QString::fromLatin1(kOnlyFastestNote)));
    }
    EXPECT_EQ(LapRows(pages[0]).size(), 24);
    // Anna: 45.12, then (2*37+44)%180+3100 = 32.18 and (3*37+44)%180+3100 = 32.55.
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Best lap: 00:32:18 (lap 2)")));
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Median: 00:32:55")));
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Average: 00:36:62")));
}

TEST_F(TimesheetPdfTest, HundredLapsRunDownThreeColumnsInOrder) {
    Timesheet sheet;
    sheet.session_label = QStringLiteral("2026-12-08 16:40");
    sheet.drivers = {Driver(2, "Bartek", 100)};
    const QStringList pages = Pages(sheet);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(LapRows(pages[0]), ExpectedRows(sheet.drivers[0]));
}

TEST_F(TimesheetPdfTest, LapsBeyondOnePageGoOnOverTheNext) {
    Timesheet sheet;
    sheet.session_label = QStringLiteral("2026-12-08 16:40");
    sheet.drivers = {Driver(5, "Ewa", 300), Driver(1, "Jan", 2)};
    const QStringList pages = Pages(sheet);
    ASSERT_GE(pages.size(), 4);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Session summary")));
    QStringList ewa;
    for (int i = 1; i < pages.size() - 1; ++i) {
        EXPECT_TRUE(pages[i].contains(QStringLiteral("Driver: Ewa")));
        ewa << LapRows(pages[i]);
    }
    EXPECT_EQ(ewa, ExpectedRows(sheet.drivers[0]));
    EXPECT_TRUE(pages.last().contains(QStringLiteral("Driver: Jan")));
    EXPECT_EQ(LapRows(pages.last()), ExpectedRows(sheet.drivers[1]));
}

TEST_F(TimesheetPdfTest, SessionWithoutLapLogPrintsItsTenFastestAndSaysSo) {
    SessionRecord record;
    KartSlot& kart = record.kart(3);
    kart.driver_name = QStringLiteral("Kasia");
    // The session file's order: fastest first.
    const qint32 numbers[] = {7, 3, 12, 9};
    const qint32 times[] = {6233, 6301, 6400, 6455};
    for (int j = 1; j <= 4; ++j) {
        kart.lap(j).lap_number = numbers[j - 1];
        kart.lap(j).lap_time = times[j - 1];
    }
    const Timesheet sheet = TimesheetFromSessionRecord(record, QStringLiteral("2012-05-31 14:05"));
    const QStringList pages = Pages(sheet);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains(QString::fromLatin1(kOnlyFastestNote)));
    EXPECT_EQ(LapRows(pages[0]),
              QStringList({"3 01:03:01 +00:68 top 10", "7 01:02:33 +00:00 best",
                           "9 01:04:55 +02:22 top 10", "12 01:04:00 +01:67 top 10"}));
}

TEST_F(TimesheetPdfTest, UnwritablePathIsReportedAndLeavesNoFile) {
    Timesheet sheet;
    sheet.drivers = {Driver(1, "Jan", 3)};
    const QString path = dir_.filePath(QStringLiteral("no-such-folder/sheet.pdf"));
    QString error;
    EXPECT_FALSE(WriteTimesheetPdf(path, sheet, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("no-such-folder"))) << error.toStdString();
    EXPECT_FALSE(QFile::exists(path));
}

}  // namespace
