// CPU per frame of the camera's detection (markers in the band and the band
// trigger) on synthetic line-camera frames, one thread, and the share of one core
// that costs at 60 frames per second.
#include <benchmark/benchmark.h>

#include <opencv2/core/utility.hpp>

#include "ClipRenderer.h"
#include "CrossingDetector.h"

namespace {

void BM_CameraFrame(benchmark::State& state) {
    cv::setNumThreads(1);  // the capture thread is one thread
    ClipSetup setup;
    setup.width = static_cast<int>(state.range(0));
    setup.height = static_cast<int>(state.range(1));
    setup.line_x = setup.width / 2;
    setup.duration_s = 2;
    setup.seed = 7;
    // Two karts pass: frames with markers in the band, and empty ones.
    setup.karts = {{3, 0.6, 2000, setup.height / 3}, {9, 1.4, -2500, setup.height * 2 / 3}};
    const std::vector<ClipFrame> frames = RenderClip(setup);
    CrossingDetector detector({setup.line_x, 80});
    size_t n = 0;
    double t = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(detector.AddFrame(t, frames[n].gray));
        n = (n + 1) % frames.size();
        t += 1 / setup.fps;
    }
    state.counters["core_share_at_60fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()) / 60.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CameraFrame)->Args({640, 480})->Args({1280, 720})->Unit(benchmark::kMillisecond);

}  // namespace
