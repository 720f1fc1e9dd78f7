#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <cmath>
#include <map>
#include <set>

#include "CameraCapture.h"
#include "Clock.h"
#include "FrameClock.h"

namespace {

// Each thread's name and niceness, from /proc/self/task/*/stat.
std::map<QString, std::set<int>> NicenessByThreadName() {
    std::map<QString, std::set<int>> found;
    for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(task));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QString line = QString::fromUtf8(stat.readAll());
        const qsizetype open = line.indexOf(QLatin1Char('('));
        const qsizetype close = line.lastIndexOf(QLatin1Char(')'));
        // After the name: state is field 3, niceness field 19.
        const QStringList fields = line.mid(close + 2).split(QLatin1Char(' '));
        if (open < 0 || close < open || fields.size() < 17) {
            continue;
        }
        found[line.mid(open + 1, close - open - 1)].insert(fields[16].toInt());
    }
    return found;
}

}  // namespace

// A GStreamer test source plays the camera: a ball sweeping across the picture is
// live video to the capture thread, which must time it at the line, report it
// running, then stopped when the source ends, all without blocking this thread.
TEST(CameraLive, GStreamerSourceTimedOffTheScreenThread) {
    SystemClock station_clock;
    CameraCapture::Source source;
    source.gstreamer = true;
    source.device = QStringLiteral(
        "videotestsrc is-live=true num-buffers=150 pattern=ball ! "
        "video/x-raw,width=320,height=240,framerate=30/1 ! videoconvert ! "
        "video/x-raw,format=BGR ! appsink");
    source.fps = 30;
    source.line_x = 160;
    source.niceness = 0;  // what is timed here, not the yielding: a busy machine drops frames
    CameraCapture capture(station_clock, source);
    std::vector<CameraStatus::State> states;
    std::vector<std::pair<qint64, bool>> crossings;
    // With a receiver of this thread the calls are queued here, as the screen's are.
    QObject::connect(&capture, &CameraCapture::statusChanged, &capture,
                     [&](const CameraStatus& status) { states.push_back(status.state); });
    QObject::connect(&capture, &CameraCapture::crossed, &capture,
                     [&](int, bool band, qint64 counter) {
                         crossings.push_back({counter, band});
                     });
    const qint64 started = station_clock.PerformanceCounter();
    capture.Start();
    QElapsedTimer waited;
    waited.start();
    int turns = 0;
    while (waited.elapsed() < 30000 &&
           (states.empty() || states.back() != CameraStatus::State::kStopped)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
        ++turns;
    }
    const qint64 ended = station_clock.PerformanceCounter();
    capture.Stop();
    QCoreApplication::processEvents();
    // The screen's thread kept turning while frames were read and searched.
    EXPECT_GT(turns, 100);
    ASSERT_FALSE(states.empty());
    EXPECT_EQ(states.front(), CameraStatus::State::kStarting);
    EXPECT_NE(std::find(states.begin(), states.end(), CameraStatus::State::kRunning), states.end());
    EXPECT_EQ(states.back(), CameraStatus::State::kOff);
    EXPECT_NE(std::find(states.begin(), states.end(), CameraStatus::State::kStopped), states.end());
    ASSERT_FALSE(crossings.empty());
    for (const auto& [counter, band] : crossings) {
        EXPECT_TRUE(band);
        EXPECT_GT(counter, started);
        EXPECT_LT(counter, ended);
    }
}

// A camera that takes 2 s to open (each frame held 2 s before the sink, so the open
// waits for the first) is starting meanwhile, never "stopped" before its first frame.
// On a busy machine the camera's thread yields to the receiver's.
TEST(CameraLive, ASlowOpenIsStartingNotStopped) {
    SystemClock station_clock;
    CameraCapture::Source source;
    source.gstreamer = true;
    source.device = QStringLiteral(
        "videotestsrc num-buffers=2 ! identity sleep-time=2000000 ! "
        "video/x-raw,width=160,height=120 ! videoconvert ! video/x-raw,format=BGR ! appsink");
    CameraCapture capture(station_clock, source);
    std::vector<CameraStatus::State> states;
    QObject::connect(&capture, &CameraCapture::statusChanged, &capture,
                     [&](const CameraStatus& status) { states.push_back(status.state); });
    capture.Start();
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 20000 && states.size() < 2) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    std::map<QString, std::set<int>> niceness = NicenessByThreadName();
    capture.Stop();
    EXPECT_EQ(niceness["camera"], std::set<int>{10});
    EXPECT_EQ(niceness[QCoreApplication::applicationName().left(15)], std::set<int>{0});
    ASSERT_GE(states.size(), 2u);
    EXPECT_EQ(states[0], CameraStatus::State::kStarting);
    EXPECT_EQ(states[1], CameraStatus::State::kRunning);
    EXPECT_GT(waited.elapsed(), 1500);  // the open did take its time
}

TEST(CameraLive, FrameClockKeepsTheCameraTimingAndCountsDrops) {
    FrameClock frames;
    frames.SetNominalFps(50);
    // Arrival = timestamp + 100 s of clock offset + 3..10 ms of varying delay.
    const double delays[] = {0.010, 0.004, 0.007, 0.003, 0.009, 0.006};
    for (int n = 0; n < 6; ++n) {
        const int index = n < 4 ? n : n + 2;  // two frames missing before the fifth
        const double stamp = index * 0.02;
        EXPECT_DOUBLE_EQ(frames.Observe(stamp, 100 + stamp + delays[n]), stamp);
        EXPECT_EQ(frames.dropped_before_last(), n == 4 ? 2 : 0) << n;
    }
    EXPECT_NEAR(frames.ToStation(0.5), 100.503, 1e-9);
    // A backend without timestamps: the arrival time is used instead, from then on.
    EXPECT_FALSE(frames.rebased());
    EXPECT_DOUBLE_EQ(frames.Observe(0, 200.0), 200.0);
    EXPECT_TRUE(frames.rebased());
    EXPECT_DOUBLE_EQ(frames.Observe(0.5, 200.02), 200.02);
    EXPECT_FALSE(frames.rebased());
    EXPECT_NEAR(frames.ToStation(200.0), 200.0, 1e-9);
}
