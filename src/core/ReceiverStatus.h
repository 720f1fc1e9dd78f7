#pragma once

#include <QString>

// What the operator is told about the USB-Key. The receiver link keeps it current in
// the station; the session screen and the transmission test window show it.
enum class ReceiverState {
    kNotFound,   // no device with the receiver's vendor and product ID is listed
    kNoAccess,   // listed, but configuration or claim fails with -1 (EPERM): no udev rule
    kNotUsable,  // the right IDs, the wrong descriptors (no interface 1, wrong endpoints)
    kConnected,  // opened, configured and claimed
};

// A connected receiver from which nothing was read for this long is not shown with
// a frame rate: a rate would read as if frames were still coming.
inline constexpr int kSilentReceiverSeconds = 2;

struct ReceiverStatus {
    ReceiverState state = ReceiverState::kNotFound;
    QString reason;                // kNotUsable: what is wrong with the device
    double frames_per_second = 0;  // kConnected: frames decoded in the last second
    // kConnected: whole seconds since the last frame was read (0 while frames come)
    int silent_seconds = 0;

    bool operator==(const ReceiverStatus&) const = default;
};

// One line for the operator:
//   "USB-Key: not found"
//   "USB-Key: no access - see Install drivers"
//   "USB-Key: not usable - <reason>"
//   "USB-Key: connected, N frames/s"
//   "USB-Key: connected, no frames for N s"  (nothing read for 2 s or more)
QString ReceiverStatusText(const ReceiverStatus& status);
