#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "ClipRenderer.h"
#include "CrossingDetector.h"

namespace {

std::vector<CameraCrossing> DetectClip(const ClipSetup& setup) {
    CrossingDetector detector({setup.line_x, 80});
    std::vector<CameraCrossing> found;
    for (const ClipFrame& frame : RenderClip(setup)) {
        for (const CameraCrossing& c : detector.AddFrame(frame.time_s, frame.gray)) {
            found.push_back(c);
        }
    }
    for (const CameraCrossing& c : detector.Finish()) {
        found.push_back(c);
    }
    std::sort(found.begin(), found.end(),
              [](const CameraCrossing& a, const CameraCrossing& b) { return a.time_s < b.time_s; });
    return found;
}

// Every kart found once, by its marker, within max_error of the truth.
void ExpectMarkersTimed(const ClipSetup& setup, double max_error_s) {
    const std::vector<CameraCrossing> found = DetectClip(setup);
    ASSERT_EQ(found.size(), setup.karts.size());
    for (size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].method, CameraCrossing::Method::Marker) << i;
        EXPECT_EQ(found[i].marker_id, setup.karts[i].marker_id) << i;
        EXPECT_LT(std::abs(found[i].time_s - setup.karts[i].cross_s), max_error_s) << i;
    }
}

ClipSetup FivePasses() {
    ClipSetup setup;
    setup.duration_s = 6;
    setup.seed = 27;
    const int ids[] = {3, 7, 12, 25, 41};
    const double speeds[] = {1500, -2200, 3000, -2600, 1800};
    for (int i = 0; i < 5; ++i) {
        setup.karts.push_back({ids[i], 0.7 + i * 1.1 + 0.0037 * i, speeds[i], 120 + 60 * (i % 4)});
    }
    return setup;
}

}  // namespace

TEST(CameraCrossings, ShortShutterIdentifiesAndTimesEveryPass) {
    ExpectMarkersTimed(FivePasses(), 0.002);
}

TEST(CameraCrossings, EveryTenthFrameDroppedStaysWithinOneFrame) {
    ClipSetup setup = FivePasses();
    setup.drop_every = 10;
    setup.seed = 11;
    for (KartPass& kart : setup.karts) {
        kart.speed_px_s = std::copysign(1400, kart.speed_px_s);
    }
    ExpectMarkersTimed(setup, 1 / setup.fps);
}

TEST(CameraCrossings, TwoKartsQuarterSecondApartAreSeparated) {
    ClipSetup setup;
    setup.seed = 5;
    setup.karts = {{5, 0.90, 2000, 150}, {9, 1.15, 2400, 250}};
    ExpectMarkersTimed(setup, 0.002);
}

TEST(CameraCrossings, LongShutterLosesTheMarkerAndTheBandFires) {
    ClipSetup setup;
    setup.duration_s = 4;
    setup.exposure_s = 1 / 60.0;
    setup.seed = 3;
    setup.karts = {{8, 0.8, 3000, 200}, {14, 2.1, -2500, 300}, {-1, 3.2, 2000, 240}};
    const std::vector<CameraCrossing> found = DetectClip(setup);
    ASSERT_EQ(found.size(), 3u);
    for (size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].method, CameraCrossing::Method::Band) << i;
        EXPECT_EQ(found[i].marker_id, -1) << i;
        // The front reaches the line before the centre: half a body ahead of it.
        const double front_s = setup.karts[i].cross_s - 75 / std::abs(setup.karts[i].speed_px_s);
        EXPECT_LT(std::abs(found[i].time_s - front_s), 0.012) << i;
    }
}
