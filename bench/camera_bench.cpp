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
    ClipSpec spec;
    spec.width = static_cast<int>(state.range(0));
    spec.height = static_cast<int>(state.range(1));
    spec.line_x = spec.width / 2;
    spec.duration_s = 2;
    spec.seed = 7;
    // Two karts pass: frames with markers in the band, and empty ones.
    spec.karts = {{3, 0.6, 2000, spec.height / 3}, {9, 1.4, -2500, spec.height * 2 / 3}};
    const std::vector<ClipFrame> frames = RenderClip(spec);
    CrossingDetector detector({spec.line_x, 80});
    size_t n = 0;
    double t = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(detector.AddFrame(t, frames[n].gray));
        n = (n + 1) % frames.size();
        t += 1 / spec.fps;
    }
    state.counters["core_share_at_60fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()) / 60.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CameraFrame)->Args({640, 480})->Args({1280, 720})->Unit(benchmark::kMillisecond);

}  // namespace
