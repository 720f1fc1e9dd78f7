#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <mutex>

#include "CameraCrossing.h"
#include "CameraStatus.h"

class Clock;
class QThread;

// Live capture and detection on a thread of its own, so a slow camera or a busy
// detector never holds up the receiver or the screen. Crossings arrive as signals
// with their time on the station's performance counter.
class CameraCapture : public QObject {
    Q_OBJECT

  public:
    struct Source {
        QString device;          // "0", "/dev/video2", or a GStreamer pipeline
        bool gstreamer = false;  // device is a pipeline ending in appsink
        bool file = false;       // device is a recorded clip, played at its own pace
        int width = 640;
        int height = 480;
        int fps = 60;
        int shutter_us = 0;  // 0: the camera's own exposure
        int line_x = -1;     // -1: the picture's middle
        int band_half_width = 80;
        bool preview = false;  // frameReady about ten times a second (the setup window)
        // The capture thread's niceness: on a busy machine its frames wait, never the
        // receiver's (the threads GStreamer starts from it inherit it).
        int niceness = 10;
    };
    CameraCapture(const Clock& clock, const Source& source, QObject* parent = nullptr);
    ~CameraCapture() override;

    void Start();
    // Waits for the thread to end (at most one frame's read).
    void Stop();
    bool running() const;

  signals:
    // marker_id -1 with band: a band trigger. counter: the station clock's counter.
    void crossed(int marker_id, bool band, qint64 counter);
    void statusChanged(const CameraStatus& status);
    void frameReady(const QImage& picture);

  private:
    void Run();
    void Report(const CameraStatus& status);
    void CheckStalled();

    const Clock& clock_;
    Source source_;
    std::atomic<bool> stop_{false};
    QThread* thread_ = nullptr;
    std::mutex status_mutex_;
    CameraStatus last_status_;

    std::atomic<double> last_frame_at_{0};  // station seconds
    std::atomic<bool> opening_{false};      // the capture thread is in the camera's open
    QTimer watchdog_;
};

Q_DECLARE_METATYPE(CameraStatus)

struct CameraSettings;
// The capture the settings name: "gst:PIPELINE" a GStreamer pipeline, "file:PATH" a
// recorded clip played as if live, anything else a V4L2 camera (index or path).
CameraCapture::Source CaptureSourceFor(const CameraSettings& settings);
