#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>

#include "../reports/PdfText.h"
#include "FakeClock.h"
#include "LapChart.h"
#include "LapLogFormat.h"
#include "ModalScript.h"
#include "ResultWindow.h"
#include "SaveFileAnswer.h"
#include "SessionFile.h"
#include "Station.h"
#include "TempFolder.h"
#include "Tfhistoria.h"
#include "TimesheetDialog.h"

namespace {

// A session file with two karts: slot 1 with three laps, slot 4 with two.
QByteArray TwoKartSession() {
    FakeClock clock;
    Station station(clock, "/unused/");
    station.slot(1).driver_name = QStringLiteral("Kowalski");
    station.slot(4).driver_name = QStringLiteral("Zając");
    station.slot(1).lap(1) = {6233, "", 7, 11850, 7420};
    station.slot(1).lap(2) = {6301, "", 3, 11790, 7380};
    station.slot(1).lap(3) = {6455, "", 9, 11700, 7300};
    station.slot(4).lap(1) = {6190, "", 2, 11000, 7000};
    station.slot(4).lap(2) = {6288, "", 1, 11000, 7000};
    return SessionFileText(station).toUtf8();
}

void Click(QWidget* window, const char* name) {
    auto* button = window->findChild<QAbstractButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton);
}

// Clicks once the answer has returned, so that a modal window the click opens can
// be answered too.
void ClickLater(QWidget* window, const char* name) {
    Later([window, name] { Click(window, name); });
}

class HistoryReportsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_.Write("Sessions/2012_05_31/2012_05_31_14_05.txt", TwoKartSession());
        window_.LoadDaySessions(folder_.path(), QDate(2012, 5, 31));
        window_.show();
    }

    QPushButton* Button(const char* name) {
        return window_.findChild<QPushButton*>(QString::fromLatin1(name));
    }

    TempFolder folder_;
    Tfhistoria window_;
};

TEST_F(HistoryReportsTest, ButtonsSitInTheRightBarBelowCloseAndAboveTheExportBand) {
    QPushButton* close = Button("Button1");
    QPushButton* sheet = Button("ButtonTimesheet");
    QPushButton* chart = Button("ButtonLapChart");
    ASSERT_TRUE(close && sheet && chart);
    EXPECT_EQ(close->geometry(), QRect(13, 8, 225, 121));
    EXPECT_EQ(sheet->text(), "Timesheet");
    EXPECT_EQ(chart->text(), "Lap chart");
    for (QPushButton* button : {sheet, chart}) {
        EXPECT_EQ(button->parentWidget(), close->parentWidget());
        EXPECT_GE(button->y(), 140);
        EXPECT_LE(button->geometry().bottom(), 260);
        EXPECT_TRUE(button->isEnabled());
    }
    EXPECT_FALSE(sheet->geometry().intersects(chart->geometry()));
    // "Result" in the free room under the export band.
    QPushButton* result = Button("ButtonResult");
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->text(), "Result");
    EXPECT_EQ(result->parentWidget(), close->parentWidget());
    EXPECT_GE(result->y(), Button("ButtonExportDay")->geometry().bottom() + 10);
    EXPECT_LE(result->geometry().bottom(), 714 - 56);
    EXPECT_TRUE(result->isEnabled());
}

TEST_F(HistoryReportsTest, TimesheetOfAllDriversIsSavedAsPdfWithTheTenFastestNote) {
    const QString pdf = folder_.file("sheet.pdf");
    QString note;
    QString status;
    QStringList drivers;
    ModalScript script({
        [&](QWidget* dialog) {
            note = dialog->findChild<QLabel*>("OnlyFastestNote")->text();
            auto* choice = dialog->findChild<QComboBox*>("DriverChoice");
            for (int i = 0; i < choice->count(); ++i) {
                drivers << choice->itemText(i);
            }
            dialog->findChild<QRadioButton*>("AllDrivers")->setChecked(true);
            ClickLater(dialog, "SavePdfButton");
        },
        [&](QWidget* files) {
            auto* dialog = qobject_cast<QFileDialog*>(files);
            ASSERT_NE(dialog, nullptr);
            SaveFileAs(dialog, pdf);
        },
        [&](QWidget* dialog) {
            status = dialog->findChild<QLabel*>("Status")->text();
            ClickLater(dialog, "CloseButton");
        },
    });
    Click(&window_, "ButtonTimesheet");
    EXPECT_EQ(script.seen(), QStringList({"TimesheetDialog", "QFileDialog", "TimesheetDialog"}));
    EXPECT_EQ(note, QString::fromLatin1(kOnlyFastestNote));
    EXPECT_EQ(drivers, QStringList({"Kowalski  (kart 1)", QString::fromUtf8("Zając  (kart 4)")}));
    EXPECT_TRUE(status.startsWith("Saved ")) << status.toStdString();
    ASSERT_TRUE(QFile::exists(pdf));

    if (!HavePdfToText()) {
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }
    const QStringList all = PdfText(pdf).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    ASSERT_EQ(all.size(), 3);  // the session summary, then one page per driver
    EXPECT_TRUE(all[0].contains("Session summary"));
    EXPECT_TRUE(all[0].contains(QString::fromLatin1(kOnlyFastestNote)));
    const QStringList pages = all.mid(1);
    EXPECT_TRUE(pages[0].contains("Driver: Kowalski"));
    EXPECT_TRUE(pages[0].contains("Session: 2012-05-31 14:05"));
    EXPECT_TRUE(pages[0].contains(QString::fromLatin1(kOnlyFastestNote)));
    EXPECT_EQ(LapRows(pages[0]), QStringList({"3 01:03:01 +0.68 top 10", "7 01:02:33 +0.00 best",
                                              "9 01:04:55 +2.22 top 10"}));
    EXPECT_TRUE(pages[1].contains(QString::fromUtf8("Driver: Zając")));
    EXPECT_EQ(LapRows(pages[1]), QStringList({"1 01:02:88 +0.98 top 10", "2 01:01:90 +0.00 best"}));
}

// Without a printer the station says so and offers the PDF instead of letting Qt's
// dialog write a file that would then be reported as printed.
TEST_F(HistoryReportsTest, PrintWithoutAPrinterOffersSaveAsPdfForTheChosenDriver) {
    if (!QPrinterInfo::availablePrinterNames().isEmpty()) {
        GTEST_SKIP() << "this machine has a printer";
    }
    const QString pdf = folder_.file("zajac.pdf");
    QString told;
    QString status;
    ModalScript script(std::vector<ModalScript::Step>{
        {"TimesheetDialog",
         [&](QWidget* dialog) {
             dialog->findChild<QComboBox*>("DriverChoice")->setCurrentIndex(1);
             dialog->findChild<QRadioButton*>("OneDriver")->setChecked(true);
             ClickLater(dialog, "PrintButton");
         }},
        {"QMessageBox",
         [&](QWidget* box) {
             auto* message = qobject_cast<QMessageBox*>(box);
             ASSERT_NE(message, nullptr);
             told = message->text();
             for (QAbstractButton* button : message->buttons()) {
                 if (button->text() == "Save as PDF...") {
                     Later([button] { button->click(); });
                 }
             }
         }},
        {"QFileDialog",
         [&](QWidget* files) {
             qobject_cast<QFileDialog*>(files)->selectFile(pdf);
             static_cast<QDialog*>(files)->accept();
         }},
        {"TimesheetDialog",
         [&](QWidget* dialog) {
             status = dialog->findChild<QLabel*>("Status")->text();
             ClickLater(dialog, "CloseButton");
         }},
    });
    Click(&window_, "ButtonTimesheet");
    EXPECT_EQ(script.seen(),
              QStringList({"TimesheetDialog", "QMessageBox", "QFileDialog", "TimesheetDialog"}));
    EXPECT_EQ(told, "No printer is set up on this computer.");
    EXPECT_TRUE(status.startsWith("Saved ")) << status.toStdString();
    if (!HavePdfToText()) {
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }
    const QStringList pages = PdfText(pdf).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains(QString::fromUtf8("Driver: Zając")));
}

// A sheet sent through Qt's dialog to "Print to File" says where the file went.
TEST(PrintedTextTest, PrintToFileSaysWhereTheFileWent) {
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName("/tmp/Timesheet 2012-05-31.pdf");
    EXPECT_EQ(PrintedText(printer),
              "Saved /tmp/Timesheet 2012-05-31.pdf (\"Print to File\": not printed)");
}

TEST_F(HistoryReportsTest, LapChartShowsEachKartsTenFastestAsLonePoints) {
    std::vector<ChartSeries> series;
    bool note_shown = false;
    ModalScript script({
        [&](QWidget* window) {
            auto* chart_window = qobject_cast<LapChartWindow*>(window);
            ASSERT_NE(chart_window, nullptr);
            series = chart_window->chart().series();
            note_shown = chart_window->findChild<QLabel*>("OnlyFastestNote") != nullptr;
            const QString shots = qEnvironmentVariable("RUVO_SCREENSHOTS");
            if (!shots.isEmpty()) {
                window->grab().save(shots + "/lap-chart-ten-fastest.png");
            }
            ClickLater(window, "CloseButton");
        },
    });
    Click(&window_, "ButtonLapChart");
    ASSERT_TRUE(script.done());
    EXPECT_TRUE(note_shown);
    ASSERT_EQ(series.size(), 2u);
    EXPECT_EQ(series[0].slot, 1);
    EXPECT_EQ(series[1].slot, 4);
    for (const ChartSeries& s : series) {
        EXPECT_FALSE(s.joined);
    }
    ASSERT_EQ(series[0].laps.size(), 3u);
    EXPECT_EQ(series[0].laps[1].lap_number, 7);
    EXPECT_TRUE(series[0].laps[1].best);
}

// The same session with its lap log beside it: slot 1 drove nine laps, slot 4 three.
// A line of junk is skipped.
QByteArray LapLog() {
    QByteArray bytes = LapLogHeader();
    const qint32 kowalski[] = {7012, 6455, 6301, 6390, 6350, 6340, 6233, 6420, 6290};
    for (int n = 1; n <= 9; ++n) {
        LapRecord lap;
        lap.slot = 1;
        lap.driver_name = QStringLiteral("Kowalski");
        lap.lap_number = n;
        lap.lap_time = kowalski[n - 1];
        lap.ended_at = QDateTime(QDate(2012, 5, 31), QTime(14, 0, n));
        lap.entered_top_ten = true;
        bytes += LapLogLine(lap);
        if (n == 2) {
            bytes += "\x01\x02 junk, not a record\r\n";
        }
    }
    const qint32 zajac[] = {6288, 6190, 6400};
    for (int n = 1; n <= 3; ++n) {
        LapRecord lap;
        lap.slot = 4;
        lap.driver_name = QStringLiteral("Zając");
        lap.lap_number = n;
        lap.lap_time = zajac[n - 1];
        lap.ended_at = QDateTime(QDate(2012, 5, 31), QTime(14, 1, n));
        lap.entered_top_ten = true;
        bytes += LapLogLine(lap);
    }
    return bytes;
}

TEST_F(HistoryReportsTest, WithALapLogEveryLapIsChartedJoinedAndPrintedInOrder) {
    folder_.Write("Sessions/2012_05_31/laps/2012_05_31_14_05.csv", LapLog());
    std::vector<ChartSeries> series;
    ModalScript chart({[&](QWidget* window) {
        series = qobject_cast<LapChartWindow*>(window)->chart().series();
        EXPECT_EQ(window->findChild<QLabel*>("OnlyFastestNote"), nullptr);
        const QString shots = qEnvironmentVariable("RUVO_SCREENSHOTS");
        if (!shots.isEmpty()) {
            window->grab().save(shots + "/lap-chart.png");
        }
        ClickLater(window, "CloseButton");
    }});
    Click(&window_, "ButtonLapChart");
    ASSERT_EQ(series.size(), 2u);
    EXPECT_TRUE(series[0].joined);
    ASSERT_EQ(series[0].laps.size(), 9u);
    EXPECT_EQ(series[0].laps[3].lap_number, 4);
    EXPECT_TRUE(series[0].laps[6].best);
    EXPECT_EQ(series[0].laps[6].lap_number, 7);
    EXPECT_EQ(series[1].laps.size(), 3u);

    const QString pdf = folder_.file("kowalski.pdf");
    QString skipped;
    ModalScript sheet({
        [&](QWidget* dialog) {
            auto* skipped_note = dialog->findChild<QLabel*>("SkippedNote");
            skipped = skipped_note ? skipped_note->text() : QString();
            EXPECT_EQ(dialog->findChild<QLabel*>("OnlyFastestNote"), nullptr);
            dialog->findChild<QComboBox*>("DriverChoice")->setCurrentIndex(0);
            dialog->findChild<QRadioButton*>("OneDriver")->setChecked(true);
            ClickLater(dialog, "SavePdfButton");
        },
        [&](QWidget* files) {
            auto* dialog = qobject_cast<QFileDialog*>(files);
            ASSERT_NE(dialog, nullptr);
            SaveFileAs(dialog, pdf);
        },
        [&](QWidget* dialog) { ClickLater(dialog, "CloseButton"); },
    });
    Click(&window_, "ButtonTimesheet");
    EXPECT_EQ(skipped, "1 of the lap log's lines could not be read and are left out.");
    ASSERT_TRUE(QFile::exists(pdf));
    if (!HavePdfToText()) {
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }
    const QStringList pages = PdfText(pdf).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    ASSERT_EQ(pages.size(), 1);  // this driver only
    EXPECT_TRUE(pages[0].contains("Driver: Kowalski"));
    EXPECT_FALSE(pages[0].contains(QString::fromLatin1(kOnlyFastestNote)));
    EXPECT_EQ(LapRows(pages[0]), QStringList({
                                     "1 01:10:12 +7.79 top 10",
                                     "2 01:04:55 +2.22 top 10",
                                     "3 01:03:01 +0.68 top 10",
                                     "4 01:03:90 +1.57 top 10",
                                     "5 01:03:50 +1.17 top 10",
                                     "6 01:03:40 +1.07 top 10",
                                     "7 01:02:33 +0.00 best",
                                     "8 01:04:20 +1.87 top 10",
                                     "9 01:02:90 +0.57 top 10",
                                 }));
}

TEST_F(HistoryReportsTest, ResultViewRanksTheSessionByBestLap) {
    folder_.Write("Sessions/2012_05_31/laps/2012_05_31_14_05.csv", LapLog());
    QStringList cells;
    QString status;
    const QString csv = folder_.file("result.csv");
    ModalScript script({[&](QWidget* window) {
                            auto* result = qobject_cast<ResultWindow*>(window);
                            ASSERT_NE(result, nullptr);
                            const QTableWidget& table = result->table();
                            for (int r = 0; r < table.rowCount(); ++r) {
                                QStringList row;
                                for (int c = 0; c < table.columnCount(); ++c) {
                                    row << table.item(r, c)->text();
                                }
                                cells << row.join(' ');
                            }
                            const QString shots = qEnvironmentVariable("RUVO_SCREENSHOTS");
                            if (!shots.isEmpty()) {
                                window->grab().save(shots + "/history-result.png");
                            }
                            ClickLater(window, "SaveCsvButton");
                        },
                        [&](QWidget* files) {
                            qobject_cast<QFileDialog*>(files)->selectFile(csv);
                            static_cast<QDialog*>(files)->accept();
                        },
                        [&](QWidget* window) {
                            status = window->findChild<QLabel*>("Status")->text();
                            ClickLater(window, "CloseButton");
                        }});
    Click(&window_, "ButtonResult");
    ASSERT_TRUE(script.done());
    EXPECT_TRUE(status.startsWith("Saved ")) << status.toStdString();
    EXPECT_TRUE(folder_.Read("result.csv").contains(QString::fromUtf8("Zając").toUtf8()));
    // Zając's 1:01.90 beats Kowalski's 1:02.33 by 0.43 s; the log's laps carry no
    // radio flag, so both were timed by hand.
    EXPECT_EQ(cells, QStringList({QString::fromUtf8("1 4 Zając 3 01:01:90 2 - - hand-timed"),
                                  "2 1 Kowalski 9 01:02:33 7 +0.43 +0.43 hand-timed"}));
}

TEST(HistoryReportsEmptyDayTest, WithoutSessionsTheButtonsOpenNothing) {
    TempFolder folder;
    Tfhistoria window;
    window.LoadDaySessions(folder.path(), QDate(2012, 5, 31));
    for (const char* name : {"ButtonTimesheet", "ButtonLapChart", "ButtonResult"}) {
        auto* button = window.findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr);
        EXPECT_FALSE(button->isEnabled());
    }
    // Called directly as well: no session, nothing opens (no modal to wait for).
    window.TimesheetClick();
    window.LapChartClick();
    window.ResultClick();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
