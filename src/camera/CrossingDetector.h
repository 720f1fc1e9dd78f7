#pragma once

#include <array>
#include <optional>
#include <vector>

#include <opencv2/core.hpp>

#include "BandTrigger.h"
#include "CameraCrossing.h"
#include "MarkerReader.h"
#include "MarkerTracker.h"

// Everything the camera finds at the line, frame by frame: printed markers read in
// a band around the line, and the band trigger for karts whose marker was not read.
// A trigger that a marker crossing explains (the same kart) is not reported.
class CrossingDetector {
  public:
    struct Settings {
        int line_x = 320;
        int band_half_width = 80;  // markers are looked for this far each side
    };
    explicit CrossingDetector(const Settings& settings);

    // frame: 8-bit, grey or BGR. Returns the crossings this frame completes.
    std::vector<CameraCrossing> AddFrame(double time_s, const cv::Mat& frame);
    // The end of a clip: a trigger still waiting for its kart to leave.
    std::vector<CameraCrossing> Finish();

    // The markers read in the last frame, in frame coordinates (the setup view).
    struct Outline {
        int id;
        std::array<cv::Point2f, 4> corners;
    };
    const std::vector<Outline>& outlines() const { return outlines_; }

  private:
    std::vector<MarkerTracker::Sighting> ReadMarkers(const cv::Mat& gray);

    Settings settings_;
    MarkerReader reader_;
    MarkerTracker tracker_;
    BandTrigger band_;
    struct Pending {
        double time_s;
        bool explained;
    };
    std::optional<Pending> pending_;
    std::vector<Outline> outlines_;
};
