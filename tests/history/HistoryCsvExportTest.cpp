#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include "CsvDialect.h"
#include "LapLogFormat.h"
#include "SaveFileAnswer.h"
#include "TempFolder.h"
#include "Tfhistoria.h"

namespace {

// Answers the file dialog with a path and every message box with OK, keeping
// the boxes' texts.
class Answers {
  public:
    explicit Answers(QString save_as) : save_as_(std::move(save_as)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible() || modal->property("answered").toBool()) {
                return;
            }
            modal->setProperty("answered", true);
            if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                dialog_names << dialog->selectedFiles().value(0);
                if (save_as_.isEmpty()) {
                    dialog->reject();  // the operator cancels
                    return;
                }
                SaveFileAs(dialog, save_as_);
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                texts << box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
        timer_.start();
    }
    QStringList dialog_names;
    QStringList texts;

  private:
    QString save_as_;
    QTimer timer_;
};

// The export is written in the station's locale (C in the tests: ',' and '.').
std::vector<QStringList> Rows(const QByteArray& bytes) {
    std::vector<QStringList> rows;
    csv::Reader reader(bytes, csv::StationExportFormat().separator);
    csv::ParsedRecord record;
    while (reader.Next(&record)) {
        rows.push_back(record.fields);
    }
    return rows;
}

class HistoryCsvExport : public ::testing::Test {
  protected:
    HistoryCsvExport() {
        // 09:12 from before the lap log; 10:00 with a log of two laps.
        temp_.Write("Sessions/2012_05_31/2012_05_31_09_12.txt",
                    "[Ustawienia]\r\nNAZWA_1=Ola\r\nLAPSINT_1_1=3100\r\nLAPNR_1_1=4\r\n");
        temp_.Write("Sessions/2012_05_31/2012_05_31_10_00.txt", "[Ustawienia]\r\nNAZWA_1=Ewa\r\n");
        QByteArray log = LapLogHeader();
        for (int n = 1; n <= 2; ++n) {
            LapRecord lap;
            lap.slot = 1;
            lap.driver_name = QStringLiteral("Łucja \"Ł\", a\nb=1");
            lap.lap_number = n;
            lap.lap_time = 3000 + n;
            log += LapLogLine(lap);
        }
        temp_.Write("Sessions/2012_05_31/laps/2012_05_31_10_00.csv", log);
        window_.LoadDaySessions(temp_.path(), QDate(2012, 5, 31));
        window_.show();
    }
    QPushButton* Button(const char* name) { return window_.findChild<QPushButton*>(name); }

    TempFolder temp_;
    Tfhistoria window_;
};

TEST_F(HistoryCsvExport, ButtonsSitBelowTheCloseButtonInTheRightBar) {
    QPushButton* session = Button("ButtonExportSession");
    QPushButton* day = Button("ButtonExportDay");
    ASSERT_TRUE(session && day);
    EXPECT_EQ(session->text(), "Export session CSV");
    EXPECT_EQ(day->text(), "Export day CSV");
    EXPECT_EQ(session->geometry(), QRect(13, 280, 225, 55));
    EXPECT_EQ(day->geometry(), QRect(13, 345, 225, 55));
    EXPECT_EQ(Button("Button1")->geometry(), QRect(13, 8, 225, 121));
    if (const char* folder = std::getenv("RUVO_SCREENSHOTS")) {
        window_.grab().save(QString::fromLocal8Bit(folder) + "/history-export.png");
    }
}

TEST_F(HistoryCsvExport, SessionExportWritesEveryLapOfTheSelectedSession) {
    window_.findChild<QTabBar*>("TabControl1")->setCurrentIndex(1);
    Answers answers(temp_.file("out/session.csv"));
    QDir().mkpath(temp_.file("out"));
    QTest::mouseClick(Button("ButtonExportSession"), Qt::LeftButton);
    ASSERT_EQ(answers.texts.size(), 1);
    EXPECT_TRUE(answers.dialog_names.value(0).endsWith("2012_05_31_10_00-laps.csv"))
        << answers.dialog_names.value(0).toStdString();
    EXPECT_TRUE(answers.texts[0].startsWith("2 laps of 1 sessions"))
        << answers.texts[0].toStdString();
    const std::vector<QStringList> rows = Rows(temp_.Read("out/session.csv"));
    ASSERT_EQ(rows.size(), 3u);
    // The lap log keeps a line break of a name as a blank, as the session file does.
    EXPECT_EQ(rows[1][3], QStringLiteral("Łucja \"Ł\", a b=1"));
    EXPECT_EQ(rows[2][8], "30.02");
}

TEST_F(HistoryCsvExport, DayExportFallsBackToTheTenFastestAndSaysSo) {
    Answers answers(temp_.file("day.csv"));
    QTest::mouseClick(Button("ButtonExportDay"), Qt::LeftButton);
    ASSERT_EQ(answers.texts.size(), 1);
    EXPECT_TRUE(answers.dialog_names.value(0).endsWith("2012_05_31-laps.csv"));
    EXPECT_TRUE(answers.texts[0].contains("3 laps of 2 sessions"))
        << answers.texts[0].toStdString();
    EXPECT_TRUE(answers.texts[0].contains("1 of the sessions have no lap log"));
    const std::vector<QStringList> rows = Rows(temp_.Read("day.csv"));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1].mid(0, 4), QStringList({"2012-05-31 09:12", "ten fastest only", "1", "Ola"}));
    EXPECT_EQ(rows[2][0], "2012-05-31 10:00");
}

// The window holds a day's 100 most recent sessions; the day's export takes all.
TEST(HistoryCsvDayExport, DayWithMoreThanAHundredSessionsExportsEveryOne) {
    TempFolder temp;
    for (int i = 0; i < 105; ++i) {
        const QString name = QStringLiteral("Sessions/2012_05_31/2012_05_31_%1_%2.txt")
                                 .arg(8 + i / 60, 2, 10, QLatin1Char('0'))
                                 .arg(i % 60, 2, 10, QLatin1Char('0'));
        temp.Write(name, QStringLiteral("[Ustawienia]\r\nNAZWA_1=S%1\r\nLAPSINT_1_1=3100\r\n"
                                        "LAPNR_1_1=1\r\n")
                             .arg(i + 1)
                             .toUtf8());
    }
    Tfhistoria window;
    window.LoadDaySessions(temp.path(), QDate(2012, 5, 31));
    ASSERT_EQ(window.sessions().count, 100);
    Answers answers(temp.file("day.csv"));
    QTest::mouseClick(window.findChild<QPushButton*>("ButtonExportDay"), Qt::LeftButton);
    ASSERT_EQ(answers.texts.size(), 1);
    EXPECT_TRUE(answers.texts[0].startsWith("105 laps of 105 sessions"))
        << answers.texts[0].toStdString();
    const std::vector<QStringList> rows = Rows(temp.Read("day.csv"));
    ASSERT_EQ(rows.size(), 106u);
    EXPECT_EQ(rows[1][3], "S1");  // the first session of the day, not the sixth
    EXPECT_EQ(rows[105][3], "S105");
}

TEST_F(HistoryCsvExport, CancelledDialogWritesNothing) {
    Answers answers{QString()};
    QTest::mouseClick(Button("ButtonExportDay"), Qt::LeftButton);
    EXPECT_EQ(answers.dialog_names.size(), 1);
    EXPECT_TRUE(answers.texts.isEmpty());
}

}  // namespace
