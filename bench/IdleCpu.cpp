// CPU share of a session poll loop with no receiver attached: runs the loop for
// a few seconds (default 10) and prints user + system time over wall time, and the
// bus scans per second. Arguments: seconds, the fall-back pause in ms (default the
// link's own), the folder watched for device nodes (default /dev/bus/usb).
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "ReceiverLink.h"

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    const int pause_ms = argc > 2 ? std::atoi(argv[2]) : -1;

    SystemClock clock;
    Station station(clock, QStringLiteral("/nonexistent/"));
    station.poll_mode = kPollSession;
    ReceiverLink link(station, argc > 3 ? QString::fromLocal8Bit(argv[3])
                                        : QString::fromLatin1(HotplugWatch::kUsbDeviceFolder));
    if (pause_ms >= 0) {
        link.set_idle_pause(std::chrono::milliseconds(pause_ms));
    }
    QTimer::singleShot(seconds * 1000, [&station] { station.stop_requested = true; });

    QElapsedTimer wall;
    wall.start();
    const double cpu_before = CpuSeconds();
    // RunPollLoop's session loop, counting its cycles.
    long long cycles = 0;
    while (!station.stop_requested) {
        link.PollReceiver();
        ++cycles;
        QCoreApplication::processEvents();
    }
    const double cpu = CpuSeconds() - cpu_before;
    const double elapsed = wall.elapsed() / 1000.0;
    std::printf(
        "idle pause %lld ms: %lld cycles, %lld scans = %.2f scans/s, %.3f s CPU in %.3f s = "
        "%.3f%% of one core\n",
        static_cast<long long>(link.idle_pause().count()), cycles,
        static_cast<long long>(link.scan_count()), link.scan_count() / elapsed, cpu, elapsed,
        100.0 * cpu / elapsed);
    return 0;
}
