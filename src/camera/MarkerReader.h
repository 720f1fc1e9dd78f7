#pragma once

#include <memory>
#include <vector>

#include <opencv2/core.hpp>

// The karts' printed markers: ArUco, 4×4 modules, ids 0-49. OpenCV 4.6 (Debian 12)
// and 4.7 and later (Debian 13, where ArucoDetector replaced the free functions) are
// both served from here, so nothing else depends on the version.
class MarkerReader {
  public:
    MarkerReader();
    ~MarkerReader();

    // Each marker found: its four corners (clockwise from the top left of the
    // pattern) and its id.
    void Read(const cv::Mat& gray, std::vector<std::vector<cv::Point2f>>& corners,
              std::vector<int>& ids);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The pattern of marker id, side_px square, with its black one-module border.
cv::Mat MarkerPattern(int id, int side_px);
