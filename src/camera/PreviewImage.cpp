#include "PreviewImage.h"

#include <opencv2/imgproc.hpp>

QImage PreviewImage(const cv::Mat& frame, int line_x, int band_half_width,
                    const std::vector<CrossingDetector::Outline>& outlines) {
    cv::Mat rgb;
    if (frame.channels() == 1) {
        cv::cvtColor(frame, rgb, cv::COLOR_GRAY2RGB);
    } else {
        cv::cvtColor(frame, rgb, cv::COLOR_BGR2RGB);
    }
    const int h = rgb.rows;
    for (int x : {line_x - band_half_width, line_x + band_half_width}) {
        cv::line(rgb, {x, 0}, {x, h - 1}, cv::Scalar(255, 220, 0), 1);
    }
    cv::line(rgb, {line_x, 0}, {line_x, h - 1}, cv::Scalar(255, 0, 0), 2);
    for (const CrossingDetector::Outline& outline : outlines) {
        std::vector<cv::Point> corners;
        for (const cv::Point2f& c : outline.corners) {
            corners.emplace_back(cvRound(c.x), cvRound(c.y));
        }
        cv::polylines(rgb, corners, true, cv::Scalar(0, 255, 0), 2);
        cv::putText(rgb, std::to_string(outline.id), corners[0] + cv::Point(0, -6),
                    cv::FONT_HERSHEY_SIMPLEX, 0.6, cv::Scalar(0, 255, 0), 2);
    }
    return QImage(rgb.data, rgb.cols, rgb.rows, static_cast<qsizetype>(rgb.step),
                  QImage::Format_RGB888)
        .copy();
}
