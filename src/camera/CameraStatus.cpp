#include "CameraStatus.h"

QString CameraStatus::Text() const {
    switch (state) {
        case State::kOff:
            return QStringLiteral("Camera off");
        case State::kStarting:
            return QStringLiteral("Camera starting");
        case State::kRunning:
            return QStringLiteral("Camera running");
        case State::kDropping:
            return QStringLiteral("Camera dropping frames (%1 in 2 s)").arg(dropped_frames);
        case State::kStopped:
            return QStringLiteral("Camera stopped");
        case State::kUnplugged:
            return QStringLiteral("Camera unplugged");
    }
    return {};
}
