#include "MarkerReader.h"

#include <opencv2/aruco.hpp>
#include <opencv2/core/version.hpp>

#if CV_VERSION_MAJOR > 4 || (CV_VERSION_MAJOR == 4 && CV_VERSION_MINOR >= 7)
#define RUVO_ARUCO_DETECTOR_CLASS 1
#endif

namespace {

// Two threshold windows (3 and 13 px) instead of three: printed markers on a kart's
// side are high-contrast, and each window is a pass over the band.
constexpr int kThresholdWindowMax = 13;

}  // namespace

#ifdef RUVO_ARUCO_DETECTOR_CLASS

struct MarkerReader::Impl {
    cv::aruco::ArucoDetector detector;
    static cv::aruco::ArucoDetector Make() {
        cv::aruco::DetectorParameters parameters;
        parameters.adaptiveThreshWinSizeMax = kThresholdWindowMax;
        return cv::aruco::ArucoDetector(cv::aruco::getPredefinedDictionary(cv::aruco::DICT_4X4_50),
                                        parameters);
    }
    Impl() : detector(Make()) {}
};

void MarkerReader::Read(const cv::Mat& gray, std::vector<std::vector<cv::Point2f>>& corners,
                        std::vector<int>& ids) {
    impl_->detector.detectMarkers(gray, corners, ids);
}

cv::Mat MarkerPattern(int id, int side_px) {
    cv::Mat pattern;
    cv::aruco::generateImageMarker(cv::aruco::getPredefinedDictionary(cv::aruco::DICT_4X4_50), id,
                                   side_px, pattern, 1);
    return pattern;
}

#else

struct MarkerReader::Impl {
    cv::Ptr<cv::aruco::Dictionary> dictionary =
        cv::aruco::getPredefinedDictionary(cv::aruco::DICT_4X4_50);
    cv::Ptr<cv::aruco::DetectorParameters> parameters = cv::aruco::DetectorParameters::create();
    Impl() { parameters->adaptiveThreshWinSizeMax = kThresholdWindowMax; }
};

void MarkerReader::Read(const cv::Mat& gray, std::vector<std::vector<cv::Point2f>>& corners,
                        std::vector<int>& ids) {
    cv::aruco::detectMarkers(gray, impl_->dictionary, corners, ids, impl_->parameters);
}

cv::Mat MarkerPattern(int id, int side_px) {
    cv::Mat pattern;
    cv::aruco::drawMarker(cv::aruco::getPredefinedDictionary(cv::aruco::DICT_4X4_50), id, side_px,
                          pattern, 1);
    return pattern;
}

#endif

MarkerReader::MarkerReader() : impl_(std::make_unique<Impl>()) {}
MarkerReader::~MarkerReader() = default;
