#include <gtest/gtest.h>

#include <QFile>
#include <QPdfWriter>
#include <QPrinter>
#include <QTemporaryDir>
#include <cmath>

#include "PdfText.h"
#include "TimeFormat.h"
#include "Timesheet.h"
#include "TimesheetRenderer.h"

namespace {

// A driver's laps in order: a slow out lap, then laps around 31 s.
DriverSheet DriverWithLaps(int slot, const QString& name, int laps) {
    DriverSheet driver;
    driver.slot = slot;
    driver.driver_name = name;
    for (int n = 1; n <= laps; ++n) {
        SheetLap lap;
        lap.lap_number = n;
        lap.lap_time = n == 1 ? 4512 : 3100 + (n * 37 + slot * 11) % 180;
        lap.in_top_ten = n % 4 == 0;
        driver.laps.push_back(lap);
    }
    return driver;
}

// A gap as the sheet must print it, written out here: "+0.68", "+1:29.00".
QString Gap(qint32 cs) {
    const int s = cs / 100;
    return s < 60 ? QString::asprintf("+%d.%02d", s, cs % 100)
                  : QString::asprintf("+%d:%02d.%02d", s / 60, s % 60, cs % 100);
}

// What the sheet must list for a driver's standing laps.
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
        QString row = QStringLiteral("%1 %2 %3")
                          .arg(lap.lap_number)
                          .arg(FormatLapTime(quint32(lap.lap_time)), Gap(lap.lap_time - best));
        if (lap.lap_time == best && !best_marked) {
            row += QStringLiteral(" best");
            best_marked = true;
        } else if (lap.in_top_ten) {
            row += QStringLiteral(" top 10");
        }
        rows << row;
    }
    return rows;
}

Timesheet Session(std::vector<DriverSheet> drivers) {
    Timesheet sheet;
    sheet.session_label = QStringLiteral("2026-12-08 14:05");
    sheet.date = QStringLiteral("2026-12-08");
    sheet.drivers = std::move(drivers);
    return sheet;
}

class TimesheetPdfTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HavePdfToText()) {
            GTEST_SKIP() << "pdftotext and pdftoppm (poppler-utils) are not installed";
        }
        ASSERT_TRUE(dir_.isValid());
    }

    // The sheet written as "Save PDF" writes it, read back page by page. Every page is
    // rendered: its ink stays inside the 15 mm margins. With RUVO_SCREENSHOTS set the
    // PDF and its pages are kept there to be looked at (and for docs/).
    QStringList Pages(const Timesheet& sheet, const QString& name) {
        const QString path = dir_.filePath(name + QStringLiteral(".pdf"));
        QString error;
        EXPECT_TRUE(WriteTimesheetPdf(path, sheet, &error)) << error.toStdString();
        return PagesOf(path, name);
    }

    QStringList PagesOf(const QString& path, const QString& name) {
        QStringList pages = PdfText(path).split(QLatin1Char('\f'));
        while (!pages.isEmpty() && pages.last().trimmed().isEmpty()) {
            pages.removeLast();
        }
        EXPECT_FALSE(pages.isEmpty());
        const QString shots = qEnvironmentVariable("RUVO_SCREENSHOTS");
        if (!shots.isEmpty()) {
            QFile::remove(shots + "/" + name + ".pdf");
            QFile::copy(path, shots + "/" + name + ".pdf");
        }
        for (int page = 1; page <= pages.size(); ++page) {
            const QImage image = RenderPdfPage(path, page, 72);  // 1 pixel a point
            EXPECT_EQ(image.size(), QSize(595, 842)) << "page " << page;
            const QRect ink = InkBounds(image);
            EXPECT_FALSE(ink.isEmpty()) << "page " << page;
            EXPECT_TRUE(QRect(42, 42, 512, 759).contains(ink))
                << name.toStdString() << " page " << page << ": ink at " << ink.x() << ","
                << ink.y() << " " << ink.width() << "x" << ink.height();
            if (!shots.isEmpty()) {
                RenderPdfPage(path, page, 100)
                    .save(QStringLiteral("%1/%2-%3.png").arg(shots, name).arg(page));
            }
        }
        return pages;
    }

    QTemporaryDir dir_;
};

TEST_F(TimesheetPdfTest, EveryLapInOrderWithItsGapOnePagePerDriver) {
    Timesheet sheet = Session(
        {DriverWithLaps(1, QString::fromUtf8("Łukasz Żółć"), 25), DriverWithLaps(4, "Anna", 3)});
    sheet.drivers[0].laps[5].deleted = true;

    const QStringList all = Pages(sheet, QStringLiteral("timesheet"));
    // The session summary, then one page per driver.
    ASSERT_EQ(all.size(), 3);
    EXPECT_TRUE(all[0].contains(QStringLiteral("Session summary")));
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
        EXPECT_FALSE(pages[i].contains(QStringLiteral(" S1")));  // no sector data, no columns
    }
    EXPECT_EQ(LapRows(pages[0]).size(), 24);
    // Anna: 45.12, then (2*37+44)%180+3100 = 32.18 and (3*37+44)%180+3100 = 32.55.
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Best lap: 00:32:18 (lap 2)")));
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Median: 00:32:55")));
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Average: 00:36:62")));
    // Without the out lap: 32.18 and 32.55, 0.185 s either side of their mean (a double
    // just under 0.185, so printed 0.18).
    EXPECT_TRUE(pages[1].contains(QStringLiteral(
        "Without the first lap and laps over 107% of the best (2 laps): average 00:32:37, "
        "consistency 0.18 s")))
        << pages[1].toStdString();
    EXPECT_TRUE(
        pages[1].contains(QStringLiteral("top 10: one of the kart's ten fastest laps "
                                         "at the end of the session.")));
}

TEST_F(TimesheetPdfTest, OneLapSheetHasItsFiguresAndNoCleanLap) {
    const Timesheet sheet = Session({DriverWithLaps(3, "Kasia", 1)});
    const QStringList pages = Pages(sheet, QStringLiteral("timesheet-one-lap"));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(LapRows(pages[0]), QStringList({"1 00:45:12 +0.00 best"}));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Best lap: 00:45:12 (lap 1)")));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("(0 laps): no such lap")));
}

TEST_F(TimesheetPdfTest, HundredLapsRunDownThreeColumnsInOrder) {
    const Timesheet sheet = Session({DriverWithLaps(2, "Bartek", 100)});
    const QStringList pages = Pages(sheet, QStringLiteral("timesheet-100"));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(LapRows(pages[0]), ExpectedRows(sheet.drivers[0]));
}

TEST_F(TimesheetPdfTest, ThreeHundredLapsGoOnOverTheNextPages) {
    const Timesheet sheet = Session({DriverWithLaps(5, "Ewa", 300), DriverWithLaps(1, "Jan", 2)});
    const QStringList pages = Pages(sheet, QStringLiteral("timesheet-300"));
    ASSERT_GE(pages.size(), 4);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Session summary")));
    QStringList ewa;
    for (int i = 1; i < pages.size() - 1; ++i) {
        EXPECT_TRUE(pages[i].contains(QStringLiteral("Driver: Ewa")));
        EXPECT_EQ(pages[i].contains(QStringLiteral("Timesheet (continued)")), i > 1);
        ewa << LapRows(pages[i]);
    }
    EXPECT_EQ(ewa, ExpectedRows(sheet.drivers[0]));
    EXPECT_TRUE(pages.last().contains(QStringLiteral("Driver: Jan")));
    EXPECT_EQ(LapRows(pages.last()), ExpectedRows(sheet.drivers[1]));
}

// A 2:00.00 lap with a best of 31.00 is 89 s off, not "+29:00".
TEST_F(TimesheetPdfTest, GapsOfAMinuteAndMoreArePrintedWhole) {
    DriverSheet driver = DriverWithLaps(1, "Ola", 2);
    driver.laps[0].lap_time = 12000;
    driver.laps[1].lap_time = 3100;
    const QStringList pages = Pages(Session({driver}), QStringLiteral("timesheet-long-gap"));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(LapRows(pages[0]), QStringList({"1 02:00:00 +1:29.00", "2 00:31:00 +0.00 best"}));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("(1 lap): average 00:31:00")));
}

TEST_F(TimesheetPdfTest, EveryPageNamesTrackSessionOfTheDayItsTimesAndHandTiming) {
    Timesheet sheet =
        Session({DriverWithLaps(5, "Marek Lis", 120), DriverWithLaps(2, "Bartek", 3)});
    sheet.track = QString::fromUtf8("Tor Łódź Karting");
    sheet.session_number = 7;
    sheet.started = QDateTime(QDate(2026, 12, 8), QTime(13, 49, 50));
    sheet.ended = QDateTime(QDate(2026, 12, 8), QTime(14, 5, 12));
    sheet.drivers[0].hand_timed = true;
    const QStringList pages = Pages(sheet, QStringLiteral("timesheet-header"));
    ASSERT_EQ(pages.size(), 4);  // summary, Marek over two pages, Bartek
    for (const QString& page : pages) {
        EXPECT_TRUE(page.contains(QString::fromUtf8("RUVOTimer Tor Łódź Karting")))
            << page.toStdString();
        EXPECT_TRUE(page.contains(QStringLiteral("Session 7 of the day")));
        EXPECT_TRUE(page.contains(QStringLiteral("Start: 13:49:50")));
        EXPECT_TRUE(page.contains(QStringLiteral("End: 14:05:12")));
        EXPECT_TRUE(page.contains(QStringLiteral("Duration: 15:22")));
    }
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Kart 5, hand-timed")));
    EXPECT_TRUE(pages[2].contains(QStringLiteral("Kart 5, hand-timed")));
    EXPECT_TRUE(pages[3].contains(QStringLiteral("Kart 2\n")));
    EXPECT_FALSE(pages[3].contains(QStringLiteral("hand-timed\n")));
    // The result marks the hand-timed driver.
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Marek Lis 120 ")));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("hand-timed")));
}

// Five 20-character names: each stays in the driver column of the result and of the
// figures, clear of the next column.
TEST_F(TimesheetPdfTest, FiveKartsWithTwentyCharacterNamesKeepToTheirColumns) {
    std::vector<DriverSheet> drivers;
    const QString wide[] = {
        QStringLiteral("WWWWWWWWWWWWWWWWWWWW"), QStringLiteral("MMMMMMMMMMMMMMMMMMMM"),
        QString::fromUtf8("ŻŻŻŻŻŻŻŻŻŻŻŻŻŻŻŻŻŻŻŻ"), QStringLiteral("Wojciechowski-Wiśnia"),
        QStringLiteral("QQQQQQQQQQQQQQQQQQQQ")};
    for (int slot = 1; slot <= 5; ++slot) {
        drivers.push_back(DriverWithLaps(slot, wide[slot - 1], 8 + slot));
    }
    const Timesheet sheet = Session(drivers);
    const QString path = dir_.filePath(QStringLiteral("wide.pdf"));
    QString error;
    ASSERT_TRUE(WriteTimesheetPdf(path, sheet, &error));
    const QStringList pages = PagesOf(path, QStringLiteral("timesheet-wide-names"));
    ASSERT_EQ(pages.size(), 6);
    const auto words = PdfWords(path);
    ASSERT_EQ(words.size(), 6u);
    int rows_checked = 0;
    for (int slot = 1; slot <= 5; ++slot) {
        const QString name = sheet.drivers[size_t(slot - 1)].driver_name;
        for (const PdfWord& word : words[0]) {
            if (word.text != name) {
                continue;
            }
            // The nearest word to its right on the same row: on a table row the cell
            // after the name, a number; in the chart's legend the next name.
            const PdfWord* next = nullptr;
            for (const PdfWord& other : words[0]) {
                if (std::abs(other.y_min - word.y_min) < 1 && other.x_min > word.x_min &&
                    (!next || other.x_min < next->x_min)) {
                    next = &other;
                }
            }
            if (!next || !next->text.front().isDigit()) {
                continue;
            }
            EXPECT_LT(word.x_max + 2, next->x_min) << name.toStdString();
            ++rows_checked;
        }
    }
    EXPECT_EQ(rows_checked, 10);  // every name in both tables, none cut
    // The chart's legend, whole (the page's ink stays inside its margins), holds the key
    // to the rings below the axis caption.
    const auto y_of = [&](const QString& text) {
        for (const PdfWord& word : words[0]) {
            if (word.text == text) {
                return word.y_min;
            }
        }
        return -1.0;
    };
    EXPECT_GT(y_of(QStringLiteral("ring:")), y_of(QStringLiteral("number;")) + 8);
}

TEST_F(TimesheetPdfTest, DriverChangePrintsEachLapUnderWhoDroveIt) {
    SessionLapLog log;
    for (int n = 1; n <= 12; ++n) {
        LapRecord lap;
        lap.slot = 2;
        lap.radio = true;
        lap.driver_name = n <= 5 ? QStringLiteral("Adam") : QStringLiteral("Beata");
        lap.lap_number = n;
        lap.lap_time = 3000 + n * 7;
        log.laps.push_back(lap);
    }
    const Timesheet sheet = TimesheetFromLapLog(log, QStringLiteral("2026-12-08 15:00"));
    const QStringList pages = Pages(sheet, QStringLiteral("timesheet-driver-change"));
    ASSERT_EQ(pages.size(), 3);
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Driver: Adam")));
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Kart 2")));
    EXPECT_EQ(LapRows(pages[1]).size(), 5);
    EXPECT_TRUE(LapRows(pages[1]).first().startsWith(QStringLiteral("1 00:30:07 +0.00 best")));
    EXPECT_TRUE(pages[2].contains(QStringLiteral("Driver: Beata")));
    EXPECT_EQ(LapRows(pages[2]).size(), 7);
    EXPECT_TRUE(LapRows(pages[2]).first().startsWith(QStringLiteral("6 00:30:42 +0.00 best")));
}

TEST_F(TimesheetPdfTest, SectorTimesBesideEachLapWithBestSectorsAndBestPossibleLap) {
    DriverSheet driver = DriverWithLaps(1, "Sektor", 4);
    const SectorTimes sectors[] = {
        {1500, 1600, 1412}, {1000, 1100, 1000}, {990, 1120, 1000}, {1010, 1090, 0}};
    for (size_t i = 0; i < 4; ++i) {
        driver.laps[i].sectors = sectors[i];
    }
    const QStringList pages = Pages(Session({driver}), QStringLiteral("timesheet-sectors"));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(LapRows(pages[0]),
              QStringList(
                  {"1 00:45:12 +13.27 15.00 16.00 14.12", "2 00:31:85 +0.00 10.00 11.00 10.00 best",
                   "3 00:32:22 +0.37 9.90 11.20 10.00", "4 00:32:59 +0.74 10.10 10.90 top 10"}))
        << pages[0].toStdString();
    EXPECT_TRUE(pages[0].contains(QStringLiteral(
        "Best sectors: S1 9.90 (lap 3) S2 10.90 (lap 4) S3 10.00 (lap 2) Best possible "
        "lap: 00:30:80")))
        << pages[0].toStdString();
}

TEST_F(TimesheetPdfTest, DeletedLapsAreStruckOutWithTheTimeOfTheCorrection) {
    DriverSheet driver = DriverWithLaps(4, "Zofia", 6);
    driver.laps[2].deleted = true;
    driver.laps[2].deleted_at = QDateTime(QDate(2026, 12, 8), QTime(14, 7, 12));
    driver.laps[4].deleted = true;  // from a log that does not say when
    const QStringList pages = Pages(Session({driver}), QStringLiteral("timesheet-deleted"));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(LapRows(pages[0]), ExpectedRows(driver));  // the standing laps, gaps as before
    EXPECT_TRUE(pages[0].contains(QStringLiteral("3 00:32:55 deleted 14:07:12\n")))
        << pages[0].toStdString();
    EXPECT_TRUE(pages[0].contains(QStringLiteral("5 00:31:49 deleted\n")));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Struck out:")));
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
    const QStringList pages = Pages(sheet, QStringLiteral("timesheet-ten-fastest"));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains(QString::fromLatin1(kOnlyFastestNote)));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Kart 3, hand-timed")));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Start: --")));
    EXPECT_EQ(LapRows(pages[0]),
              QStringList({"3 01:03:01 +0.68 top 10", "7 01:02:33 +0.00 best",
                           "9 01:04:55 +2.22 top 10", "12 01:04:00 +1.67 top 10"}));
}

// The print path lays the page out as the PDF does: a printer that starts with no
// margins at all still gets 15 mm (a real queue gave 3.5 mm before).
TEST_F(TimesheetPdfTest, PrintedSheetKeepsTheMarginsOfThePdf) {
    const QString path = dir_.filePath(QStringLiteral("printed.pdf"));
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setFullPage(true);
        printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        QString error;
        ASSERT_TRUE(PrintTimesheet(printer, Session({DriverWithLaps(1, "Jan", 40)}), &error));
    }
    const auto words = PdfWords(path);
    ASSERT_EQ(words.size(), 1u);
    double left = 1e9;
    double top = 1e9;
    for (const PdfWord& word : words[0]) {
        left = std::min(left, word.x_min);
        top = std::min(top, word.y_min);
    }
    EXPECT_GE(left, 42.0);  // 15 mm is 42.5 points
    EXPECT_GE(top, 42.0);
    EXPECT_LT(left, 48.0);
}

TEST_F(TimesheetPdfTest, UnwritablePathIsReportedAndLeavesNoFile) {
    const QString path = dir_.filePath(QStringLiteral("no-such-folder/sheet.pdf"));
    QString error;
    EXPECT_FALSE(WriteTimesheetPdf(path, Session({DriverWithLaps(1, "Jan", 3)}), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("no-such-folder"))) << error.toStdString();
    EXPECT_FALSE(QFile::exists(path));
}

}  // namespace

TEST_F(TimesheetPdfTest, PersonalBestAndRanksFromTheRecordsIndex) {
    Timesheet sheet = Session({DriverWithLaps(1, "Anna", 12), DriverWithLaps(2, "Bartek", 12),
                               DriverWithLaps(3, "Cezary", 12)});
    const LapStatistics anna(sheet.drivers[0].laps);
    sheet.drivers[0].standing = {true, anna.best() + 7, QDate(2026, 12, 8), true, 3, 41, 12, 530};
    // Bartek's sheet printed later from the history: his best stands, the ranks are
    // of that day. Cezary's first visit: nothing to beat.
    sheet.drivers[1].standing = {true, 2999, QDate(2026, 12, 1), false, 1, 9, 0, 0};
    sheet.drivers[2].standing = {true, 0, QDate(2026, 12, 8), true, 41, 41, 530, 530};
    const QStringList pages = Pages(sheet, QStringLiteral("timesheet-records"));
    ASSERT_EQ(pages.size(), 4);
    EXPECT_TRUE(
        pages[1].contains(QStringLiteral("Personal best: %1 (lap %2), before this session %3")
                              .arg(FormatLapTime(quint32(anna.best())))
                              .arg(anna.best_lap_number())
                              .arg(FormatLapTime(quint32(anna.best() + 7)))))
        << pages[1].toStdString();
    EXPECT_TRUE(
        pages[1].contains(QStringLiteral("Rank today: 3 of 41 \u00b7 this month: 12 of 530")));
    EXPECT_TRUE(pages[1].contains(QStringLiteral(" +0.00 best PB\n")));
    EXPECT_TRUE(pages[1].simplified().contains(QStringLiteral("PB: a personal best, faster")));
    EXPECT_TRUE(pages[2].contains(QStringLiteral("Best before this session: 00:29:99")));
    EXPECT_TRUE(pages[2].contains(QStringLiteral("Rank on 2026-12-01: 1 of 9\n")));
    EXPECT_FALSE(pages[2].contains(QStringLiteral("PB")));
    EXPECT_FALSE(pages[3].contains(QStringLiteral("PB")));
    EXPECT_FALSE(pages[3].contains(QStringLiteral("Personal best")));
    EXPECT_TRUE(pages[3].contains(QStringLiteral("Rank today: 41 of 41")));
    // Without an answer from the index, none of it.
    sheet.drivers[0].standing = RecordStanding{};
    EXPECT_FALSE(Pages(OnlyDriver(sheet, 0), QStringLiteral("no-records"))[0].contains("Rank"));
}
