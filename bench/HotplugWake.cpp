// Time from a device node appearing to the link opening the receiver, with the
// link waiting on its hotplug watch (fall-back scan every 2 s). The simulated
// receiver stands in for the device; a file created in a temporary folder for its
// node. Prints the median and the largest of the runs (default 20).
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ReceiverLink.h"
#include "SimFrames.h"
#include "SimReceiver.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(std::atoi(argv[1]), 1) : 20;
    using Clock = std::chrono::steady_clock;
    SystemClock clock;
    std::vector<double> latencies_ms;
    auto& sim = sim::SimReceiver::Instance();
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir folder;
        Station station(clock, QStringLiteral("/nonexistent/"));
        station.poll_mode = kPollSession;
        ReceiverLink link(station, folder.path());
        sim.Reset();
        sim.SetLogging(false);
        Clock::time_point appeared;
        sim.SetCallObserver([&](const sim::Call& call) {
            if (call.function == "usb_open") {
                latencies_ms.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - appeared).count());
                station.stop_requested = true;
            }
        });
        // Somewhere within the fall-back pause, so that only the hotplug wake can be quick.
        QTimer::singleShot(100 + (run * 37) % 300, [&] {
            sim.AttachReceiver();
            appeared = Clock::now();
            QFile node(folder.filePath(QStringLiteral("001")));
            if (!node.open(QIODevice::WriteOnly)) {
                std::fprintf(stderr, "cannot create the node file\n");
                std::exit(1);
            }
        });
        link.RunPollLoop();
    }
    sim.Reset();
    std::sort(latencies_ms.begin(), latencies_ms.end());
    std::printf("node appeared to usb_open: median %.2f ms, max %.2f ms over %zu runs\n",
                latencies_ms[latencies_ms.size() / 2], latencies_ms.back(), latencies_ms.size());
    return 0;
}
