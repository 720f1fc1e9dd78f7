#pragma once

#include <deque>

// Maps a capture's frame timestamps onto the station's clock. A frame arrives some
// time after it was taken, and that delay varies; the smallest difference seen
// lately (arrival minus timestamp) is the best estimate of the fixed part, so
// crossings keep the camera's own sub-frame timing instead of the arrival jitter.
// The window is short enough to follow a drift between the two clocks.
class FrameClock {
  public:
    // Returns the time base the detector is to use for this frame: its timestamp,
    // or, once timestamps stop increasing (a backend that gives none), the arrival.
    double Observe(double frame_s, double arrival_s);
    double ToStation(double frame_s) const { return frame_s + offset_s_; }
    // How many frames are missing before this one, from the timestamps.
    int dropped_before_last() const { return dropped_before_last_; }
    // True once, for the frame at which the time base turned to the arrival: times
    // taken on the old base (a detector's memory) no longer compare.
    bool rebased() const { return rebased_; }
    void SetNominalFps(double fps) { fps_ = fps; }

  private:
    std::deque<double> offsets_;
    double offset_s_ = 0;
    double last_frame_s_ = -1;
    double fps_ = 0;
    int dropped_before_last_ = 0;
    bool stamped_ = true;
    bool rebased_ = false;
};
