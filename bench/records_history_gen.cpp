// Writes the synthetic history of records_bench into a program folder:
//   records_history_gen DIR [SESSIONS [DAYS [DRIVERS [LOG_DAYS]]]]
// (defaults: 180,000 sessions over five years, 2,000 drivers, lap logs for the last
// 365 days).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "ProgramFolder.h"
#include "RecordsHistory.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr,
                     "usage: records_history_gen DIR [SESSIONS [DAYS [DRIVERS [LOG_DAYS]]]]\n");
        return 2;
    }
    RecordsHistoryShape shape;
    int* const fields[] = {&shape.sessions, &shape.days, &shape.drivers, &shape.log_days};
    for (qsizetype i = 2; i < args.size() && i - 2 < 4; ++i) {
        *fields[i - 2] = args.at(i).toInt();
    }
    QElapsedTimer timer;
    timer.start();
    const RecordsHistoryWritten written =
        WriteRecordsHistory(WithTrailingSeparator(args.at(1)), shape);
    std::printf("sessions=%d laps=%lld bytes=%lld seconds=%.1f\n", written.sessions,
                static_cast<long long>(written.laps), static_cast<long long>(written.bytes),
                double(timer.elapsed()) / 1000.0);
    if (!written.error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(written.error));
        return 1;
    }
    return 0;
}
