#pragma once

#include <QString>

// One kart passing the line as the camera saw it. Free of OpenCV types: the session
// screen and the command line include this.
struct CameraCrossing {
    enum class Method { Marker, Band };

    int marker_id = -1;  // -1: a band trigger, which cannot tell karts apart
    double time_s = 0;   // on the frames' own time base (camera or clip seconds)
    Method method = Method::Marker;
};

// "marker" or "band", as the replay prints it.
QString CameraMethodName(CameraCrossing::Method method);
