#pragma once

#include <QString>
#include <vector>

#include "CameraCrossing.h"

struct CameraSettings;

// A recorded clip run through the same detection as live timing, in time order.
// Times are seconds from the clip's start.
struct ClipReplayResult {
    std::vector<CameraCrossing> crossings;
    QString error;  // empty when the clip was read
};
// line_x < 0 takes the settings' line.
ClipReplayResult ReplayClip(const QString& path, const CameraSettings& settings, int line_x);

// One line of the replay's output: "7 12.345678 marker", "- 3.000001 band".
QString ReplayLine(const CameraCrossing& crossing);
