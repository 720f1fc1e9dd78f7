#pragma once

#include <optional>
#include <vector>

#include <opencv2/core.hpp>

// The marker-free trigger: background subtraction in a thin zone around the line.
// It fires when something covers the line's column and releases once the column has
// been clear for a few frames. It cannot tell karts apart.
class BandTrigger {
  public:
    struct Settings {
        int line_x = 320;
        int zone_half_width = 40;  // columns each side, for the sub-frame estimate
        int diff_level = 30;       // grey levels from the background that count as a kart
        int min_rows = 8;          // a column with fewer such pixels is noise
        int release_frames = 3;
    };
    explicit BandTrigger(const Settings& settings) : settings_(settings) {}

    struct Step {
        std::optional<double> fired_at;  // the interpolated crossing time
        bool released = false;
    };
    // gray: 8-bit single channel, the whole frame.
    Step AddFrame(double time_s, const cv::Mat& gray);
    bool occupied() const { return occupied_; }

  private:
    std::vector<bool> Profile(const cv::Mat& zone) const;
    double CrossingTime(double time_s, const std::vector<bool>& now) const;

    Settings settings_;
    cv::Mat background_;  // CV_32F, the zone only
    std::vector<bool> previous_;
    double previous_time_s_ = 0;
    bool occupied_ = false;
    int clear_frames_ = 0;
    int busy_frames_ = 0;
};
