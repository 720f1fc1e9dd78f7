#include "BandTrigger.h"

#include <opencv2/imgproc.hpp>

namespace {

constexpr double kBackgroundRate = 0.05;
// Something that stays on the line this long (a cone, a parked kart, a shadow) is
// learned as background rather than blocking the trigger for good.
constexpr int kRelearnFrames = 300;

int RunLength(const std::vector<bool>& columns, int from, int step) {
    int length = 0;
    for (int c = from + step; c >= 0 && c < static_cast<int>(columns.size()) && columns[c];
         c += step) {
        ++length;
    }
    return length;
}

}  // namespace

std::vector<bool> BandTrigger::Profile(const cv::Mat& zone) const {
    cv::Mat zone_f;
    zone.convertTo(zone_f, CV_32F);
    cv::Mat diff;
    cv::absdiff(zone_f, background_, diff);
    cv::Mat mask = diff > settings_.diff_level;  // 255 where different
    cv::Mat counts;
    cv::reduce(mask / 255, counts, 0, cv::REDUCE_SUM, CV_32S);
    std::vector<bool> columns(zone.cols);
    for (int c = 0; c < zone.cols; ++c) {
        columns[c] = counts.at<int>(0, c) >= settings_.min_rows;
    }
    return columns;
}

// The front's distance past the line now and short of it in the previous frame,
// both measured in the zone, give the sub-frame time of it reaching the line.
double BandTrigger::CrossingTime(double time_s, const std::vector<bool>& now) const {
    const int mid = settings_.zone_half_width;
    const int right = RunLength(now, mid, 1);
    const int left = RunLength(now, mid, -1);
    const bool moving_right = right <= left;
    const double past = (moving_right ? right : left) + 0.5;
    double short_of = mid + 0.5;  // front not yet in the zone: at its edge at most
    if (!previous_.empty()) {
        const int step = moving_right ? -1 : 1;
        for (int c = mid + step; c >= 0 && c < static_cast<int>(previous_.size()); c += step) {
            if (previous_[c]) {
                short_of = std::abs(c - mid) - 0.5;
                break;
            }
        }
    }
    if (previous_.empty()) {
        return time_s;
    }
    return previous_time_s_ + short_of / (short_of + past) * (time_s - previous_time_s_);
}

BandTrigger::Step BandTrigger::AddFrame(double time_s, const cv::Mat& gray) {
    Step step;
    const int half = settings_.zone_half_width;
    const int x0 = settings_.line_x - half;
    if (x0 < 0 || settings_.line_x + half >= gray.cols) {
        return step;  // the line too close to the edge: nothing to measure
    }
    const cv::Mat zone = gray(cv::Rect(x0, 0, 2 * half + 1, gray.rows));
    if (background_.empty() || background_.size() != zone.size()) {
        zone.convertTo(background_, CV_32F);
        previous_.clear();
        return step;
    }
    const std::vector<bool> columns = Profile(zone);
    const bool on_line = columns[half];
    bool any = false;
    for (bool c : columns) {
        any = any || c;
    }
    if (!occupied_ && on_line) {
        occupied_ = true;
        busy_frames_ = 0;
        step.fired_at = CrossingTime(time_s, columns);
    }
    if (occupied_) {
        clear_frames_ = on_line ? 0 : clear_frames_ + 1;
        if (clear_frames_ >= settings_.release_frames) {
            occupied_ = false;
            step.released = true;
        }
        if (++busy_frames_ > kRelearnFrames) {
            zone.convertTo(background_, CV_32F);
        }
    }
    if (!any) {
        cv::accumulateWeighted(zone, background_, kBackgroundRate);
    }
    previous_ = columns;
    previous_time_s_ = time_s;
    return step;
}
