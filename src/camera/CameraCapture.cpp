#include "CameraCapture.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QFileInfo>
#include <QThread>
#include <deque>
#include <opencv2/core/utility.hpp>
#include <opencv2/videoio.hpp>

#include "CameraSettings.h"
#include "Clock.h"
#include "CrossingDetector.h"
#include "FrameClock.h"
#include "PreviewImage.h"

namespace {

// No frame for this long: the camera has stopped (or was unplugged).
constexpr double kStalledSeconds = 1.0;
// Frames dropped within this window keep the "dropping" state.
constexpr double kDropWindowSeconds = 2.0;
constexpr int kReopenPauseMs = 500;

double StationSeconds(const Clock& clock) {
    return static_cast<double>(clock.PerformanceCounter()) /
           static_cast<double>(clock.PerformanceFrequency());
}

bool OpenCamera(cv::VideoCapture& capture, const CameraCapture::Source& source) {
    if (source.gstreamer) {
        return capture.open(source.device.toStdString(), cv::CAP_GSTREAMER);
    }
    if (source.file) {
        return capture.open(source.device.toStdString());
    }
    bool is_index = false;
    const int index = source.device.toInt(&is_index);
    const bool opened = is_index ? capture.open(index, cv::CAP_V4L2)
                                 : capture.open(source.device.toStdString(), cv::CAP_V4L2);
    if (!opened) {
        return false;
    }
    // MJPG: most USB webcams give 60 fps only compressed.
    capture.set(cv::CAP_PROP_FOURCC, cv::VideoWriter::fourcc('M', 'J', 'P', 'G'));
    capture.set(cv::CAP_PROP_FRAME_WIDTH, source.width);
    capture.set(cv::CAP_PROP_FRAME_HEIGHT, source.height);
    capture.set(cv::CAP_PROP_FPS, source.fps);
    if (source.shutter_us > 0) {
        // V4L2: 1 = manual exposure; the absolute exposure is in 100 µs steps.
        capture.set(cv::CAP_PROP_AUTO_EXPOSURE, 1);
        capture.set(cv::CAP_PROP_EXPOSURE, std::max(1, source.shutter_us / 100));
    }
    return true;
}

bool DeviceGone(const CameraCapture::Source& source) {
    if (source.gstreamer) {
        return false;
    }
    if (source.file) {
        return !QFileInfo::exists(source.device);
    }
    bool is_index = false;
    const int index = source.device.toInt(&is_index);
    const QString node = is_index ? QStringLiteral("/dev/video%1").arg(index) : source.device;
    return !QFileInfo::exists(node);
}

}  // namespace

CameraCapture::CameraCapture(const Clock& clock, const Source& source, QObject* parent)
    : QObject(parent), clock_(clock), source_(source) {
    qRegisterMetaType<CameraStatus>();
    watchdog_.setInterval(250);
    connect(&watchdog_, &QTimer::timeout, this, &CameraCapture::CheckStalled);
}

CameraCapture::~CameraCapture() {
    Stop();
}

void CameraCapture::Start() {
    if (thread_ != nullptr) {
        return;
    }
    stop_ = false;
    thread_ = QThread::create([this] { Run(); });
    thread_->setObjectName(QStringLiteral("camera"));
    thread_->start();
    last_frame_at_ = StationSeconds(clock_);
    watchdog_.start();
}

void CameraCapture::Stop() {
    if (thread_ == nullptr) {
        return;
    }
    stop_ = true;
    watchdog_.stop();
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
}

bool CameraCapture::running() const {
    return thread_ != nullptr && thread_->isRunning();
}

void CameraCapture::Report(const CameraStatus& status) {
    {
        const std::lock_guard<std::mutex> lock(status_mutex_);
        if (status == last_status_) {
            return;
        }
        last_status_ = status;
    }
    emit statusChanged(status);
}

// A read that blocks says nothing: the watchdog on the screen's thread notices a
// camera that stopped sending without closing.
void CameraCapture::CheckStalled() {
    // Opening can take seconds (GStreamer's first look at its plugins on a fresh
    // system): the silence counts from when the open returned.
    if (!running() || opening_ || StationSeconds(clock_) - last_frame_at_ <= kStalledSeconds) {
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(status_mutex_);
        if (!last_status_.healthy() && last_status_.state != CameraStatus::State::kDropping) {
            return;  // already stopped or unplugged
        }
    }
    Report({CameraStatus::State::kStopped, 0});
}

// The worker thread: open, read, detect; reopen after an unplug.
void CameraCapture::Run() {
    // Linux keeps a niceness per thread; the threads GStreamer starts from here inherit
    // it. Detection stays on this thread: OpenCV's own pool would run at the
    // receiver's priority.
    setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), source_.niceness);
    cv::setNumThreads(1);
    Report({CameraStatus::State::kStarting, 0});
    const qint64 frequency = clock_.PerformanceFrequency();
    while (!stop_) {
        cv::VideoCapture capture;
        opening_ = true;
        const bool opened = OpenCamera(capture, source_);
        last_frame_at_ = StationSeconds(clock_);
        opening_ = false;
        if (!opened) {
            Report({DeviceGone(source_) ? CameraStatus::State::kUnplugged
                                        : CameraStatus::State::kStopped,
                    0});
            QThread::msleep(kReopenPauseMs);
            continue;
        }
        FrameClock frame_clock;
        frame_clock.SetNominalFps(source_.fps);
        std::optional<CrossingDetector> detector;
        std::deque<std::pair<double, int>> drops;  // (arrival, frames dropped)
        cv::Mat frame;
        double last_preview_at = 0;
        last_frame_at_ = StationSeconds(clock_);
        while (!stop_) {
            if (!capture.read(frame) || frame.empty()) {
                break;
            }
            if (source_.file) {
                // A clip reads as fast as the disk allows; a camera gives fps.
                QThread::msleep(static_cast<unsigned long>(1000 / std::max(1, source_.fps)));
            }
            const double arrival = StationSeconds(clock_);
            last_frame_at_ = arrival;
            const double stamp =
                frame_clock.Observe(capture.get(cv::CAP_PROP_POS_MSEC) / 1000.0, arrival);
            if (frame_clock.rebased()) {
                detector.reset();
            }
            if (!detector) {
                const int line = source_.line_x >= 0 ? source_.line_x : frame.cols / 2;
                detector.emplace(CrossingDetector::Settings{line, source_.band_half_width});
            }
            if (frame_clock.dropped_before_last() > 0) {
                drops.push_back({arrival, frame_clock.dropped_before_last()});
            }
            while (!drops.empty() && arrival - drops.front().first > kDropWindowSeconds) {
                drops.pop_front();
            }
            int dropped = 0;
            for (const auto& d : drops) {
                dropped += d.second;
            }
            Report({dropped > 0 ? CameraStatus::State::kDropping : CameraStatus::State::kRunning,
                    dropped});
            const std::vector<CameraCrossing> crossings = detector->AddFrame(stamp, frame);
            if (source_.preview && arrival - last_preview_at >= 0.1) {
                last_preview_at = arrival;
                const int line = source_.line_x >= 0 ? source_.line_x : frame.cols / 2;
                emit frameReady(
                    PreviewImage(frame, line, source_.band_half_width, detector->outlines()));
            }
            for (const CameraCrossing& c : crossings) {
                const double at = frame_clock.ToStation(c.time_s);
                emit crossed(c.marker_id, c.method == CameraCrossing::Method::Band,
                             static_cast<qint64>(at * static_cast<double>(frequency)));
            }
        }
        if (detector) {
            for (const CameraCrossing& c : detector->Finish()) {
                emit crossed(c.marker_id, true,
                             static_cast<qint64>(frame_clock.ToStation(c.time_s) *
                                                 static_cast<double>(frequency)));
            }
        }
        Report(
            {DeviceGone(source_) ? CameraStatus::State::kUnplugged : CameraStatus::State::kStopped,
             0});
        if (!stop_) {
            QThread::msleep(kReopenPauseMs);
        }
    }
    Report({CameraStatus::State::kOff, 0});
}

CameraCapture::Source CaptureSourceFor(const CameraSettings& settings) {
    CameraCapture::Source source;
    const QString gst = QStringLiteral("gst:");
    const QString file = QStringLiteral("file:");
    source.gstreamer = settings.device.startsWith(gst);
    source.file = settings.device.startsWith(file);
    source.device = source.gstreamer ? settings.device.mid(gst.size())
                    : source.file    ? settings.device.mid(file.size())
                                     : settings.device;
    source.width = settings.width;
    source.height = settings.height;
    source.fps = settings.fps;
    source.shutter_us = settings.shutter_us;
    source.line_x = settings.line_x;
    source.band_half_width = settings.band_half_width;
    return source;
}
