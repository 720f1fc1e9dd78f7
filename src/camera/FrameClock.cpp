#include "FrameClock.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr size_t kFrameClockWindow = 300;  // frames: five seconds at 60 fps
}  // namespace

double FrameClock::Observe(double frame_s, double arrival_s) {
    rebased_ = false;
    if (stamped_ && last_frame_s_ >= 0 && frame_s <= last_frame_s_) {
        rebased_ = true;
        stamped_ = false;  // from now on the arrival is all there is
        offsets_.clear();
        last_frame_s_ = -1;
    }
    const double stamp = stamped_ ? frame_s : arrival_s;
    dropped_before_last_ = 0;
    if (fps_ > 0 && last_frame_s_ >= 0) {
        const double frames = (stamp - last_frame_s_) * fps_;
        dropped_before_last_ = std::max(0, static_cast<int>(std::lround(frames)) - 1);
    }
    last_frame_s_ = stamp;
    offsets_.push_back(arrival_s - stamp);
    if (offsets_.size() > kFrameClockWindow) {
        offsets_.pop_front();
    }
    offset_s_ = *std::min_element(offsets_.begin(), offsets_.end());
    return stamp;
}
