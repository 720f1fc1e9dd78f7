#pragma once

#include <QString>

// What the session screen shows of the camera, as it shows the receiver's state.
struct CameraStatus {
    enum class State { kOff, kStarting, kRunning, kDropping, kStopped, kUnplugged };
    State state = State::kOff;
    int dropped_frames = 0;  // in the last few seconds, while kDropping

    bool operator==(const CameraStatus&) const = default;
    bool healthy() const { return state == State::kRunning || state == State::kStarting; }
    QString Text() const;
};
