#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <map>

#include "FakeClock.h"
#include "FormatBoard.h"
#include "SessionRun.h"
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

    // Feeds the crossings one at a time, lets the messages go out, then either runs
    // the screen's second timer (the automatic end) or presses END SESSION.
    void RunRace(TForm1& launcher, const std::vector<ScriptedCrossing>& script, bool end_by_hand) {
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
            step.stop();
            if (end_by_hand) {
                QTest::mouseClick(screen->findChild<QWidget*>("Button1"), Qt::LeftButton);
            } else {
                screen->Timer1Timer();
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

std::vector<ScriptedCrossing> TwoLapScript() {
    return {{10, FormatRaceFrame(1001, 1, 1, 0)},      {10, FormatRaceFrame(1002, 1, 1, 0)},
            {2980, FormatRaceFrame(1001, 2, 2, 3000)}, {100, FormatRaceFrame(1002, 2, 2, 3100)},
            {2800, FormatRaceFrame(1001, 3, 3, 2900)}, {400, FormatRaceFrame(1002, 3, 3, 3200)}};
}

}  // namespace

TEST_F(FormatRaceTest, RaceOfTwoLapsEndsByItselfWithPositionsAndDashboardMessages) {
    folder.Write("ustawienia.ini",
                 QByteArray(kTwoRadioKarts) +
                     "[FormatSesji]\r\nDlugosc=2\r\nOkrazenia=2\r\nPunktacja=1\r\n"
                     "OstatnieOkrWl=1\r\nMetaWl=1\r\nRekordWl=1\r\n");
    TForm1 launcher(clock, folder.path());
    launcher.show();
    RunRace(launcher, TwoLapScript(), false);

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
        RunRace(launcher, TwoLapScript(), true);
        auto* screen = dynamic_cast<Tfekranglowny*>(launcher.station().session_screen);
        ASSERT_NE(screen, nullptr);
        EXPECT_EQ(screen->session_run(), nullptr);
        EXPECT_EQ(screen->findChild<QLabel*>("FormatCountdown"), nullptr);
        EXPECT_EQ(screen->findChild<QLabel*>("FormatPosition1"), nullptr);
        QFile file(own.path() + "Sessions/2012_05_31/2012_05_31_14_05.txt");
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        files[run] = file.readAll();
    }
    EXPECT_EQ(files[0], files[1]);
    EXPECT_TRUE(files[0].contains("LAPSINT_1_1=2900\r\n"));
    EXPECT_TRUE(sent.empty());  // nothing on any dashboard
}
