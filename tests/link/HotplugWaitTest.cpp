// How the link waits while no receiver is usable: woken by a change of the device
// nodes, else by a slow fall-back scan, and never after a silent receiver's read.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "HotplugWatch.h"
#include "LinkFixture.h"

namespace {

TEST(HotplugWatch, ReportsNodesAndBusFoldersComingGoingAndChangingRights) {
    QTemporaryDir root;
    QDir(root.path()).mkdir(QStringLiteral("001"));
    HotplugWatch watch(root.path());
    ASSERT_TRUE(watch.watching());
    EXPECT_FALSE(watch.TakeChanges());

    QFile node(root.filePath(QStringLiteral("001/002")));
    ASSERT_TRUE(node.open(QIODevice::WriteOnly));
    node.close();
    EXPECT_TRUE(watch.TakeChanges());
    EXPECT_FALSE(watch.TakeChanges());  // taken

    // udev giving the seat access after the kernel made the node.
    ASSERT_TRUE(node.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    EXPECT_TRUE(watch.TakeChanges());
    ASSERT_TRUE(node.remove());
    EXPECT_TRUE(watch.TakeChanges());

    // A bus folder that appears later is watched as well.
    ASSERT_TRUE(QDir(root.path()).mkdir(QStringLiteral("002")));
    EXPECT_TRUE(watch.TakeChanges());
    QFile later(root.filePath(QStringLiteral("002/001")));
    ASSERT_TRUE(later.open(QIODevice::WriteOnly));
    EXPECT_TRUE(watch.WaitForChanges(1000));
}

TEST(HotplugWatch, AMissingFolderIsNotWatchedUntilItAppears) {
    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("usb"));
    HotplugWatch watch(folder);
    EXPECT_FALSE(watch.watching());
    EXPECT_EQ(watch.descriptor(), -1);
    EXPECT_FALSE(watch.TakeChanges());
    EXPECT_FALSE(watch.WaitForChanges(0));

    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/001")));
    watch.Rearm();
    EXPECT_TRUE(watch.watching());
    QFile node(folder + QStringLiteral("/001/005"));
    ASSERT_TRUE(node.open(QIODevice::WriteOnly));
    EXPECT_TRUE(watch.TakeChanges());
}

using HotplugWaitTest = LinkFixture;

TEST_F(HotplugWaitTest, AReceiverPluggedInWakesTheLinkWithoutWaitingForTheFallBack) {
    station.poll_mode = kPollSession;
    station.session_screen = &view;
    link.set_idle_pause(std::chrono::hours(1));
    std::vector<std::string> order;
    // Plugged in while the link waits: the kernel makes the node.
    QTimer::singleShot(0, [this] {
        Sim().QueueFrame(Sim().AttachReceiver(), Racing(0x42, 1, 5));
        CreateNode(QStringLiteral("001"));
    });
    Sim().SetCallObserver([&order, this](const sim::Call& call) {
        if (call.function == "usb_find_devices" || call.function == "usb_open") {
            order.push_back(call.function);
        }
        if (call.function == "usb_bulk_read" && call.result == 64) {
            station.stop_requested = true;
        }
    });
    RunUntilStopped();
    EXPECT_EQ(order,
              (std::vector<std::string>{"usb_find_devices", "usb_find_devices", "usb_open"}));
    EXPECT_EQ(link.scan_count(), 2);
    EXPECT_EQ(station.slot(1).packet_counter, 5);
    EXPECT_EQ(station.receiver_status.state, ReceiverState::kConnected);
}

TEST_F(HotplugWaitTest, WithoutAHotplugFolderTheFallBackScanStaysSlow) {
    ReceiverLink blind(station, hotplug.filePath(QStringLiteral("no-such-folder")));
    EXPECT_EQ(blind.idle_pause(), std::chrono::milliseconds(2000));  // a scan every 2 s at most
    blind.set_idle_pause(std::chrono::milliseconds(40));
    QTimer::singleShot(400, [this] { station.stop_requested = true; });
    QElapsedTimer elapsed;
    elapsed.start();
    blind.RunPollLoop();
    const qint64 ms = elapsed.elapsed();
    // One scan per pause at most, however long the loop really ran.
    EXPECT_GE(blind.scan_count(), 2);
    EXPECT_LE(blind.scan_count(), ms / 40 + 2);
    EXPECT_EQ(CountFunction("usb_find_devices"), blind.scan_count());
}

TEST_F(HotplugWaitTest, ASilentReceiverIsReopenedAfterEachTimeoutWithoutAWait) {
    link.set_idle_pause(std::chrono::hours(1));
    Sim().AttachReceiver();
    Sim().SetCallObserver([this](const sim::Call& call) {
        if (call.function == "usb_bulk_read" && CountFunction("usb_bulk_read") == 4) {
            station.stop_requested = true;
        }
    });
    RunUntilStopped();
    EXPECT_EQ(link.scan_count(), 5);  // stopped during the fifth cycle's read
    EXPECT_EQ(CountCalls("usb_bulk_read(0x82, 64, 100) = -110"), 5);
}

}  // namespace
