#include "CrossingDetector.h"

#include <algorithm>

#include <opencv2/imgproc.hpp>

namespace {

BandTrigger::Settings BandSettingsFor(const CrossingDetector::Settings& settings) {
    BandTrigger::Settings band;
    band.line_x = settings.line_x;
    return band;
}

}  // namespace

CrossingDetector::CrossingDetector(const Settings& settings)
    : settings_(settings), tracker_(settings.line_x), band_(BandSettingsFor(settings)) {}

std::vector<MarkerTracker::Sighting> CrossingDetector::ReadMarkers(const cv::Mat& gray) {
    outlines_.clear();
    std::vector<MarkerTracker::Sighting> sightings;
    const int x0 = std::max(0, settings_.line_x - settings_.band_half_width);
    const int x1 = std::min(gray.cols, settings_.line_x + settings_.band_half_width + 1);
    if (x1 - x0 < 8) {
        return sightings;
    }
    // Only the band is searched: it keeps the cost per frame small and the far
    // side of the picture (spectators, banners) out of the way.
    const cv::Mat band = gray(cv::Rect(x0, 0, x1 - x0, gray.rows));
    std::vector<std::vector<cv::Point2f>> corners;
    std::vector<int> ids;
    reader_.Read(band, corners, ids);
    for (size_t i = 0; i < ids.size(); ++i) {
        Outline outline{ids[i], {}};
        double sum_x = 0;
        for (int k = 0; k < 4; ++k) {
            outline.corners[k] = corners[i][k] + cv::Point2f(static_cast<float>(x0), 0.f);
            sum_x += outline.corners[k].x;
        }
        outlines_.push_back(outline);
        sightings.push_back({ids[i], sum_x / 4});
    }
    return sightings;
}

std::vector<CameraCrossing> CrossingDetector::AddFrame(double time_s, const cv::Mat& frame) {
    cv::Mat gray = frame;
    if (frame.channels() == 3) {
        cv::cvtColor(frame, gray, cv::COLOR_BGR2GRAY);
    }
    std::vector<CameraCrossing> crossings = tracker_.AddFrame(time_s, ReadMarkers(gray));
    if (pending_ && !crossings.empty()) {
        pending_->explained = true;
    }
    const BandTrigger::Step step = band_.AddFrame(time_s, gray);
    if (step.fired_at) {
        pending_ = Pending{*step.fired_at, !crossings.empty()};
    }
    if (step.released && pending_) {
        if (!pending_->explained) {
            crossings.push_back({-1, pending_->time_s, CameraCrossing::Method::Band});
        }
        pending_.reset();
    }
    return crossings;
}

std::vector<CameraCrossing> CrossingDetector::Finish() {
    std::vector<CameraCrossing> crossings;
    if (pending_ && !pending_->explained) {
        crossings.push_back({-1, pending_->time_s, CameraCrossing::Method::Band});
    }
    pending_.reset();
    return crossings;
}
