// What a phone's page says while the station stands still (kill -STOP):
//   page_while_stopped URL STATION_PID SECONDS [kill]
// opens URL in headless chromium, stops the station's process for SECONDS, and
// prints the page's status line (and whether it dims its rows) whenever it
// changes, looked at every 250 ms, then lets the station go on and prints the
// status once more. With "kill" the station is killed instead (it is gone).
#include <signal.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>

#include "DevToolsPage.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "page_while_stopped URL STATION_PID SECONDS\n");
        return 2;
    }
    const pid_t station = pid_t(std::atol(argv[2]));
    const bool kill_it = argc > 4 && QByteArray(argv[4]) == "kill";
    DevToolsPage page;
    if (!page.Open(QStringLiteral("chromium"), QString::fromLocal8Bit(argv[1]),
                   QStringLiteral("412,915")) ||
        !page.WaitFor(QStringLiteral("document.getElementById('status').textContent"),
                      QStringLiteral("Live"), 20'000)) {
        std::fprintf(stderr, "the page did not go live\n");
        return 1;
    }
    const QString state = QStringLiteral(
        "document.getElementById('status').textContent + "
        "(document.body.classList.contains('stale') "
        "? ' [rows dimmed]' : '')");
    QTest::qWait(1000);
    ::kill(station, kill_it ? SIGKILL : SIGSTOP);
    QElapsedTimer stopped;
    stopped.start();
    QString last;
    int changes = 0;
    while (stopped.elapsed() < std::atoi(argv[3]) * 1000) {
        const QString now = page.Evaluate(state);
        if (now != last) {
            std::printf("%6.2f s stopped: %s\n", stopped.elapsed() / 1000.0, qPrintable(now));
            last = now;
            ++changes;
        }
        QTest::qWait(250);
    }
    if (kill_it) {
        std::printf("changes while gone: %d\n", changes);
        return 0;
    }
    ::kill(station, SIGCONT);
    page.WaitFor(QStringLiteral("document.getElementById('status').textContent"),
                 QStringLiteral("Live"), 10'000);
    std::printf("changes while stopped: %d; after SIGCONT: %s\n", changes,
                qPrintable(page.Evaluate(state)));
    return 0;
}
