#include "ClipReplay.h"

#include <algorithm>

#include <QFileInfo>
#include <opencv2/videoio.hpp>

#include "CameraSettings.h"
#include "CrossingDetector.h"

ClipReplayResult ReplayClip(const QString& path, const CameraSettings& settings, int line_x) {
    ClipReplayResult result;
    if (!QFileInfo(path).isFile()) {
        result.error = QStringLiteral("cannot read %1: no such file").arg(path);
        return result;
    }
    // File readers only: tried on a file that is no video, GStreamer reports on
    // standard error whatever OpenCV's log level.
    cv::VideoCapture clip;
    for (const int backend : {cv::CAP_FFMPEG, cv::CAP_OPENCV_MJPEG}) {
        if (clip.open(path.toStdString(), backend)) {
            break;
        }
    }
    if (!clip.isOpened()) {
        result.error = QStringLiteral("cannot read %1: not a video this program reads").arg(path);
        return result;
    }
    const double fps = clip.get(cv::CAP_PROP_FPS);
    cv::Mat frame;
    std::optional<CrossingDetector> detector;
    long index = 0;
    double last_s = -1;
    while (clip.read(frame)) {
        if (!detector) {
            const int line = line_x >= 0 ? line_x : settings.LineFor(frame.cols);
            if (line >= frame.cols) {
                result.error =
                    QStringLiteral("the line (column %1) is outside the %2 px wide picture")
                        .arg(line)
                        .arg(frame.cols);
                return result;
            }
            detector.emplace(CrossingDetector::Settings{line, settings.band_half_width});
        }
        // The container's timestamps keep a variable frame rate right; a backend
        // that gives none falls back to the nominal rate.
        double time_s = clip.get(cv::CAP_PROP_POS_MSEC) / 1000.0;
        if (time_s <= last_s && fps > 0) {
            time_s = index / fps;
        }
        last_s = time_s;
        ++index;
        for (const CameraCrossing& c : detector->AddFrame(time_s, frame)) {
            result.crossings.push_back(c);
        }
    }
    if (!detector) {
        result.error = QStringLiteral("cannot read %1: no frames").arg(path);
        return result;
    }
    for (const CameraCrossing& c : detector->Finish()) {
        result.crossings.push_back(c);
    }
    std::stable_sort(
        result.crossings.begin(), result.crossings.end(),
        [](const CameraCrossing& a, const CameraCrossing& b) { return a.time_s < b.time_s; });
    return result;
}

QString ReplayLine(const CameraCrossing& crossing) {
    const QString id =
        crossing.marker_id >= 0 ? QString::number(crossing.marker_id) : QStringLiteral("-");
    return QStringLiteral("%1 %2 %3")
        .arg(id, QString::number(crossing.time_s, 'f', 6), CameraMethodName(crossing.method));
}
