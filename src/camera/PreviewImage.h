#pragma once

#include <QImage>
#include <opencv2/core.hpp>

#include "CrossingDetector.h"

// The setup window's picture: the frame with the line (red), the band where markers
// are looked for (yellow edges) and each marker read outlined in green with its id.
QImage PreviewImage(const cv::Mat& frame, int line_x, int band_half_width,
                    const std::vector<CrossingDetector::Outline>& outlines);
