#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QSet>
#include <QTest>

#include "CameraTiming.h"
#include "FakeClock.h"
#include "ReceiverStatusLine.h"
#include "Tfekranglowny.h"

// Camera crossings on the real session screen: slot 1 is a radio kart, slot 2 carries
// marker 7, slot 3 is hand-timed and gets a band trigger with its lap key.
namespace {

constexpr qint64 kCameraSecond = FakeClock::kFrequency;

struct CameraSessionFixture : ::testing::Test {
    FakeClock clock;
    Station station{clock, QStringLiteral("/nonexistent/")};
    SessionScreenActions actions;
    std::vector<std::pair<int, qint32>> recorded;  // slot, lap time
    QStringList log;
    std::unique_ptr<CameraTiming> camera;
    QSet<int> camera_slots{2, 3};  // the karts ticked "Camera"

    std::unique_ptr<Tfekranglowny> Show() {
        station.slot(1).radio = true;
        actions.lap_recorded = [this](int slot, qint32, qint32 lap_time, qint32, qint32, bool) {
            recorded.emplace_back(slot, lap_time);
        };
        actions.camera_time_for_key = [this](int slot, qint64 now) {
            return camera->TakeForKey(slot, now);
        };
        auto screen = ShowSessionScreen(station, actions);
        CameraSettings settings;
        settings.marker_of_slot = {4, 7, -1, -1, -1};
        Tfekranglowny* shown = screen.get();
        camera = std::make_unique<CameraTiming>(
            clock, settings,
            CameraTiming::Hooks{
                [shown](int slot, qint64 at) { return shown->CompleteLapAt(slot, at); },
                [shown](const QString& text, bool ok) { shown->ShowCameraStatus(text, ok); },
                [this](const QString& line) { log << line; },
                [this](int slot) { return camera_slots.contains(slot); }});
        return screen;
    }
    static void PressKey(QWidget& screen, int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&screen, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(&screen, &release);
    }
};

}  // namespace

TEST_F(CameraSessionFixture, MarkerLapsKeyAssignedBandAndUnassignedLog) {
    auto screen = Show();
    const qint64 t0 = clock.PerformanceCounter();
    // Slot 2's first pass starts its stopwatch; the next ones are laps, timed by the
    // crossings however late they arrive. A pass 3.1 s or 4 s after is under the
    // 5.00 s minimum and does not move the lap's start.
    camera->OnCrossed(7, false, t0);
    camera->OnCrossed(7, false, t0 + 31 * kCameraSecond / 10);
    camera->OnCrossed(7, false, t0 + 6203 * FakeClock::kCountsPerCentisecond);
    clock.AdvanceCounts(70 * kCameraSecond);
    camera->OnCrossed(7, false, t0 + 66 * kCameraSecond);
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[0], std::make_pair(2, 6203));
    EXPECT_EQ(
        log.back(),
        QStringLiteral("camera;2;7;marker;%1").arg(double(t0) / kCameraSecond + 62.03, 0, 'f', 6));
    // Marker 4 is slot 1's, a radio kart: the camera never times it.
    camera->OnCrossed(4, false, t0 + 65 * kCameraSecond);
    EXPECT_EQ(recorded.size(), 1u);

    // Slot 3, hand-timed: started by Shift+3, then a band trigger 1.5 s before the
    // lap key: the lap ends at the trigger, not at the key.
    QKeyEvent start(QEvent::KeyPress, Qt::Key_3, Qt::ShiftModifier);
    QApplication::sendEvent(screen.get(), &start);
    const qint64 started = clock.PerformanceCounter();
    clock.AdvanceCounts(40 * kCameraSecond);
    camera->OnCrossed(-1, true, clock.PerformanceCounter() - 15 * kCameraSecond / 10);
    PressKey(*screen, Qt::Key_3);
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[1], std::make_pair(3, 3850));
    const qint64 trigger = started + 3850 * FakeClock::kCountsPerCentisecond;
    EXPECT_EQ(log.back(),
              QStringLiteral("camera;3;-;band;%1").arg(double(trigger) / kCameraSecond, 0, 'f', 6));

    // A trigger nobody claims within 2 s is logged unassigned; a key after that
    // times the lap at the key.
    camera->OnCrossed(-1, true, clock.PerformanceCounter());
    clock.AdvanceCounts(4 * kCameraSecond);
    QTest::qWait(300);  // the expiry timer
    EXPECT_TRUE(log.back().startsWith("camera;unassigned;-;band;")) << log.back().toStdString();
    PressKey(*screen, Qt::Key_3);
    ASSERT_EQ(recorded.size(), 3u);
    EXPECT_EQ(recorded[2], std::make_pair(3, 150 + 400));

    // Slot 2 ticked off "Camera" during the session: its marker's passes are kept
    // unassigned, and a hand-timed kart's key times its own lap, never a trigger.
    camera_slots = {3};
    const size_t laps_before = recorded.size();
    camera->OnCrossed(7, false, clock.PerformanceCounter());
    EXPECT_TRUE(log.back().startsWith("camera;unassigned;7;marker;")) << log.back().toStdString();
    camera_slots = {};
    camera->OnCrossed(-1, true, clock.PerformanceCounter() - kCameraSecond);
    clock.AdvanceCounts(10 * kCameraSecond);
    PressKey(*screen, Qt::Key_3);
    ASSERT_EQ(recorded.size(), laps_before + 1);
    EXPECT_EQ(recorded.back(), std::make_pair(3, 1000));
    QTest::qWait(300);
    EXPECT_TRUE(log.back().startsWith("camera;unassigned;-;band;")) << log.back().toStdString();
    camera_slots = {2, 3};

    // The camera's state sits beside the receiver's.
    camera->OnCrossed(33, false, clock.PerformanceCounter());
    EXPECT_TRUE(log.back().startsWith("camera;unassigned;33;marker;"));
    screen->ShowCameraStatus("Camera unplugged", false);
    auto* line = screen->findChild<ReceiverStatusLine*>("CameraStatusLine");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->label()->text(), "Camera unplugged");
    EXPECT_TRUE(line->isVisible());
    if (const QString folder = qEnvironmentVariable("RUVO_SCREENSHOT_DIR"); !folder.isEmpty()) {
        screen->resize(Tfekranglowny::kDesignWidth, Tfekranglowny::kDesignHeight);
        QWidget* bar = line->parentWidget();
        bar->grab().save(folder + "/session-camera-status.png");
    }
}
