// The link against what libusb 0.1.12 returned on a real Linux kernel stack, as
// the simulated receiver plays it: unplug during and between reads, a node the
// user may only read, a node the user cannot open, wrong descriptors.
#include <gtest/gtest.h>

#include <cerrno>

#include <usb.h>

#include "LinkFixture.h"
#include "UsbReceiver.h"

namespace {

using RealStackTest = LinkFixture;

TEST_F(RealStackTest, UnplugDuringAReadThenReplugLosesAndInventsNoLap) {
    station.poll_mode = kPollSession;
    station.session_screen = &view;
    const int receiver = Sim().AttachReceiver();
    Sim().QueueFrame(receiver, Racing(0x42, 1, 1));
    Sim().QueueFrame(receiver, Racing(0x42, 2, 2, 5100));
    Sim().QueueUnplug(receiver);                           // the read in flight returns 0
    Sim().QueueReplug(receiver, 3);                        // listed again at the third scan
    Sim().QueueFrame(receiver, Racing(0x42, 2, 3, 5100));  // repeats the lap in progress
    Sim().QueueFrame(receiver, Racing(0x42, 3, 4, 5250));
    view.on_lap = [this] {
        if (view.laps.size() == 2) {
            station.stop_requested = true;
        }
    };
    RunUntilStopped();

    ASSERT_EQ(view.laps.size(), 2u);
    EXPECT_EQ(view.laps[0].lap_time, 5100);
    EXPECT_EQ(view.laps[1].lap_time, 5250);
    EXPECT_EQ(CountCalls("usb_bulk_read(0x82, 64, 100) = 0"), 1);
    // 0 is a failed read like any other: closed at once, never read again.
    EXPECT_EQ(CountCalls("usb_bulk_read(0x82, 64, 100) = -19"), 0);
    const Texts texts = Sim().CallTexts();
    const auto zero = std::find(texts.begin(), texts.end(), "usb_bulk_read(0x82, 64, 100) = 0");
    ASSERT_NE(zero, texts.end());
    EXPECT_EQ(*(zero + 1), "usb_close() = 0");
    EXPECT_EQ(CountCalls("usb_close() = 0"), 2);  // after the 0, and at the stop
    EXPECT_EQ(CountCalls("usb_open(device 1) = handle"), 2);
    EXPECT_EQ(link.scan_count(), 4);  // before, twice while away, once back
    EXPECT_EQ(station.receiver_status.state, ReceiverState::kConnected);
    EXPECT_EQ(Sim().open_handles(), 0);
}

TEST_F(RealStackTest, AfterAnUnplugEveryCallOnTheOldHandleFailsWithNoDevice) {
    station.poll_mode = kPollTransmissionTest;
    RecordingTransmissionView test_window;
    station.transmission_test = &test_window;
    Sim().SetNetworkValue(77);
    const int receiver = Sim().AttachReceiver();
    Sim().QueueFrame(receiver, Racing(0x42, 1, 9));
    Sim().QueueUnplug(receiver);  // during the read: 0, then -19 on write and read
    link.PollReceiver();
    EXPECT_EQ(Sim().CallTexts(), Concat(kOpenSequence, {
                                                           "usb_bulk_read(0x82, 64, 100) = 64",
                                                           "usb_bulk_write(0x05, 64, 1000) = 64",
                                                           "usb_bulk_read(0x82, 64, 100) = 64",
                                                           "usb_bulk_read(0x82, 64, 100) = 0",
                                                           "usb_bulk_write(0x05, 64, 1000) = -19",
                                                           "usb_bulk_read(0x82, 64, 100) = -19",
                                                           "usb_close() = 0",
                                                       }));
    EXPECT_EQ(test_window.updates, (std::vector<TransmissionUpdate>{{0x42, 9, 77}, {0x42, 9, -1}}));

    // Gone between two reads: that read already says -19.
    Sim().ClearCalls();
    Sim().Replug(receiver);
    Sim().QueueUnplug(receiver, false);
    link.PollReceiver();
    EXPECT_EQ(CountCalls("usb_bulk_read(0x82, 64, 100) = -19"), 2);
    EXPECT_EQ(CountCalls("usb_bulk_read(0x82, 64, 100) = 0"), 0);
    EXPECT_FALSE(Sim().IsAttached(receiver));
    link.PollReceiver();  // the next scan no longer lists it
    EXPECT_EQ(station.receiver_status.state, ReceiverState::kNotFound);
}

TEST_F(RealStackTest, AReadOnlyNodeIsReportedAsNoAccessAndNotSpunOn) {
    station.poll_mode = kPollSession;
    station.session_screen = &view;
    const int receiver = Sim().AttachReceiver();
    Sim().SetAccess(receiver, sim::Access::kReadOnly);
    link.set_idle_pause(std::chrono::hours(1));  // only a hotplug change or the stop ends a wait
    // Stop a while after the second scan: a spinning link would scan many times more.
    Sim().SetCallObserver([this](const sim::Call& call) {
        if (call.function == "usb_find_devices" && link.scan_count() == 2) {
            QTimer::singleShot(50, [this] { station.stop_requested = true; });
        }
    });
    QTimer::singleShot(0, [this] { CreateNode(QStringLiteral("anything")); });
    RunUntilStopped();

    EXPECT_EQ(link.scan_count(), 2);  // the first, and the one the hotplug change woke
    EXPECT_EQ(station.receiver_status.state, ReceiverState::kNoAccess);
    EXPECT_EQ(ReceiverStatusText(station.receiver_status),
              "USB-Key: no access - see Install drivers");
    const Texts one_try = {
        "usb_init()",       "usb_find_busses()",           "usb_find_devices()",
        "usb_get_busses()", "usb_open(device 1) = handle", "usb_set_configuration(1) = -1",
        "usb_close() = 0"};
    EXPECT_EQ(Sim().CallTexts(), Concat(one_try, one_try));
    EXPECT_EQ(Sim().open_handles(), 0);
    EXPECT_EQ(link.ProbeReceiver().state, ReceiverState::kNoAccess);
}

TEST_F(RealStackTest, ARefusedReceiverIsOpenedAgainOnlyAfterAHotplugChange) {
    const int receiver = Sim().AttachReceiver();
    Sim().SetAccess(receiver, sim::Access::kReadOnly);
    link.set_idle_pause(std::chrono::milliseconds(5));  // fall-back scans come quickly
    Sim().SetCallObserver([this](const sim::Call& call) {
        if (call.function != "usb_find_devices") {
            return;
        }
        if (link.scan_count() == 5) {
            CreateNode(QStringLiteral("002"));  // udev applies a rule: the node changes
        } else if (link.scan_count() == 8) {
            station.stop_requested = true;
        }
    });
    RunUntilStopped();
    EXPECT_EQ(link.scan_count(), 8);
    EXPECT_EQ(CountFunction("usb_open"), 2);  // at the first scan and after the change
    EXPECT_EQ(CountCalls("usb_set_configuration(1) = -1"), 2);
    EXPECT_EQ(station.receiver_status.state, ReceiverState::kNoAccess);
    EXPECT_EQ(Sim().open_handles(), 0);

    // Once the rights are there, the change that brought them lets the link in.
    Sim().SetCallObserver({});
    Sim().SetAccess(receiver, sim::Access::kFull);
    Sim().QueueFrame(receiver, Racing(0x42, 1, 3));
    CreateNode(QStringLiteral("003"));
    station.stop_requested = false;
    link.PollReceiver();  // the wait sees the change at once
    link.PollReceiver();
    EXPECT_EQ(station.slot(1).packet_counter, 3);
    EXPECT_EQ(station.receiver_status.state, ReceiverState::kConnected);
}

TEST_F(RealStackTest, RefusedReadsOrARefusedOpenAreNoAccessToo) {
    const int receiver = Sim().AttachReceiver();
    Sim().QueueError(receiver, -1);
    link.set_idle_pause(std::chrono::milliseconds(0));
    link.PollReceiver();
    EXPECT_EQ(CountCalls("usb_bulk_read(0x82, 64, 100) = -1"), 1);
    EXPECT_EQ(station.receiver_status.state, ReceiverState::kNoAccess);

    Sim().FailOpen(1, EACCES);  // rights changed between the scan and the open
    station.receiver_status = {};
    link.PollReceiver();
    EXPECT_EQ(station.receiver_status.state, ReceiverState::kNoAccess);

    // A busy interface is not a matter of rights, and the receiver is there: it is
    // "not usable" for now, neither "no access" nor "not found".
    Sim().FailClaim();
    station.receiver_status = {};
    link.PollReceiver();
    EXPECT_EQ(CountCalls("usb_claim_interface(1) = -16"), 1);
    EXPECT_EQ(station.receiver_status.state, ReceiverState::kNotUsable);
}

TEST_F(RealStackTest, ANodeTheUserCannotOpenIsNotListedAtAll) {
    const int receiver = Sim().AttachReceiver();
    Sim().SetAccess(receiver, sim::Access::kNone);
    EXPECT_EQ(link.ProbeReceiver().state, ReceiverState::kNotFound);
    EXPECT_FALSE(link.ReceiverPresent());
    link.PollReceiver();
    EXPECT_EQ(CountFunction("usb_open"), 0);
    EXPECT_EQ(station.receiver_status.state, ReceiverState::kNotFound);

    Sim().SetAccess(receiver, sim::Access::kFull);  // the udev rule, and a re-plug
    EXPECT_EQ(link.ProbeReceiver().state, ReceiverState::kConnected);
}

// libusb's scan calls count the buses and devices that came or went since the
// last call; bulk transfers on an endpoint the device lacks fail with -2.
TEST_F(RealStackTest, ScanCountsAndMissingEndpointsAreThoseOfTheKernel) {
    const auto scan_results = [] {
        std::vector<int> results;
        for (const sim::Call& call : sim::SimReceiver::Instance().calls()) {
            if (call.function == "usb_find_busses" || call.function == "usb_find_devices") {
                results.push_back(call.result);
            }
        }
        sim::SimReceiver::Instance().ClearCalls();
        return results;
    };
    Sim().AttachDevice(0x046d, 0xc077, 1);
    Sim().AttachDevice(0x046d, 0xc077, 2);
    const int receiver = Sim().AttachReceiver(2);
    EXPECT_EQ(link.ProbeReceiver().state, ReceiverState::kConnected);
    EXPECT_EQ(scan_results(), (std::vector<int>{2, 3}));  // first scan: two buses, three devices
    link.ProbeReceiver();
    EXPECT_EQ(scan_results(), (std::vector<int>{0, 0}));
    Sim().Unplug(receiver);
    link.ProbeReceiver();
    EXPECT_EQ(scan_results(), (std::vector<int>{0, 1}));
    Sim().Replug(receiver);
    link.ProbeReceiver();
    EXPECT_EQ(scan_results(), (std::vector<int>{0, 1}));

    // No interface 1, so no endpoint 0x82 or 0x05: the transfers fail with ENOENT.
    Sim().SetConfigurations(receiver, {{1, {{0, {}}}}});
    InitUsb();
    FindReceiver();
    usb_dev_handle* handle = nullptr;
    for (struct usb_bus* bus = usb_get_busses(); bus != nullptr; bus = bus->next) {
        for (struct usb_device* device = bus->devices; device != nullptr; device = device->next) {
            if (device->descriptor.idVendor == sim::kReceiverVendor) {
                handle = usb_open(device);
            }
        }
    }
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(usb_claim_interface(handle, 1), -2);
    char buffer[64] = {};
    EXPECT_EQ(usb_bulk_read(handle, 0x82, buffer, 64, 100), -2);
    EXPECT_EQ(usb_bulk_write(handle, 0x05, buffer, 64, 1000), -2);
    EXPECT_EQ(usb_close(handle), 0);
}

struct WrongDescriptors {
    const char* what;
    std::vector<sim::ConfigurationLayout> configurations;
    const char* reason;
};

TEST_F(RealStackTest, WrongDescriptorsAreNotUsableWithTheReasonAndNeverOpened) {
    const std::vector<WrongDescriptors> cases = {
        {"no interface 1", {{1, {{0, {}}}}}, "no interface 1 in configuration 1"},
        {"only configuration 2",
         {{2, {{1, {{0x05, 2, 64}, {0x82, 2, 64}}}}}},
         "no configuration 1"},
        {"interrupt IN",
         {{1, {{0, {}}, {1, {{0x05, 2, 64}, {0x82, 3, 64}}}}}},
         "endpoint 0x82 is not bulk"},
        {"8-byte OUT",
         {{1, {{0, {}}, {1, {{0x05, 2, 8}, {0x82, 2, 64}}}}}},
         "endpoint 0x05 has 8-byte packets, not 64"},
        {"no IN endpoint",
         {{1, {{0, {}}, {1, {{0x05, 2, 64}}}}}},
         "no endpoint 0x82 in interface 1"},
    };
    for (const WrongDescriptors& wrong : cases) {
        SCOPED_TRACE(wrong.what);
        Sim().Reset();
        Sim().SetEmptyReadSleep(std::chrono::microseconds(0));
        const int receiver = Sim().AttachReceiver();
        Sim().SetConfigurations(receiver, wrong.configurations);
        const ReceiverStatus status = link.ProbeReceiver();
        EXPECT_EQ(status.state, ReceiverState::kNotUsable);
        EXPECT_EQ(status.reason.toStdString(), wrong.reason);
        EXPECT_EQ(ReceiverStatusText(status).toStdString(),
                  std::string("USB-Key: not usable - ") + wrong.reason);
        link.PollReceiver();
        EXPECT_EQ(station.receiver_status, status);
        EXPECT_EQ(CountFunction("usb_open"), 0);
    }

    // A fitting receiver behind an unfit one is the one used.
    Sim().Reset();
    const int unfit = Sim().AttachReceiver();
    Sim().SetConfigurations(unfit, cases[0].configurations);
    const int fit = Sim().AttachReceiver();
    Sim().QueueFrame(fit, Racing(0x42, 1, 7));
    link.PollReceiver();
    EXPECT_EQ(station.slot(1).packet_counter, 7);
    EXPECT_EQ(CountCalls("usb_open(device 1) = handle"), 0);

    // Descriptors libusb could not read leave the judgement to the open.
    Sim().Reset();
    Sim().SetConfigurations(Sim().AttachReceiver(), {});
    EXPECT_EQ(link.ProbeReceiver().state, ReceiverState::kConnected);
}

TEST_F(RealStackTest, AnUnusableReceiverIsWaitedForNotRescannedAtFullSpeed) {
    const int receiver = Sim().AttachReceiver();
    Sim().SetConfigurations(receiver, {{1, {{0, {}}}}});
    link.set_idle_pause(std::chrono::hours(1));
    Sim().SetCallObserver([this](const sim::Call& call) {
        if (call.function == "usb_find_devices") {
            QTimer::singleShot(50, [this] { station.stop_requested = true; });
        }
    });
    RunUntilStopped();
    EXPECT_EQ(link.scan_count(), 1);
    EXPECT_EQ(station.receiver_status.state, ReceiverState::kNotUsable);
}

TEST_F(RealStackTest, ConnectedCountsTheFramesOfTheLastSecondOnTheStationClock) {
    station.poll_mode = kPollSession;
    const int receiver = Sim().AttachReceiver();
    for (int i = 0; i < 80; ++i) {
        Sim().QueueFrame(receiver, Racing(0x42, 1, std::uint8_t(i)));
    }
    // Every read takes 20 ms of the fake clock: 50 frames per second.
    Sim().SetCallObserver([this](const sim::Call& call) {
        if (call.function == "usb_bulk_read") {
            test.clock.AdvanceCentiseconds(2);
        }
    });
    link.PollReceiver();  // 80 frames, then a timeout
    EXPECT_EQ(station.receiver_status.state, ReceiverState::kConnected);
    EXPECT_NEAR(station.receiver_status.frames_per_second, 50, 1);

    // Silent for longer than a second: still connected, no frames.
    test.clock.AdvanceCentiseconds(150);
    link.PollReceiver();
    EXPECT_EQ(station.receiver_status.state, ReceiverState::kConnected);
    EXPECT_EQ(station.receiver_status.frames_per_second, 0);

    // Half a second of 50 frames/s after a long silence.
    Sim().ClearCalls();
    for (int i = 0; i < 25; ++i) {
        Sim().QueueFrame(receiver, Racing(0x42, 1, std::uint8_t(i)));
    }
    test.clock.AdvanceCentiseconds(1000);
    link.PollReceiver();
    EXPECT_NEAR(station.receiver_status.frames_per_second, 25, 1);
}

}  // namespace
