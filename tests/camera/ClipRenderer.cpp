#include "ClipRenderer.h"

#include "MarkerReader.h"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

namespace {

constexpr int kKartLength = 150;
constexpr int kKartHeight = 80;

cv::Mat ClipBackground(const ClipSetup& setup, cv::RNG& rng) {
    cv::Mat texture(setup.height, setup.width, CV_32F);
    rng.fill(texture, cv::RNG::UNIFORM, 0.0, 1.0);
    cv::GaussianBlur(texture, texture, cv::Size(0, 0), 4);
    cv::normalize(texture, texture, 110, 170, cv::NORM_MINMAX);
    for (int y = 0; y < setup.height; ++y) {
        texture.row(y) += 20.0 * y / setup.height;  // sky to tarmac
    }
    return texture;
}

// The kart's side: a dark body, the marker in its middle on a white quiet zone.
cv::Mat KartSprite(const ClipSetup& setup, int marker_id) {
    cv::Mat sprite(kKartHeight, kKartLength, CV_32F, cv::Scalar(45));
    if (marker_id < 0) {
        return sprite;
    }
    const cv::Mat marker = MarkerPattern(marker_id, setup.marker_px);
    const int quiet = setup.marker_px / 6;
    const int side = setup.marker_px + 2 * quiet;
    const cv::Rect card((kKartLength - side) / 2, (kKartHeight - side) / 2, side, side);
    sprite(card).setTo(235);
    cv::Mat marker_f;
    marker.convertTo(marker_f, CV_32F, 200.0 / 255.0, 30);
    marker_f.copyTo(
        sprite(cv::Rect(card.x + quiet, card.y + quiet, setup.marker_px, setup.marker_px)));
    return sprite;
}

// The kart averaged over the exposure, composited into frame in place.
void SmearKart(const ClipSetup& setup, const KartPass& kart, const cv::Mat& sprite, double time_s,
               cv::Mat& frame) {
    const double start = time_s - setup.exposure_s / 2;
    const double blur_px = std::abs(kart.speed_px_s) * setup.exposure_s;
    const int samples = std::clamp(static_cast<int>(std::ceil(blur_px * 2)), 1, 160);
    auto left_at = [&](double t) {
        return setup.line_x + kart.speed_px_s * (t - kart.cross_s) - kKartLength / 2.0;
    };
    const double a = left_at(start), b = left_at(start + setup.exposure_s);
    const int x0 = std::max(0, static_cast<int>(std::floor(std::min(a, b))) - 2);
    const int x1 =
        std::min(frame.cols, static_cast<int>(std::ceil(std::max(a, b))) + kKartLength + 2);
    const int y0 = std::max(0, kart.lane_y - kKartHeight / 2 - 2);
    const int y1 = std::min(frame.rows, kart.lane_y + kKartHeight / 2 + 2);
    if (x1 <= x0 || y1 <= y0) {
        return;
    }
    const cv::Rect roi(x0, y0, x1 - x0, y1 - y0);
    const cv::Mat under = frame(roi).clone();
    cv::Mat sum(roi.size(), CV_32F, cv::Scalar(0));
    const cv::Mat ones(sprite.size(), CV_32F, cv::Scalar(1));
    for (int i = 0; i < samples; ++i) {
        const double t = start + setup.exposure_s * (i + 0.5) / samples;
        const double dx = left_at(t) - x0;
        const double dy = kart.lane_y - kKartHeight / 2.0 - y0;
        const cv::Matx23d shift(1, 0, dx, 0, 1, dy);
        cv::Mat body, cover;
        cv::warpAffine(sprite, body, shift, roi.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, 0);
        cv::warpAffine(ones, cover, shift, roi.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, 0);
        sum += body + under.mul(1 - cover);
    }
    frame(roi) = sum / samples;
}

}  // namespace

std::vector<ClipFrame> RenderClip(const ClipSetup& setup) {
    cv::RNG rng(setup.seed);
    const cv::Mat background = ClipBackground(setup, rng);
    std::vector<cv::Mat> sprites;
    for (const KartPass& kart : setup.karts) {
        sprites.push_back(KartSprite(setup, kart.marker_id));
    }
    std::vector<ClipFrame> frames;
    const int count = static_cast<int>(setup.duration_s * setup.fps);
    for (int n = 0; n < count; ++n) {
        if (setup.drop_every > 0 && n % setup.drop_every == setup.drop_every - 1) {
            continue;
        }
        const double t = n / setup.fps;
        cv::Mat frame = background.clone();
        for (size_t k = 0; k < setup.karts.size(); ++k) {
            SmearKart(setup, setup.karts[k], sprites[k], t, frame);
        }
        frame *= 1.0 + 0.04 * std::sin(t * 0.7);  // clouds
        cv::Mat noise(frame.size(), CV_32F);
        rng.fill(noise, cv::RNG::NORMAL, 0.0, setup.noise_sigma);
        frame += noise;
        cv::Mat gray;
        frame.convertTo(gray, CV_8U);
        frames.push_back({t, gray});
    }
    return frames;
}
