#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QTest>

#include "../reports/PdfText.h"
#include "LapLogFormat.h"
#include "SessionEndPrintouts.h"
#include "TempFolder.h"

namespace {

// A session of kart 1, whose driver changed after two laps, and hand-timed kart 5.
class SessionEndPrintouts : public ::testing::Test {
  protected:
    SessionEndPrintouts() {
        temp_.Write("Sessions/2012_05_31/2012_05_31_14_05.txt",
                    "[Ustawienia]\r\nNAZWA_1=Bartek\r\nRADIO_1=1\r\nLAPSINT_1_1=3100\r\n"
                    "LAPNR_1_1=3\r\nNAZWA_5=Ola\r\nLAPSINT_5_1=4000\r\nLAPNR_5_1=1\r\n");
        QByteArray log = LapLogHeader();
        const char* drivers[] = {"Adam", "Adam", "Bartek", "Ola"};
        const int kart_slots[] = {1, 1, 1, 5};
        for (int i = 0; i < 4; ++i) {
            LapRecord lap;
            lap.slot = kart_slots[i];
            lap.driver_name = QString::fromLatin1(drivers[i]);
            lap.radio = lap.slot == 1;
            lap.lap_number = i == 3 ? 1 : i + 1;
            lap.lap_time = 3100 + 10 * i;
            log += LapLogLine(lap);
        }
        temp_.Write("Sessions/2012_05_31/laps/2012_05_31_14_05.csv", log);
    }

    QString SessionFile() const { return temp_.file("Sessions/2012_05_31/2012_05_31_14_05.txt"); }
    QString Settings(const QString& lines) {
        temp_.Write("ustawienia.ini", ("[Parametry]\r\nNAME1=x\r\n" + lines).toUtf8());
        return temp_.file("ustawienia.ini");
    }

    TempFolder temp_;
};

TEST_F(SessionEndPrintouts, PdfsOfEveryDriverGoIntoTheFolderWithTheTrackName) {
    const QString ini = Settings(
        QStringLiteral("[Timesheets]\r\nAtSessionEnd=pdf\r\nTrack=Tor Bemowo\r\nPdfFolder=%1\r\n")
            .arg(temp_.file("sheets")));
    const PrintoutOutcome outcome = PrintSessionSheets(LoadTimesheetSettings(ini), SessionFile());
    EXPECT_TRUE(outcome.failure.isEmpty()) << outcome.failure.toStdString();
    EXPECT_EQ(outcome.sheets, 3);
    EXPECT_EQ(QDir(temp_.file("sheets")).entryList(QDir::Files),
              QStringList({"2012-05-31 14-05 kart 1 Adam.pdf", "2012-05-31 14-05 kart 1 Bartek.pdf",
                           "2012-05-31 14-05 kart 5 Ola.pdf"}));
    if (!HavePdfToText()) {
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }
    const QString ola = PdfText(outcome.files.value(2));
    EXPECT_EQ(ola.count('\f'), 1);  // one page: her sheet only
    EXPECT_TRUE(ola.contains("Driver: Ola"));
    EXPECT_TRUE(ola.contains("Kart 5, hand-timed"));
    EXPECT_TRUE(ola.contains("RUVOTimer Tor Bemowo"));
    EXPECT_TRUE(ola.contains("Session 1 of the day"));
}

// A failure is told once, in a box that neither blocks nor asks for the keyboard.
TEST_F(SessionEndPrintouts, FailureIsToldOnceWithoutTakingTheKeyboard) {
    temp_.Write("not-a-folder", "x");
    const QString ini =
        Settings(QStringLiteral("[Timesheets]\r\nAtSessionEnd=pdf\r\nPdfFolder=%1\r\n")
                     .arg(temp_.file("not-a-folder")));
    QWidget launcher;
    launcher.show();

    QueueSessionEndPrintouts(ini, SessionFile(), &launcher);
    EXPECT_TRUE(launcher.findChildren<QMessageBox*>().isEmpty());  // not before END SESSION returns
    QTest::qWait(50);
    const auto boxes = launcher.findChildren<QMessageBox*>();
    ASSERT_EQ(boxes.size(), 1);
    QMessageBox* box = boxes.first();
    EXPECT_EQ(box->objectName(), "SessionEndPrintoutFailure");
    EXPECT_TRUE(box->isVisible());
    EXPECT_FALSE(box->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(box->text().contains("not-a-folder")) << box->text().toStdString();
    // Asked to be shown without activation and never to take focus. (The offscreen
    // platform activates every window it shows, so where the focus goes is a desktop
    // window manager's part and not checked here.)
    EXPECT_TRUE(box->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(box->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
}

// Off unless asked for (an unknown value too); printing needs a default printer.
TEST_F(SessionEndPrintouts, OffByDefaultAndNoPrintingWithoutADefaultPrinter) {
    for (const char* mode : {"", "AtSessionEnd=yes\r\n", "AtSessionEnd=print\r\n"}) {
        const TimesheetSettings settings =
            LoadTimesheetSettings(Settings(QStringLiteral("[Timesheets]\r\n") + mode));
        const bool print = QByteArray(mode).contains("print");
        EXPECT_EQ(settings.at_session_end, print ? TimesheetSettings::AtSessionEnd::kPrint
                                                 : TimesheetSettings::AtSessionEnd::kOff);
        if (print && !QPrinterInfo::defaultPrinter().isNull()) {
            continue;  // this machine has a printer
        }
        const PrintoutOutcome outcome = PrintSessionSheets(settings, SessionFile());
        EXPECT_EQ(outcome.sheets, 0);
        EXPECT_EQ(outcome.failure, print ? "No default printer is set up on this computer." : "");
    }
}

}  // namespace
