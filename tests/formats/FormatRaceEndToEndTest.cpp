#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <map>

#include "FakeClock.h"
#include "FormatBoard.h"
#include "ResultWindow.h"
#include "SessionRun.h"
#include "SessionTimesheet.h"
#include "SimFrames.h"
#include "SimReceiver.h"
#include "TForm1.h"
#include "TempFolder.h"
#include "Tfekranglowny.h"

// Whole sessions through "Session start", the simulated receiver and the poll loop:
// the format's positions, its automatic end and the dashboard frames as sent.
namespace {

sim::Bytes64 FormatRaceFrame(std::uint32_t serial, std::uint8_t counter,
                             std::uint8_t lap_in_progress, std::uint32_t lap_time) {
    sim::TimingFields f;
    f.serial = serial;
    f.node = std::uint16_t(serial);
    f.counter = counter;
    f.race = 1;
    f.lap_in_progress = lap_in_progress;
    f.lap = std::uint8_t(lap_in_progress - 1);
    f.lap_time = lap_time;
    return sim::MakeTimingFrame(f);
}

// The message frame written out by hand: 0x02, node, 0, 0, 5, shown at once, 0, 0,
// background and text colour in RGB565, two lines of 12 padded with blanks, zeros.
sim::Bytes64 ExpectedMessage(std::uint16_t node, std::uint16_t background, std::uint16_t text,
                             const char* line1, const char* line2) {
    sim::Bytes64 b{};
    b[0] = 0x02;
    b[1] = std::uint8_t(node & 0xFF);
    b[2] = std::uint8_t(node >> 8);
    b[5] = 0x05;
    b[6] = 0x01;
    b[9] = std::uint8_t(background & 0xFF);
    b[10] = std::uint8_t(background >> 8);
    b[11] = std::uint8_t(text & 0xFF);
    b[12] = std::uint8_t(text >> 8);
    const std::string l1 = std::string(line1) + std::string(12, ' ');
    const std::string l2 = std::string(line2) + std::string(12, ' ');
    for (int i = 0; i < 12; ++i) {
        b[size_t(13 + i)] = std::uint8_t(l1[size_t(i)]);
        b[size_t(25 + i)] = std::uint8_t(l2[size_t(i)]);
    }
    return b;
}

struct ScriptedCrossing {
    qint64 advance;  // centiseconds on the clock before the frame
    sim::Bytes64 frame;
};

class FormatRaceTest : public ::testing::Test {
  protected:
    FormatRaceTest() { ResetReceiver(); }
    void ResetReceiver() {
        sim::SimReceiver::Instance().Reset();
        sim::SimReceiver::Instance().SetMessageObserver([this](const sim::Bytes64& frame) {
            sent[frame[1] | (frame[2] << 8)].push_back(frame);
        });
    }
    ~FormatRaceTest() override { sim::SimReceiver::Instance().Reset(); }

    // Feeds the crossings one at a time, lets the messages go out, then hands the
    // screen to `finish`, which returns true once it has ended the session (or left
    // it to end by itself).
    void RunRace(TForm1& launcher, const std::vector<ScriptedCrossing>& script,
                 const std::function<bool(Tfekranglowny&)>& finish) {
        sim::SimReceiver& receiver = sim::SimReceiver::Instance();
        const int device = receiver.AttachReceiver();
        size_t next = 0;
        QTimer step;
        step.setInterval(5);
        QObject::connect(&step, &QTimer::timeout, [&] {
            auto* screen = dynamic_cast<Tfekranglowny*>(launcher.station().session_screen);
            if (screen == nullptr || !screen->isVisible() || receiver.PendingInbound(device) != 0) {
                return;
            }
            if (next < script.size()) {
                clock.AdvanceCentiseconds(script[next].advance);
                receiver.QueueFrame(device, script[next++].frame);
                return;
            }
            for (int s = 1; s <= kSlotCount; ++s) {
                if (launcher.station().slot(s).message_pending ||
                    screen->auto_messages().waiting(s) != 0) {
                    return;  // messages still going out
                }
            }
            if (finish(*screen)) {
                step.stop();
            }
        });
        QTimer safety;
        safety.setSingleShot(true);
        QObject::connect(&safety, &QTimer::timeout, [&] {
            timed_out = true;
            launcher.station().stop_requested = true;
        });
        step.start();
        safety.start(15000);
        QTest::mouseClick(launcher.findChild<QPushButton*>("Button1"), Qt::LeftButton);
        EXPECT_FALSE(timed_out);
    }

    TempFolder folder;
    FakeClock clock;
    bool timed_out = false;
    std::map<int, std::vector<sim::Bytes64>> sent;  // by node address
};

const char kTwoRadioKarts[] =
    "[Parametry]\r\nRadio1=1\r\nSN1=1001\r\nNAME1=Ala\r\nRadio2=1\r\nSN2=1002\r\nNAME2=Bartek\r\n";

bool EndByHand(Tfekranglowny& screen) {
    QTest::mouseClick(screen.findChild<QWidget*>("Button1"), Qt::LeftButton);
    return true;
}

bool SecondTimerTick(Tfekranglowny& screen) {
    screen.Timer1Timer();
    return true;
}

std::vector<ScriptedCrossing> TwoLapScript() {
    // Session clock: kart 1 crosses at 30.00 and 59.00; kart 2 at 31.00, at 32.50 (a
    // double trigger of 1.50 s) and at 63.00.
    return {{10, FormatRaceFrame(1001, 1, 1, 0)},      {10, FormatRaceFrame(1002, 1, 1, 0)},
            {2980, FormatRaceFrame(1001, 2, 2, 3000)}, {100, FormatRaceFrame(1002, 2, 2, 3100)},
            {150, FormatRaceFrame(1002, 3, 3, 150)},   {2650, FormatRaceFrame(1001, 3, 3, 2900)},
            {400, FormatRaceFrame(1002, 4, 4, 3150)}};
}

}  // namespace

TEST_F(FormatRaceTest, RaceOfTwoLapsEndsByItselfWithPositionsAndDashboardMessages) {
    folder.Write("ustawienia.ini",
                 QByteArray(kTwoRadioKarts) +
                     "[FormatSesji]\r\nDlugosc=2\r\nOkrazenia=2\r\nPunktacja=1\r\n"
                     "OstatnieOkrWl=1\r\nMetaWl=1\r\nRekordWl=1\r\nOknoWl=1\r\nOknoMin=1000\r\n");
    TForm1 launcher(clock, folder.path());
    launcher.show();
    RunRace(launcher, TwoLapScript(), SecondTimerTick);

    auto* screen = dynamic_cast<Tfekranglowny*>(launcher.station().session_screen);
    ASSERT_NE(screen, nullptr);
    EXPECT_FALSE(screen->isVisible()) << "the session did not end by itself";
    EXPECT_TRUE(QFile::exists(folder.path() + "Sessions/2012_05_31/2012_05_31_14_05.txt"));
    // Kart 1 drove 2 laps by 59.00 s, kart 2 by 63.00 s.
    const std::vector<Standing> result = screen->session_run()->Standings();
    ASSERT_EQ(result.size(), 2u);
    EXPECT_EQ(result[0].slot, 1);
    EXPECT_EQ(result[1].slot, 2);
    EXPECT_EQ(GapText(result[1].to_leader), "+4.00");
    EXPECT_EQ(screen->findChild<QLabel*>("FormatPosition2")->text(), "P2");
    EXPECT_EQ(screen->findChild<QLabel*>("FormatCountdown")->text(), "Laps to go: 0");
    // The double trigger: out of the lap table, the count and the result, marked.
    EXPECT_EQ(launcher.station().slot(2).lap(2).lap_time, 3150);
    EXPECT_EQ(launcher.station().slot(2).lap(3).lap_time, 0);
    EXPECT_EQ(result[1].tally.laps, 2);
    QFile invalid(folder.path() + "Sessions/2012_05_31/laps/2012_05_31_14_05-invalid-laps.csv");
    ASSERT_TRUE(invalid.open(QIODevice::ReadOnly));
    EXPECT_EQ(invalid.readAll(),
              "\xEF\xBB\xBFKart,Driver,Lap time,Session time\r\n"
              "2,Bartek,1.50,32.50\r\n");

    // LAST LAP black on white, BEST LAP black on lime, FINISH white on black with the
    // position, as the defaults have them. One at a time per kart, in the order they arose.
    const auto last_lap = [](std::uint16_t node) {
        return ExpectedMessage(node, 0xFFFF, 0x0000, "LAST LAP", "");
    };
    EXPECT_EQ(sent[1001],
              (std::vector<sim::Bytes64>{
                  last_lap(1001), ExpectedMessage(1001, 0x07E0, 0, "BEST LAP", "00:29:00"),
                  ExpectedMessage(1001, 0, 0xFFFF, "FINISH", "POSITION 1")}));
    EXPECT_EQ(sent[1002],
              (std::vector<sim::Bytes64>{
                  last_lap(1002), ExpectedMessage(1002, 0, 0xFFFF, "FINISH", "POSITION 2")}));
}

TEST_F(FormatRaceTest, WithoutAFormatTheSessionFileAndScreenAreAsBefore) {
    // The same race twice: without the section, and with the section at its defaults.
    QByteArray files[2];
    for (int run = 0; run < 2; ++run) {
        ResetReceiver();
        TempFolder own;
        own.Write(
            "ustawienia.ini",
            QByteArray(kTwoRadioKarts) +
                (run == 1 ? "[FormatSesji]\r\nDlugosc=0\r\nPunktacja=0\r\nOknoWl=0\r\n" : ""));
        TForm1 launcher(clock, own.path());
        launcher.show();
        RunRace(launcher, TwoLapScript(), EndByHand);
        auto* screen = dynamic_cast<Tfekranglowny*>(launcher.station().session_screen);
        ASSERT_NE(screen, nullptr);
        EXPECT_EQ(screen->session_run(), nullptr);
        EXPECT_EQ(screen->findChild<QLabel*>("FormatCountdown"), nullptr);
        EXPECT_EQ(screen->findChild<QLabel*>("FormatPosition1"), nullptr);
        EXPECT_FALSE(
            QFile::exists(own.path() + "Sessions/2012_05_31/laps/2012_05_31_14_05-result.csv"));
        QFile file(own.path() + "Sessions/2012_05_31/2012_05_31_14_05.txt");
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        files[run] = file.readAll();
    }
    EXPECT_EQ(files[0], files[1]);
    EXPECT_TRUE(files[0].contains("LAPSINT_1_1=2900\r\n"));
    EXPECT_TRUE(sent.empty());  // nothing on any dashboard
}

TEST_F(FormatRaceTest, TimedRaceWithAKartThatNeverComesRoundAgainEndsThreeMinutesAfterTheFlag) {
    folder.Write("ustawienia.ini", QByteArray(kTwoRadioKarts) +
                                       "Radio3=1\r\nSN3=1003\r\nNAME3=Celina\r\n"
                                       "[FormatSesji]\r\nDlugosc=1\r\nMinuty=1\r\nPunktacja=1\r\n"
                                       "OstatnieOkrWl=1\r\nMetaWl=1\r\n");
    TForm1 launcher(clock, folder.path());
    launcher.show();
    // Session clock after each frame: 0:00.10 .. 0:00.30 the three units latch;
    // kart 1 crosses at 20.30, 40.30 and 60.30 (after the minute: its finish); kart 3
    // at 25.00 and 50.00, then stops out on the track; kart 2 at 30.30 and 60.60.
    const std::vector<ScriptedCrossing> script = {
        {10, FormatRaceFrame(1001, 1, 1, 0)},      {10, FormatRaceFrame(1002, 1, 1, 0)},
        {10, FormatRaceFrame(1003, 1, 1, 0)},      {2000, FormatRaceFrame(1001, 2, 2, 2020)},
        {470, FormatRaceFrame(1003, 2, 2, 2470)},  {530, FormatRaceFrame(1002, 2, 2, 3010)},
        {1000, FormatRaceFrame(1001, 3, 3, 2000)}, {970, FormatRaceFrame(1003, 3, 3, 2500)},
        {1030, FormatRaceFrame(1001, 4, 4, 2000)}, {30, FormatRaceFrame(1002, 3, 3, 3030)}};
    int ticks = 0;
    RunRace(launcher, script, [&](Tfekranglowny& screen) {
        switch (ticks++) {
            case 0: {
                EXPECT_EQ(screen.findChild<QLabel*>("FormatCountdown")->text(), "Time left: 00:00");
                EXPECT_TRUE(screen.findChild<QLabel*>("FormatFlag")->isVisible());
                EXPECT_EQ(screen.findChild<QLabel*>("FormatPosition3")->text(), "P2");
                // The flag came out at 60.00; the clock reads 60.60: 2:59.40 left, shown
                // rounded up. Karts 1 and 2 have taken it, kart 3 not.
                EXPECT_EQ(screen.findChild<QLabel*>("FormatEndsIn")->text(), "Ends in 3:00");
                EXPECT_EQ(screen.findChild<QLabel*>("FormatFinished")->text(), "2/3 finished");
                const QString pictures = qEnvironmentVariable("RUVO_SCREENSHOT_DIR");
                if (!pictures.isEmpty()) {
                    screen.resize(Tfekranglowny::kDesignWidth, Tfekranglowny::kDesignHeight);
                    EXPECT_TRUE(screen.grab().save(pictures + "/session-format-screen.png"));
                }
                clock.AdvanceCentiseconds(SessionRun::kFlagGrace - 100);
                screen.Timer1Timer();
                EXPECT_TRUE(screen.isVisible()) << "ended before kart 3 had its 3 minutes";
                return false;
            }
            default:
                clock.AdvanceCentiseconds(100);
                screen.Timer1Timer();
                return true;
        }
    });
    auto* screen = dynamic_cast<Tfekranglowny*>(launcher.station().session_screen);
    ASSERT_NE(screen, nullptr);
    EXPECT_FALSE(screen->isVisible());
    EXPECT_EQ(ticks, 2);
    // Kart 1: 3 laps. Kart 3: 2 laps ended at 50.00. Kart 2: 2 laps ended at 60.60.
    const std::vector<Standing> result = screen->session_run()->Standings();
    ASSERT_EQ(result.size(), 3u);
    EXPECT_EQ(result[0].slot, 1);
    EXPECT_EQ(result[1].slot, 3);
    EXPECT_EQ(GapText(result[1].to_leader), "+1 LAP");
    EXPECT_EQ(result[2].slot, 2);
    EXPECT_EQ(GapText(result[2].to_ahead), "+10.60");
    EXPECT_FALSE(result[1].tally.finished);
    // The result beside the lap log, as a spreadsheet reads it (C locale here).
    QFile csv(folder.path() + "Sessions/2012_05_31/laps/2012_05_31_14_05-result.csv");
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll(),
              "\xEF\xBB\xBFPosition,Kart,Driver,Laps,Total time,Best lap,Gap to leader,"
              "Gap to kart ahead,Finished\r\n"
              "1,1,Ala,3,60.30,20.00,,,yes\r\n"
              "2,3,Celina,2,50.00,24.70,1 lap,1 lap,no\r\n"
              "3,2,Bartek,2,60.60,30.10,1 lap,10.60,yes\r\n");
    // The history browser's "Result" and the timesheet read it back.
    Timesheet sheet;
    QString error;
    ASSERT_TRUE(LoadSessionFileTimesheet(folder.path() + "Sessions/2012_05_31/2012_05_31_14_05.txt",
                                         QString(), &sheet, &error));
    ASSERT_EQ(sheet.run_result.size(), 4);
    EXPECT_EQ(sheet.run_result.at(2).join('|'), "2|3|Celina|2|50.00|24.70|1 lap|1 lap|no");
    ResultWindow result_window(sheet);
    const auto* run_table = result_window.findChild<QTableWidget*>("RunResultTable");
    ASSERT_NE(run_table, nullptr);
    EXPECT_EQ(run_table->rowCount(), 3);
    EXPECT_EQ(run_table->item(2, 2)->text(), "Bartek");
    if (const QString pictures = qEnvironmentVariable("RUVO_SCREENSHOT_DIR"); !pictures.isEmpty()) {
        result_window.show();
        EXPECT_TRUE(result_window.grab().save(pictures + "/session-format-result.png"));
    }
    // The flag came out with kart 1's finish: no LAST LAP for it, one for the others.
    const auto last_lap = [](std::uint16_t node) {
        return ExpectedMessage(node, 0xFFFF, 0x0000, "LAST LAP", "");
    };
    EXPECT_EQ(
        sent[1001],
        (std::vector<sim::Bytes64>{ExpectedMessage(1001, 0, 0xFFFF, "FINISH", "POSITION 1")}));
    EXPECT_EQ(sent[1002],
              (std::vector<sim::Bytes64>{
                  last_lap(1002), ExpectedMessage(1002, 0, 0xFFFF, "FINISH", "POSITION 3")}));
    EXPECT_EQ(sent[1003], (std::vector<sim::Bytes64>{last_lap(1003)}));
}

TEST_F(FormatRaceTest, LapDeletedAndBroughtBackChangesTheRaceAndItsResult) {
    folder.Write("ustawienia.ini",
                 QByteArray(kTwoRadioKarts) +
                     "[FormatSesji]\r\nDlugosc=2\r\nOkrazenia=2\r\nPunktacja=1\r\n"
                     "OknoWl=1\r\nOknoMin=1000\r\n");
    TForm1 launcher(clock, folder.path());
    launcher.show();
    // Lap ids: 1 kart 1 at 30.00, 2 kart 2 at 31.00, 3 kart 2's invalid 1.50, 4 kart 1
    // at 59.00 (its flag), 5 kart 2 at 63.00.
    RunRace(launcher, TwoLapScript(), [&](Tfekranglowny& screen) {
        const auto text = [&](const char* name) { return screen.findChild<QLabel*>(name)->text(); };
        // Without lap 4 kart 1 has 1 lap; kart 2's second lap at 63.00 is the flag.
        EXPECT_TRUE(screen.DeleteLap(4));
        EXPECT_TRUE(screen.DeleteLap(3));
        EXPECT_EQ(text("FormatPosition1") + text("FormatPosition2"), "P2P1");
        EXPECT_EQ(screen.RaceGap(1), "+1 LAP");
        EXPECT_EQ(text("FormatEndsIn") + "|" + text("FormatFinished"), "Ends in 3:00|1/2 finished");
        EXPECT_TRUE(screen.session_run()->invalid_laps().empty());
        screen.Timer1Timer();
        EXPECT_TRUE(screen.isVisible()) << "ended though kart 1 has not taken the flag";
        EXPECT_TRUE(screen.UndoLapCorrection() && screen.UndoLapCorrection());
        screen.Timer1Timer();  // both have the flag again
        return true;
    });
    EXPECT_FALSE(dynamic_cast<Tfekranglowny*>(launcher.station().session_screen)->isVisible());
    const auto read = [&](const char* name) {
        QFile file(folder.path() + "Sessions/2012_05_31/laps/" + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    EXPECT_EQ(read("2012_05_31_14_05-result.csv"),
              "\xEF\xBB\xBFPosition,Kart,Driver,Laps,Total time,Best lap,Gap to leader,"
              "Gap to kart ahead,Finished\r\n"
              "1,1,Ala,2,59.00,29.00,,,yes\r\n"
              "2,2,Bartek,2,63.00,31.00,4.00,4.00,yes\r\n");
    EXPECT_TRUE(read("2012_05_31_14_05-invalid-laps.csv").contains("2,Bartek,1.50,32.50"));
    // The lap log finds the laps corrected after the invalid lap.
    const QByteArray log = read("2012_05_31_14_05.csv");
    EXPECT_EQ(log.count("deleted"), 2) << log.constData();
    EXPECT_EQ(log.count("restored"), 2);
}
