#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>

#include "LinkFixture.h"

namespace {

class SimScriptTest : public SimFixture {
  protected:
    SimScriptTest() {
        link.set_idle_pause(std::chrono::milliseconds(1));
        station.poll_mode = kPollSession;
        station.session_screen = &view;
        station.slot(1).serial_number = 0x345678;
        station.slot(2).serial_number = 0x000101;
    }

    // Polls until the scripted receiver has nothing left, at most 200 cycles.
    void ReplayAll(int receiver = 1) {
        for (int i = 0; i < 200 && Sim().PendingInbound(receiver) > 0; ++i) {
            link.PollReceiver();
        }
        EXPECT_EQ(Sim().PendingInbound(receiver), 0u);
    }

    ReceiverLink link{station};
    RecordingSessionView view{station};
};

TEST_F(SimScriptTest, AScriptedRaceIsReplayedThroughTheLink) {
    const auto errors = Sim().LoadScriptText(R"(
# two karts, a drop-out and a re-plug
device 0x046d 0xc077
receiver bus=2
frame sn=0x12345678 node=0x0a0b counter=1 cur_lap=1 rpm=9000
frame sn=0x12345678 counter=2 cur_lap=2 lap=1 lap_time=1:02.33 lap_max=11000 lap_min=4000
timeout
temp sn=0x101 node=5 t1=-200 t2=215 t3=0
short 10
unplug
replug 2
hex 78 56 34 00 0b0a 0000 03 00 0000 000000000000000000000000 01 02 00 00 00 03
delay 30
frame sn=0x345678 node=0x0a0c counter=4 cur_lap=4 lap=3 lap_time=6100 driver="Jan Kos"
)");
    EXPECT_TRUE(errors.empty()) << errors.front();
    ReplayAll(2);  // device 1 is the mouse

    ASSERT_EQ(view.laps.size(), 3u);
    EXPECT_EQ(view.laps[0], (RecordedLap{6233, 1, 11000, 4000, 1}));
    EXPECT_EQ(view.laps[1].lap_time, 0);  // the hex frame: lap in progress 3
    EXPECT_EQ(view.laps[2].lap_time, 6100);
    EXPECT_EQ(station.slot(1).packet_counter, 4);
    EXPECT_EQ(station.slot(1).node_address, 0x0a0c);
    EXPECT_DOUBLE_EQ(station.slot(2).temperature1, -20.0);
    EXPECT_DOUBLE_EQ(station.slot(2).temperature2, 21.5);
    ASSERT_EQ(station.memdane.rows().size(), 1u);
    EXPECT_EQ(station.memdane.rows().front().kierowca.str(), "Jan Kos");
    EXPECT_EQ(Sim().open_handles(), 0);
}

TEST_F(SimScriptTest, BadLinesAreReportedWithTheirNumbersAndSkipped) {
    const auto errors = Sim().LoadScriptText(
        "frame sn=1 counter=256\n"
        "frame sn=1 colour=3\n"
        "hex 0102 3\n"
        "warp 9\n"
        "network 70000\n"
        "frame sn=0x345678 counter=8 race=0\n");
    ASSERT_EQ(errors.size(), 5u);
    EXPECT_EQ(errors[0].rfind("line 1:", 0), 0u);
    EXPECT_EQ(errors[3].rfind("line 4:", 0), 0u);
    ReplayAll();
    EXPECT_EQ(station.slot(1).packet_counter, 8);  // only the good frame arrived
}

TEST_F(SimScriptTest, RealStackSequencesCanBeScripted) {
    auto errors = Sim().LoadScriptText(R"(
frame sn=0x345678 counter=1
unplug
replug
frame sn=0x345678 counter=2
unplug between
)");
    ASSERT_TRUE(errors.empty()) << errors.front();
    ReplayAll();
    const Texts reads = [] {
        Texts texts;
        for (const sim::Call& call : sim::SimReceiver::Instance().calls()) {
            if (call.function == "usb_bulk_read") {
                texts.push_back(call.Text());
            }
        }
        return texts;
    }();
    EXPECT_EQ(reads,
              (Texts{"usb_bulk_read(0x82, 64, 100) = 64", "usb_bulk_read(0x82, 64, 100) = 0",
                     "usb_bulk_read(0x82, 64, 100) = 64", "usb_bulk_read(0x82, 64, 100) = -19"}));

    Sim().Reset();
    errors = Sim().LoadScriptText("receiver\naccess read-only\n");
    ASSERT_TRUE(errors.empty()) << errors.front();
    EXPECT_EQ(link.ProbeReceiver().state, ReceiverState::kNoAccess);
    EXPECT_EQ(CountCalls("usb_set_configuration(1) = -1"), 1);

    Sim().Reset();
    errors = Sim().LoadScriptText("receiver\naccess none\n");
    ASSERT_TRUE(errors.empty()) << errors.front();
    EXPECT_EQ(link.ProbeReceiver().state, ReceiverState::kNotFound);

    Sim().Reset();
    errors = Sim().LoadScriptText(R"(
receiver
descriptors 1
interface 0
interface 1 0x05:bulk:64 0x82:interrupt:64
)");
    ASSERT_TRUE(errors.empty()) << errors.front();
    EXPECT_EQ(link.ProbeReceiver(),
              (ReceiverStatus{ReceiverState::kNotUsable, "endpoint 0x82 is not bulk", 0}));

    Sim().Reset();
    errors = Sim().LoadScriptText(
        "receiver\ninterface 2\ndescriptors x\naccess some\nunplug now\n"
        "descriptors 1\ninterface 1 0x05:bulk\ninterface 1 0x05:fast:64\n");
    ASSERT_EQ(errors.size(), 5u);  // an interface goes to the receiver's own configuration
    EXPECT_EQ(errors[0].rfind("line 3:", 0), 0u);
    EXPECT_EQ(errors[4].rfind("line 8:", 0), 0u);
}

TEST_F(SimScriptTest, TheEnvironmentScriptIsReadAtTheFirstInit) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("race.sim"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("network 4660\nframe sn=0x345678 counter=77 race=0\n");
    }
    ::setenv("RUVOTIMER_SIM_SCRIPT", path.toLocal8Bit().constData(), 1);
    Sim().Reset(true);
    Sim().SetEmptyReadSleep(std::chrono::microseconds(100));
    link.PollReceiver();
    ::unsetenv("RUVOTIMER_SIM_SCRIPT");
    EXPECT_EQ(station.slot(1).packet_counter, 77);
}

}  // namespace

namespace {

// The race the demo replays stays readable and delivers its six laps.
TEST_F(SimScriptTest, TheDemoRaceScriptReplaysItsLaps) {
    const auto errors = Sim().LoadScriptFile(RUVO_DEMO_RACE_SCRIPT);
    ASSERT_TRUE(errors.empty()) << errors.front();
    station.slot(1).serial_number = 0x1234;
    station.slot(2).serial_number = 0x1235;
    for (int i = 0; i < 5000 && view.laps.size() < 6; ++i) {
        link.PollReceiver();
    }
    std::vector<std::pair<int, qint32>> laps;
    for (const RecordedLap& lap : view.laps) {
        laps.emplace_back(lap.slot, lap.lap_time);
    }
    std::sort(laps.begin(), laps.end());
    EXPECT_EQ(laps, (std::vector<std::pair<int, qint32>>{
                        {1, 2987}, {1, 3054}, {1, 3112}, {2, 3099}, {2, 3140}, {2, 3220}}));
    EXPECT_EQ(station.memdane.rows().size(), 2u);
}

}  // namespace

namespace {

class SimCallBytesTest : public SimFixture {
  protected:
    // Serves two frames through the link, then the receiver falls silent.
    void ServeTwoFrames() {
        const int receiver = Sim().AttachReceiver();
        sim::TimingFields f;
        f.serial = 0x345678;
        f.counter = 1;
        Sim().QueueFrame(receiver, sim::MakeTimingFrame(f));
        f.counter = 2;
        Sim().QueueFrame(receiver, sim::MakeTimingFrame(f));
        link.PollReceiver();
    }

    ReceiverLink link{station};
};

// The read path copies a frame's bytes into its call only for someone who looks:
// the log or an observer, each alone.
TEST_F(SimCallBytesTest, ReadBytesReachTheLogAndAnObserver) {
    ServeTwoFrames();
    std::vector<std::vector<std::uint8_t>> logged;
    for (const sim::Call& call : Sim().calls()) {
        if (call.function == "usb_bulk_read" && call.result == 64) {
            logged.push_back(call.data);
        }
    }
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[1].size(), 64u);
    EXPECT_EQ(logged[1][0], 0x78);
    EXPECT_EQ(logged[1][8], 2);  // the counter of the second frame

    Sim().Reset();
    Sim().SetLogging(false);
    std::vector<std::vector<std::uint8_t>> observed;
    Sim().SetCallObserver([&observed](const sim::Call& call) {
        if (call.function == "usb_bulk_read" && call.result == 64) {
            observed.push_back(call.data);
        }
    });
    ServeTwoFrames();
    Sim().SetCallObserver({});
    EXPECT_TRUE(Sim().calls().empty());
    ASSERT_EQ(observed.size(), 2u);
    EXPECT_EQ(observed[0], logged[0]);
    EXPECT_EQ(observed[1], logged[1]);
}

}  // namespace
