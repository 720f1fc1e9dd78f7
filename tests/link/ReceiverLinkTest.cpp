#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QMessageBox>

#include "LinkFixture.h"

namespace {

using ReceiverLinkTest = LinkFixture;

TEST_F(ReceiverLinkTest, SilentReceiverIsOpenedReadOnceAndClosed) {
    Sim().AttachReceiver();
    link.PollReceiver();
    EXPECT_EQ(Sim().CallTexts(),
              Concat(kOpenSequence, {"usb_bulk_read(0x82, 64, 100) = -110", "usb_close() = 0"}));
    EXPECT_EQ(Sim().open_handles(), 0);
}

TEST_F(ReceiverLinkTest, SessionCycleSendsMessagesReadsDecodesAndRefreshesPerFrame) {
    station.poll_mode = kPollSession;
    station.session_screen = &view;
    const int receiver = Sim().AttachReceiver();
    Sim().QueueFrame(receiver, Racing(0x42, 1, 10));
    Sim().QueueFrame(receiver, Racing(0x42, 2, 11, 4567));
    Sim().QueueShortRead(receiver, 20);
    Sim().QueueFrame(receiver, Racing(0x42, 3, 12, 9999));  // for the next cycle
    // A message queued by a window event between two frames goes out before the
    // next read.
    QTimer::singleShot(0, [this] {
        station.slot(1).message_line1 = QStringLiteral("PIT");
        station.slot(1).message_pending = true;
    });
    link.PollReceiver();

    EXPECT_EQ(Sim().CallTexts(), Concat(kOpenSequence, {
                                                           "usb_bulk_read(0x82, 64, 100) = 64",
                                                           "usb_bulk_write(0x05, 64, 1000) = 64",
                                                           "usb_bulk_read(0x82, 64, 100) = 64",
                                                           "usb_bulk_read(0x82, 64, 100) = 64",
                                                           "usb_bulk_read(0x82, 64, 100) = 20",
                                                           "usb_close() = 0",
                                                       }));
    EXPECT_EQ(view.events, (Texts{"refresh", "lap", "refresh"}));
    EXPECT_EQ(view.laps, (std::vector<RecordedLap>{{4567, 1, 0, 0, 1}}));
    EXPECT_EQ(station.slot(1).packet_counter, 11);  // the short read was not decoded
    EXPECT_EQ(station.slot(1).current_lap_number, 2);
    EXPECT_EQ(station.receive_buffer[8], 11);
    EXPECT_TRUE(Sim().LastMessageFrame(0x0101).has_value());
    EXPECT_EQ(Sim().PendingInbound(receiver), 1u);
}

TEST_F(ReceiverLinkTest, StopRequestedDuringServingClosesBeforeTheNextRead) {
    station.poll_mode = kPollSession;
    station.session_screen = &view;
    const int receiver = Sim().AttachReceiver();
    Sim().QueueFrame(receiver, Racing(0x42, 1, 1));
    Sim().QueueFrame(receiver, Racing(0x42, 1, 2));
    QTimer::singleShot(0, [this] { station.stop_requested = true; });  // "END SESSION"
    link.RunPollLoop();
    EXPECT_EQ(Sim().CallTexts(),
              Concat(kOpenSequence, {"usb_bulk_read(0x82, 64, 100) = 64", "usb_close() = 0"}));
    EXPECT_EQ(view.refreshes, 2);  // after the frame, and once more by the loop
    EXPECT_EQ(Sim().open_handles(), 0);
}

TEST_F(ReceiverLinkTest, TestModeRequestsTheNetworkValueAfterEachFrameAndAFailedRead) {
    station.poll_mode = kPollTransmissionTest;
    RecordingTransmissionView test_window;
    station.transmission_test = &test_window;
    const int receiver = Sim().AttachReceiver();
    Sim().SetNetworkValue(300);
    Sim().QueueFrame(receiver, Racing(0x12345678, 1, 5));
    link.PollReceiver();

    EXPECT_EQ(Sim().CallTexts(), Concat(kOpenSequence, {
                                                           "usb_bulk_read(0x82, 64, 100) = 64",
                                                           "usb_bulk_write(0x05, 64, 1000) = 64",
                                                           "usb_bulk_read(0x82, 64, 100) = 64",
                                                           "usb_bulk_read(0x82, 64, 100) = -110",
                                                           "usb_bulk_write(0x05, 64, 1000) = 64",
                                                           "usb_bulk_read(0x82, 64, 100) = 64",
                                                           "usb_close() = 0",
                                                       }));
    // The failed read reports the serial number and counter still in receive_buffer.
    EXPECT_EQ(test_window.updates,
              (std::vector<TransmissionUpdate>{{0x345678, 5, 300}, {0x345678, 5, 300}}));
}

TEST_F(ReceiverLinkTest, FailingOpenConfigurationOrClaimEndsTheCycleAndTheNextOneRetries) {
    const int receiver = Sim().AttachReceiver();
    Sim().FailOpen();
    link.PollReceiver();
    EXPECT_EQ(Sim().CallTexts(), (Texts{"usb_init()", "usb_find_busses()", "usb_find_devices()",
                                        "usb_get_busses()", "usb_open(device 1) = NULL"}));
    // Listed but busy: "not usable" with the reason, never "not found".
    EXPECT_EQ(ReceiverStatusText(station.receiver_status),
              "USB-Key: not usable - cannot be opened, another program may be using it");

    Sim().ClearCalls();
    Sim().FailConfiguration();
    link.PollReceiver();
    Texts expected(kOpenSequence.begin(), kOpenSequence.end() - 2);
    expected.push_back("usb_set_configuration(1) = -16");
    expected.push_back("usb_close() = 0");
    EXPECT_EQ(Sim().CallTexts(), expected);

    Sim().ClearCalls();
    Sim().FailClaim();
    link.PollReceiver();
    expected = Texts(kOpenSequence.begin(), kOpenSequence.end() - 1);
    expected.push_back("usb_claim_interface(1) = -16");
    expected.push_back("usb_close() = 0");
    EXPECT_EQ(Sim().CallTexts(), expected);
    EXPECT_EQ(station.receiver_status.state, ReceiverState::kNotUsable);

    Sim().ClearCalls();
    Sim().QueueFrame(receiver, Racing(0x42, 4, 9));
    link.PollReceiver();
    EXPECT_EQ(station.slot(1).packet_counter, 9);
    EXPECT_EQ(station.receiver_status.state, ReceiverState::kConnected);
    EXPECT_EQ(Sim().open_handles(), 0);
}

TEST_F(ReceiverLinkTest, TheFirstReceiverInBusAndDeviceOrderIsUsed) {
    Sim().AttachDevice(0x046d, 0xc077, 2);  // 1: a mouse on bus 2
    const int on_bus_3 = Sim().AttachReceiver(3);
    const int second_on_bus_2 = Sim().AttachReceiver(2);
    Sim().QueueFrame(on_bus_3, Racing(0x42, 1, 33));
    Sim().QueueFrame(second_on_bus_2, Racing(0x42, 1, 22));
    link.PollReceiver();
    EXPECT_EQ(CountCalls("usb_open(device " + std::to_string(second_on_bus_2) + ") = handle"), 1);
    EXPECT_EQ(CountCalls("usb_open(device " + std::to_string(on_bus_3) + ") = handle"), 0);
    EXPECT_EQ(station.slot(1).packet_counter, 22);
    EXPECT_TRUE(link.ReceiverPresent());

    Sim().Unplug(on_bus_3);
    Sim().Unplug(second_on_bus_2);
    Sim().ClearCalls();
    EXPECT_FALSE(link.ReceiverPresent());  // the mouse does not count
    link.PollReceiver();
    EXPECT_EQ(CountCalls("usb_open(device 1) = handle"), 0);
    EXPECT_EQ(Sim().calls().back().function, "usb_get_busses");
}

TEST_F(ReceiverLinkTest, StopWhileAbsentEndsTheWaitAtOnce) {
    station.poll_mode = kPollSession;
    station.session_screen = &view;
    link.set_idle_pause(std::chrono::hours(1));  // only the stop can end this wait
    QTimer::singleShot(50, [this] { station.stop_requested = true; });
    RunUntilStopped();
    EXPECT_EQ(link.scan_count(), 1);
    EXPECT_EQ(CountCalls("usb_init()"), 1);
    // Refreshed once after the cycle; a running stopwatch is the screen's to tick.
    EXPECT_EQ(view.refreshes, 1);
    EXPECT_EQ(station.receiver_status.state, ReceiverState::kNotFound);
}

// A modal window the operator opens runs an event loop of its own: the receiver is
// read on inside it, laps are recorded as their frames come, and a receiver that
// then falls silent is told as silent, not with its old frame rate.
TEST_F(ReceiverLinkTest, FramesAreReadWhileAModalWindowIsOpenAndSilenceIsTold) {
    station.poll_mode = kPollSession;
    station.session_screen = &view;
    const int receiver = Sim().AttachReceiver();
    Sim().QueueFrame(receiver, Racing(0x42, 1, 1));
    size_t laps_while_open = 0;
    QString status_while_silent;
    QTimer::singleShot(0, [&] {
        QMessageBox box(QMessageBox::Information, QStringLiteral("RUVOTimer"), QStringLiteral("?"));
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (Sim().PendingInbound(receiver) != 0) {
                return;
            }
            if (laps_while_open == 0) {
                laps_while_open = view.laps.size();
                Sim().QueueFrame(receiver, Racing(0x42, 4, 4, 3300));  // after the count
                return;
            }
            if (view.laps.size() == laps_while_open + 1 && status_while_silent.isEmpty()) {
                test.clock.AdvanceCentiseconds(300);
                status_while_silent = QStringLiteral("waiting");
                return;
            }
            if (station.receiver_status.silent_seconds >= 3) {
                status_while_silent = ReceiverStatusText(station.receiver_status);
                box.done(0);
            }
        });
        watch.start(2);
        Sim().QueueFrame(receiver, Racing(0x42, 2, 2, 3100));
        Sim().QueueFrame(receiver, Racing(0x42, 3, 3, 3200));
        box.exec();
        station.stop_requested = true;
    });
    RunUntilStopped();
    EXPECT_EQ(laps_while_open, 2u);
    ASSERT_EQ(view.laps.size(), 3u);
    EXPECT_EQ(view.laps[2].lap_time, 3300);
    EXPECT_EQ(status_while_silent, "USB-Key: connected, no frames for 3 s");
    EXPECT_EQ(Sim().open_handles(), 0);
}

TEST_F(ReceiverLinkTest, ProbeTellsNotFoundFromConnectedAndClosesWhatItOpened) {
    EXPECT_EQ(link.ProbeReceiver().state, ReceiverState::kNotFound);
    EXPECT_EQ(link.scan_count(), 1);
    EXPECT_EQ(CountCalls("usb_open(device 1) = handle"), 0);

    Sim().AttachDevice(0x046d, 0xc077);  // a mouse is not the receiver
    EXPECT_EQ(link.ProbeReceiver().state, ReceiverState::kNotFound);
    Sim().AttachReceiver();
    Sim().ClearCalls();
    const ReceiverStatus status = link.ProbeReceiver();
    EXPECT_EQ(status.state, ReceiverState::kConnected);
    EXPECT_EQ(station.receiver_status, status);
    EXPECT_EQ(Sim().CallTexts(),
              (Texts{"usb_init()", "usb_find_busses()", "usb_find_devices()", "usb_get_busses()",
                     "usb_open(device 2) = handle", "usb_set_configuration(1) = 0",
                     "usb_claim_interface(1) = 0", "usb_close() = 0"}));
    EXPECT_EQ(link.scan_count(), 3);
    EXPECT_EQ(Sim().open_handles(), 0);

    // Busy: the probe says it is there but cannot be opened, and closes what it opened.
    Sim().FailClaim();
    EXPECT_EQ(link.ProbeReceiver().state, ReceiverState::kNotUsable);
    EXPECT_EQ(Sim().open_handles(), 0);
}

}  // namespace

// Window events are processed after the first frame of a cycle, then only once
// kWindowEventsGap has passed since the last time: frames far enough apart get a
// pass each, frames back to back share one. Counted by the event dispatcher's
// awake(), which every pass emits; bounded by the wall time the frames took, so the
// machine's speed does not matter.
TEST_F(ReceiverLinkTest, WindowEventsFollowFramesAtMostEveryGap) {
    station.poll_mode = kPollSession;
    station.session_screen = &view;
    int passes = 0;
    const auto counting =
        QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake,
                         [&passes] { ++passes; });
    const int receiver = Sim().AttachReceiver();

    const int gap = int(ReceiverLink::kWindowEventsGap.count());
    Sim().SetTimeScale(1);  // real pauses between these frames
    for (int i = 1; i <= 4; ++i) {
        Sim().QueueDelay(receiver, gap + 5);
        Sim().QueueFrame(receiver, Racing(0x42, 1, std::uint8_t(i)));
    }
    link.PollReceiver();
    EXPECT_EQ(view.refreshes, 4);
    EXPECT_GE(passes, 4);  // one after each frame

    passes = 0;
    Sim().SetTimeScale(0);
    constexpr int kFrames = 300;
    for (int i = 1; i <= kFrames; ++i) {
        Sim().QueueFrame(receiver, Racing(0x42, 1, std::uint8_t(i)));
    }
    QElapsedTimer elapsed;
    elapsed.start();
    link.PollReceiver();
    const qint64 took = elapsed.elapsed();
    QObject::disconnect(counting);
    EXPECT_EQ(view.refreshes, 4 + kFrames);
    EXPECT_GE(passes, 1);  // the first frame's
    EXPECT_LE(passes, 1 + took / gap + 1) << kFrames << " frames in " << took << " ms";
}
