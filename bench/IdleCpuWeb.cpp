// CPU share of a session poll loop with no receiver attached and the live timing
// server on, with a number of WebSocket clients (a TV and phones) connected:
//   idle_cpu_web [seconds, default 10] [clients, default 0]
// Prints user + system time over wall time. The clients run in this process, so
// their share (receiving and parsing each update) is included: an upper bound.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWebSocket>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "LiveTimingServer.h"
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
    const int client_count = argc > 2 ? std::atoi(argv[2]) : 0;

    SystemClock clock;
    Station station(clock, QStringLiteral("/nonexistent/"));
    for (int k = 1; k <= kSlotCount; ++k) {
        station.slot(k).serial_number = 1000 + k;
        station.slot(k).radio = true;
    }
    station.poll_mode = kPollSession;
    LiveTimingServer server(station);
    QString error;
    if (!server.Listen(QHostAddress::LocalHost, 0, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::vector<std::unique_ptr<QWebSocket>> clients;
    for (int i = 0; i < client_count; ++i) {
        clients.push_back(std::make_unique<QWebSocket>());
        clients.back()->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(server.port())));
    }
    QElapsedTimer waited;
    waited.start();
    while (server.websocket_client_count() < client_count && waited.elapsed() < 10'000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    ReceiverLink link(station);
    QTimer::singleShot(seconds * 1000, [&station] { station.stop_requested = true; });
    QElapsedTimer wall;
    wall.start();
    const double cpu_before = CpuSeconds();
    while (!station.stop_requested) {
        link.PollReceiver();
        QCoreApplication::processEvents();
    }
    const double cpu = CpuSeconds() - cpu_before;
    const double elapsed = wall.elapsed() / 1000.0;
    std::printf("clients=%d cpu_percent=%.2f (%.3f s CPU in %.3f s)\n",
                server.websocket_client_count(), 100.0 * cpu / elapsed, cpu, elapsed);
    return 0;
}
