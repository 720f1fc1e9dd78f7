#include "ReplayCommand.h"

#include <cstdio>
#include <opencv2/core/utils/logger.hpp>

#include "CameraSettings.h"
#include "ClipReplay.h"

namespace {

int ReplayFail(const char* name, const QString& reason) {
    std::fprintf(stderr, "%s: %s\n", name, qPrintable(reason));
    return 2;
}

}  // namespace

int RunCameraReplayCommand(const QStringList& args, const char* name,
                           const std::function<QString()>& ini_path) {
    const QString usage =
        QStringLiteral("usage: %1 %2").arg(QLatin1String(name), QLatin1String(kCameraReplayUsage));
    if (args.size() < 2 || args.at(1).isEmpty()) {
        return ReplayFail(name, usage);
    }
    int line_x = -1;
    if (args.size() == 4 && args.at(2) == QLatin1String("--line")) {
        bool ok = false;
        line_x = args.at(3).toInt(&ok);
        if (!ok || line_x < 0) {
            return ReplayFail(
                name, QStringLiteral("--line takes a column in pixels, not %1").arg(args.at(3)));
        }
    } else if (args.size() != 2) {
        return ReplayFail(name, usage);
    }
    // A script reads one line on failure: OpenCV's own notes (a backend that could not
    // open the file) would bury it.
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
    const ClipReplayResult result = ReplayClip(args.at(1), LoadCameraSettings(ini_path()), line_x);
    if (!result.error.isEmpty()) {
        return ReplayFail(name, result.error);
    }
    for (const CameraCrossing& crossing : result.crossings) {
        std::printf("%s\n", qPrintable(ReplayLine(crossing)));
    }
    std::fflush(stdout);
    return 0;
}
