// The serve pass with the real session screen shown: read a frame from the
// simulated receiver, decode it, RefreshKarts, process window events. Also the CPU
// share of a session fed at the receiver's usual 100 frames/s.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <ctime>
#include <vector>

#include <QProcess>
#include <memory>

#include "LiveTimingServer.h"
#include "ReceiverLink.h"
#include "RepaintCoalescer.h"
#include "SimReceiver.h"
#include "Tfekranglowny.h"

namespace {

struct ScreenStation {
    SystemClock clock;
    Station station{clock, QStringLiteral("/nonexistent/")};
    std::unique_ptr<Tfekranglowny> screen;

    ScreenStation() {
        for (int k = 1; k <= kSlotCount; ++k) {
            station.slot(k).serial_number = 1000 + k;
            station.slot(k).radio = k != 5;  // four radio karts, one hand-timed
            station.slot(k).driver_name = QStringLiteral("Driver %1").arg(k);
        }
        screen = ShowSessionScreen(station, {});
        screen->showNormal();
        screen->resize(Tfekranglowny::kDesignWidth, Tfekranglowny::kDesignHeight);
        // The hand-timed kart's stopwatch runs, so its time changes on every pass.
        station.slot(5).stopwatch_running = true;
        station.slot(5).timing_mark = clock.PerformanceCounter();
        station.poll_mode = kPollSession;
        QCoreApplication::processEvents();
    }
};

// Four radio karts racing: each frame moves one kart's running time on, and every
// fortieth frame of a kart completes a lap.
std::vector<sim::Bytes64> RaceFrames(int count) {
    std::vector<sim::Bytes64> frames;
    for (int i = 0; i < count; ++i) {
        sim::TimingFields f;
        f.serial = std::uint32_t(1001 + i % 4);
        f.node = std::uint16_t(f.serial);
        f.counter = std::uint8_t(i);
        f.race = 1;
        f.lap_in_progress = std::uint8_t(1 + i / 160);
        f.lap = std::uint8_t(i / 160);
        f.lap_time = std::uint32_t(6000 + (i * 37) % 900);
        f.running_lap_time = std::uint32_t(i * 3);
        f.rpm = std::uint16_t(8000 + i % 2000);
        f.lap_rpm_max = 12000;
        f.lap_rpm_min = 5000;
        frames.push_back(sim::MakeTimingFrame(f));
    }
    return frames;
}

sim::SimReceiver& QuietSimulator() {
    auto& sim = sim::SimReceiver::Instance();
    sim.Reset();
    sim.SetLogging(false);
    sim.SetEmptyReadSleep(std::chrono::microseconds(0));
    return sim;
}

void BM_ServePassWithScreen(benchmark::State& state) {
    constexpr int kBatch = 2000;
    ScreenStation bench;
    ReceiverLink link(bench.station);
    auto& sim = QuietSimulator();
    const int receiver = sim.AttachReceiver();
    const std::vector<sim::Bytes64> frames = RaceFrames(kBatch);
    for (auto _ : state) {
        state.PauseTiming();
        for (const sim::Bytes64& frame : frames) {
            sim.QueueFrame(receiver, frame);
        }
        state.ResumeTiming();
        link.PollReceiver();  // serves the batch, then the read times out
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    state.counters["paints"] = bench.screen->repaint_coalescer().paints();
    sim.Reset();
}
BENCHMARK(BM_ServePassWithScreen)->Unit(benchmark::kMillisecond)->MinTime(2.0);

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double Seconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The serve pass with the live timing server on and kClients WebSocket clients
// connected: each gets at most 10 coalesced updates a second.
void ServePassWithWebSocketClients(benchmark::State& state, int kClients) {
    constexpr int kBatch = 2000;
    ScreenStation bench;
    LiveTimingServer server(bench.station);
    if (!server.Listen(QHostAddress::LocalHost, 0, nullptr)) {
        state.SkipWithError("the server could not listen on 127.0.0.1");
        return;
    }
    // The phones run in a process of their own (bench/WsClients.cpp).
    QProcess clients;
    clients.start(QCoreApplication::applicationDirPath() + QStringLiteral("/ws_clients"),
                  {QString::number(server.port()), QString::number(kClients)});
    QElapsedTimer waited;
    waited.start();
    while (server.websocket_client_count() < kClients && waited.elapsed() < 20'000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    if (server.websocket_client_count() < kClients) {
        state.SkipWithError("not every client connected");
        return;
    }
    ReceiverLink link(bench.station);
    auto& sim = QuietSimulator();
    const int receiver = sim.AttachReceiver();
    const std::vector<sim::Bytes64> frames = RaceFrames(kBatch);
    // The sockets are served on the server's own thread: besides the passes per
    // second of this thread's CPU time (items_per_second), the rate by the clock and
    // the CPU the other threads (the network thread) took meanwhile.
    double wall = 0;
    double process_cpu = 0;
    double thread_cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (const sim::Bytes64& frame : frames) {
            sim.QueueFrame(receiver, frame);
        }
        state.ResumeTiming();
        const double wall_before = Seconds(CLOCK_MONOTONIC);
        const double process_before = Seconds(CLOCK_PROCESS_CPUTIME_ID);
        const double thread_before = Seconds(CLOCK_THREAD_CPUTIME_ID);
        link.PollReceiver();
        thread_cpu += Seconds(CLOCK_THREAD_CPUTIME_ID) - thread_before;
        process_cpu += Seconds(CLOCK_PROCESS_CPUTIME_ID) - process_before;
        wall += Seconds(CLOCK_MONOTONIC) - wall_before;
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    state.counters["clients"] = server.websocket_client_count();
    state.counters["wall_passes_per_second"] = double(state.iterations() * kBatch) / wall;
    state.counters["other_threads_cpu_percent"] = 100 * (process_cpu - thread_cpu) / wall;
    clients.kill();
    clients.waitForFinished(5000);
    sim.Reset();
}
void BM_ServePassWith200WebSocketClients(benchmark::State& state) {
    ServePassWithWebSocketClients(state, 200);
}
BENCHMARK(BM_ServePassWith200WebSocketClients)->Unit(benchmark::kMillisecond)->MinTime(2.0);
void BM_ServePassWith250WebSocketClients(benchmark::State& state) {
    ServePassWithWebSocketClients(state, 250);
}
BENCHMARK(BM_ServePassWith250WebSocketClients)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// 100 frames/s for three seconds; the read waits for each frame as a real bulk
// read would. Reports the process CPU time as a share of one core.
void BM_CpuShareAt100FramesPerSecond(benchmark::State& state) {
    constexpr int kFrames = 300;
    ScreenStation bench;
    ReceiverLink link(bench.station);
    auto& sim = QuietSimulator();
    const int receiver = sim.AttachReceiver();
    const std::vector<sim::Bytes64> frames = RaceFrames(kFrames);
    double share = 0;
    for (auto _ : state) {
        for (const sim::Bytes64& frame : frames) {
            sim.QueueDelay(receiver, 10);
            sim.QueueFrame(receiver, frame);
        }
        QElapsedTimer wall;
        wall.start();
        const double cpu_before = ProcessCpuSeconds();
        link.PollReceiver();
        share = (ProcessCpuSeconds() - cpu_before) / (double(wall.nsecsElapsed()) / 1e9);
    }
    state.counters["cpu_share_percent"] = share * 100;
    sim.Reset();
}
BENCHMARK(BM_CpuShareAt100FramesPerSecond)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
