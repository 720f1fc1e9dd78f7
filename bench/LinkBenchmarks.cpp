// Throughput of the receiver link: decoding alone, and a whole serve pass per frame
// (read from the simulated receiver, decode, refresh, process window events).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <vector>

#include "FrameDecoder.h"
#include "ReceiverLink.h"
#include "SimReceiver.h"
#include "UsbReceiver.h"

namespace {

// The cheapest possible screen, so the figures are the link's own.
class TrivialSessionView : public SessionView {
  public:
    void RefreshKarts() override { benchmark::DoNotOptimize(++refreshes); }
    void RecordLap(qint32 lap_time, int, qint32, qint32) override {
        benchmark::DoNotOptimize(total += lap_time);
    }
    qint64 refreshes = 0;
    qint64 total = 0;
};

struct BenchStation {
    SystemClock clock;
    Station station{clock, QStringLiteral("/nonexistent/")};
    TrivialSessionView view;
    BenchStation() {
        station.session_screen = &view;
        for (int k = 1; k <= kSlotCount; ++k) {
            station.slot(k).serial_number = 1000 + k;
        }
    }
};

// Five karts racing: each frame moves one kart on, every eighth completes a lap.
std::vector<sim::Bytes64> RaceFrames(int count) {
    std::vector<sim::Bytes64> frames;
    for (int i = 0; i < count; ++i) {
        sim::TimingFields f;
        f.serial = std::uint32_t(1001 + i % 5);
        f.node = std::uint16_t(f.serial);
        f.counter = std::uint8_t(i);
        f.race = 1;
        f.lap_in_progress = std::uint8_t(1 + i / 40);
        f.lap = std::uint8_t(i / 40);
        f.lap_time = std::uint32_t(6000 + i % 300);
        f.running_lap_time = std::uint32_t(i * 7);
        f.rpm = std::uint16_t(8000 + i % 2000);
        f.driver = "DRIVER";
        frames.push_back(sim::MakeTimingFrame(f));
    }
    return frames;
}

// Decodes the frames in turn, round and round, one per iteration.
void DecodeInTurn(benchmark::State& state, const std::vector<sim::Bytes64>& frames) {
    BenchStation bench;
    size_t i = 0;
    for (auto _ : state) {
        bench.station.receive_buffer = frames[i];
        DecodeFrame(bench.station);
        i = i + 1 == frames.size() ? 0 : i + 1;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_DecodeFrame(benchmark::State& state) {
    DecodeInTurn(state, RaceFrames(4000));
}
BENCHMARK(BM_DecodeFrame);

// The traffic of a session: five units in turn, each frame changing only its unit's
// running time, engine speed and packet counter; lap, best and sector times and the
// driver text stay as they were within the lap, so their texts need no rebuilding.
void BM_DecodeFrameWithinLap(benchmark::State& state) {
    std::vector<sim::Bytes64> frames;
    for (int i = 0; i < 4000; ++i) {
        sim::TimingFields f;
        f.serial = std::uint32_t(1001 + i % 5);
        f.node = std::uint16_t(f.serial);
        f.counter = std::uint8_t(i / 5);
        f.race = 1;
        f.lap_in_progress = 2;
        f.lap = 1;
        f.lap_time = std::uint32_t(6000 + i % 5);
        f.best_lap = std::uint32_t(5900 + i % 5);
        f.running_lap_time = std::uint32_t(i * 2);
        f.rpm = std::uint16_t(8000 + (i * 53) % 2000);
        f.driver = "DRIVER";
        frames.push_back(sim::MakeTimingFrame(f));
    }
    DecodeInTurn(state, frames);
}
BENCHMARK(BM_DecodeFrameWithinLap);

// One read of the simulated receiver as the session makes it: a frame of a scripted
// race replayed endlessly, nothing logged. The demo and the probes read this way a
// hundred times a second; the wait until a frame is due is left out (no delays).
void BM_SimulatedRead(benchmark::State& state) {
    auto& sim = sim::SimReceiver::Instance();
    sim.Reset();
    sim.SetLogging(false);
    const int receiver = sim.AttachReceiver();
    for (const sim::Bytes64& frame : RaceFrames(100)) {
        sim.QueueFrame(receiver, frame);
    }
    sim.SetLoop(receiver, true);
    InitUsb();
    UsbReceiver usb;
    if (usb.Open(FindReceiver().device) != OpenResult::kOpened) {
        state.SkipWithError("the simulated receiver did not open");
        return;
    }
    Frame frame{};
    for (auto _ : state) {
        if (usb.Read(frame) != kFrameSize) {
            state.SkipWithError("a read came back short");
            break;
        }
        benchmark::DoNotOptimize(frame);
    }
    state.SetItemsProcessed(state.iterations());
    usb.Close();
    sim.Reset();
}
BENCHMARK(BM_SimulatedRead);

// One poll cycle serves a batch of frames, then the receiver falls silent.
void BM_ServePassOnSimulator(benchmark::State& state) {
    constexpr int kBatch = 1000;
    BenchStation bench;
    bench.station.poll_mode = kPollSession;
    ReceiverLink link(bench.station);
    auto& sim = sim::SimReceiver::Instance();
    sim.Reset();
    sim.SetLogging(false);
    sim.SetEmptyReadSleep(std::chrono::microseconds(0));
    const int receiver = sim.AttachReceiver();
    const std::vector<sim::Bytes64> frames = RaceFrames(kBatch);
    for (auto _ : state) {
        state.PauseTiming();
        for (const sim::Bytes64& frame : frames) {
            sim.QueueFrame(receiver, frame);
        }
        state.ResumeTiming();
        link.PollReceiver();
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    sim.Reset();
}
BENCHMARK(BM_ServePassOnSimulator)->Unit(benchmark::kMillisecond);

}  // namespace
