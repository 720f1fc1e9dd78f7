#pragma once

#include <vector>

#include <opencv2/core.hpp>

// Synthetic line-camera clips with exact ground truth, rendered in memory from a
// seed: karts (a dark body with a printed marker on its side) move across a textured
// background; the exposure smears them (motion blur), noise and a slow brightness
// drift are added. Frame times are the middle of each exposure.
struct KartPass {
    int marker_id = 0;         // -1: a kart without a marker
    double cross_s = 1.0;      // when the marker's centre (the body's centre) is on the line
    double speed_px_s = 2000;  // negative: right to left
    int lane_y = 160;          // centre row
};

struct ClipSetup {
    int width = 640;
    int height = 480;
    double fps = 60;
    double duration_s = 2;
    double exposure_s = 0.001;
    double noise_sigma = 3;
    unsigned seed = 1;
    int line_x = 320;
    int marker_px = 48;
    int drop_every = 0;  // every n-th frame missing (0: none)
    std::vector<KartPass> karts;
};

struct ClipFrame {
    double time_s;
    cv::Mat gray;  // CV_8UC1
};

std::vector<ClipFrame> RenderClip(const ClipSetup& setup);
