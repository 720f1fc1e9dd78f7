#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

#include "../reports/PdfText.h"
#include "CsvDialect.h"
#include "LapLogFormat.h"
#include "ProgramRun.h"
#include "TempFolder.h"

namespace {

using Outcome = ProgramOutcome;

// The real program, as a nightly job on a machine without a display starts it.
Outcome RunProgram(const QString& home, const QStringList& args) {
    return RunWithoutDisplay(QStringLiteral(RUVO_EXE), home, args);
}

class CommandLine : public ::testing::Test {
  protected:
    CommandLine() {
        temp_.Write("ustawienia.ini", "[Timesheets]\r\nTrack=Tor Bemowo\r\n");
        temp_.Write("Sessions/2012_05_31/2012_05_31_09_12.txt",
                    "[Ustawienia]\r\nNAZWA_2=Ola\r\nRADIO_2=1\r\nLAPSINT_2_1=3007\r\n"
                    "LAPNR_2_1=4\r\n");
        temp_.Write("Sessions/2012_05_31/2012_05_31_14_05.txt",
                    "[Ustawienia]\r\nNAZWA_1=Ewa\r\nLAPSINT_1_1=3100\r\nLAPNR_1_1=2\r\n");
        QByteArray log = LapLogHeader();
        const qint32 times[] = {4200, 3100, 12000, 3300};
        for (int n = 1; n <= 4; ++n) {
            LapRecord lap;
            lap.slot = n == 4 ? 3 : 1;
            lap.driver_name = n == 4 ? QStringLiteral("Jan") : QStringLiteral("Ewa");
            lap.lap_number = n == 4 ? 1 : n;
            lap.lap_time = times[n - 1];
            log += LapLogLine(lap);
        }
        temp_.Write("Sessions/2012_05_31/laps/2012_05_31_14_05.csv", log);
    }
    QString Day() const { return temp_.file("Sessions/2012_05_31"); }
    QString Session() const { return Day() + "/2012_05_31_14_05.txt"; }

    TempFolder temp_;
};

TEST_F(CommandLine, SheetResultAndDayWrittenWithoutADisplay) {
    for (const QStringList& args :
         {QStringList{"--timesheet", Session(), "--pdf", temp_.file("s.pdf")},
          QStringList{"--result", Session(), "--csv", temp_.file("r.csv")},
          QStringList{"--laps", Day(), "--csv", temp_.file("d.csv")}}) {
        const Outcome run = RunProgram(temp_.path(), args);
        EXPECT_EQ(run.exit_code, 0) << run.err.toStdString();
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    }
    // The C locale of the test writes decimal points and ',' lists.
    const QList<QByteArray> result = temp_.Read("r.csv").split('\n');
    ASSERT_EQ(result.size(), 4);
    EXPECT_TRUE(
        result[2].startsWith("2012-05-31 14:05,2,3,Jan,hand-timed,1,00:33.00,33.00,3300,1,"
                             "2.00,2.00,lap log"))
        << result[2].toStdString();
    EXPECT_EQ(temp_.Read("d.csv").count('\n'), 6);  // header, Ola's lap, four of the log
    if (!HavePdfToText()) {
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }
    const QStringList pages = PdfText(temp_.file("s.pdf")).split('\f', Qt::SkipEmptyParts);
    ASSERT_EQ(pages.size(), 3);  // the summary, Ewa, Jan
    EXPECT_TRUE(pages[0].contains("RUVOTimer Tor Bemowo"));
    EXPECT_TRUE(pages[0].contains("Session 2 of the day"));
    EXPECT_TRUE(pages[1].contains("3 02:00:00 +1:29.00"));
    EXPECT_FALSE(pages[1].contains("Rank on"));  // no index yet: no records lines

    // With the index made by --records, the sheet has the records lines the
    // station's own sheets have.
    ASSERT_EQ(RunProgram(temp_.path(), {"--records", "day"}).exit_code, 0);
    ASSERT_EQ(RunProgram(temp_.path(), {"--timesheet", Session(), "--pdf", temp_.file("s.pdf")})
                  .exit_code,
              0);
    const QString ewa = PdfText(temp_.file("s.pdf")).split('\f', Qt::SkipEmptyParts).value(1);
    EXPECT_TRUE(ewa.contains("Rank on 2012-05-31: 2 of 3")) << ewa.toStdString();
}

TEST_F(CommandLine, RecordsPrintsTheFastestDriversWithoutADisplay) {
    const Outcome run = RunProgram(temp_.path(), {"--records", "all", "--top", "2"});
    EXPECT_EQ(run.exit_code, 0) << run.err.toStdString();
    // Ola's lap is one of the ten fastest of a file without a lap log; Ewa's best
    // comes from her lap log.
    EXPECT_EQ(run.out, QString("  1  Ola") + QString(20, ' ') + "00:30:07  2012-05-31\n" +
                           "  2  Ewa" + QString(20, ' ') + "00:31:00  2012-05-31\n");
    EXPECT_TRUE(QFile::exists(temp_.file("records.sqlite")));
    const Outcome wrong = RunProgram(temp_.path(), {"--records", "fortnight"});
    EXPECT_EQ(wrong.exit_code, 2);
    EXPECT_TRUE(wrong.err.startsWith("ruvotimer: unknown period fortnight"))
        << wrong.err.toStdString();
}

// Bad input: exit status 2, one line that says why, no file, no window.
TEST_F(CommandLine, BadInputExitsNonZeroWithAOneLineReason) {
    temp_.Write("notes.txt", "not a session");
    const QString out = temp_.file("out.csv");
    const struct {
        QStringList args;
        const char* reason;
    } cases[] = {
        {{"--timesheet", temp_.file("missing.txt"), "--pdf", out},
         "missing.txt: no such session file"},
        {{"--result", temp_.file("notes.txt"), "--csv", out}, "notes.txt: not a session file"},
        {{"--laps", temp_.file("nowhere"), "--csv", out}, "nowhere: no such day folder"},
        {{"--result", Session(), "--pdf", out}, "usage: ruvotimer --result SESSION_FILE --csv"},
        {{"--laps", Day()}, "usage: ruvotimer --laps DAY_FOLDER --csv OUT.csv"},
        {{"--lap-chart", Session()}, "unknown option --lap-chart"},
        {{"--laps", Day(), "--csv", temp_.file("no/such/folder/d.csv")}, "Cannot write"},
    };
    for (const auto& c : cases) {
        const Outcome run = RunProgram(temp_.path(), c.args);
        EXPECT_EQ(run.exit_code, 2) << c.reason;
        EXPECT_TRUE(run.err.startsWith("ruvotimer: ")) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromLatin1(c.reason))) << run.err.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(out));
    }
    const Outcome help = RunProgram(temp_.path(), {"--help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_TRUE(help.out.contains("ruvotimer --laps DAY_FOLDER --csv OUT.csv"));
}

}  // namespace
