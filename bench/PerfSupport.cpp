#include "PerfSupport.h"

#include <time.h>

#include <unistd.h>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QTime>
#include <cstdio>
#include <cstring>

#include "SessionFile.h"
#include "Station.h"

namespace perf {

void FillRaceSlots(Station& station, int variant) {
    for (int k = 1; k <= kSlotCount; ++k) {
        KartSlot& slot = station.slot(k);
        slot.radio = k != 5;
        slot.serial_number = 4660 + k;
        slot.driver_name = QStringLiteral("Driver %1").arg(k);
        for (int j = 1; j <= kLapEntries; ++j) {
            LapEntry& lap = slot.lap(j);
            lap.lap_time = 5800 + 13 * j + 7 * k + variant % 50;
            lap.lap_number = j + (variant + k) % 7;
            lap.rpm_max = 11000 + 10 * j;
            lap.rpm_min = 5000 + 10 * k;
        }
        slot.best_lap_time = slot.lap(1).lap_time;
        slot.current_lap_number = kLapEntries + 2;
    }
}

bool WriteTodaysSessions(const QString& program_folder, int count, QString* error) {
    SettableClock clock;
    Station station(clock, program_folder);
    const QDate today = QDate::currentDate();
    if (!QDir().mkpath(DayFolderPath(program_folder, today))) {
        *error = QStringLiteral("cannot create the day folder under %1").arg(program_folder);
        return false;
    }
    // The recorder's text and file names, written plainly: the recorder's own
    // write would reload the growing day after every file.
    for (int i = 0; i < count; ++i) {
        FillRaceSlots(station, i);
        QFile file(SessionFilePath(program_folder, QDateTime(today, QTime(0, 0).addSecs(60 * i))));
        const QByteArray text = SessionFileText(station).toUtf8();
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
            *error = QStringLiteral("cannot write %1").arg(file.fileName());
            return false;
        }
    }
    return true;
}

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double ProcStatCpuSeconds(long pid) {
    const QString path =
        pid > 0 ? QStringLiteral("/proc/%1/stat").arg(pid) : QStringLiteral("/proc/self/stat");
    FILE* stat = std::fopen(qPrintable(path), "r");
    if (!stat) {
        return -1;
    }
    char line[1024] = {};
    const bool read = std::fgets(line, sizeof line, stat) != nullptr;
    std::fclose(stat);
    // The command name in parentheses may hold blanks: count fields after its ')'.
    const char* rest = read ? std::strrchr(line, ')') : nullptr;
    if (!rest) {
        return -1;
    }
    unsigned long utime = 0;
    unsigned long stime = 0;
    // Fields 3..13 are skipped; 14 and 15 are utime and stime in clock ticks.
    if (std::sscanf(rest + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime,
                    &stime) != 2) {
        return -1;
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

long ProcStatusKiB(const char* field) {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) {
        return -1;
    }
    const size_t length = std::strlen(field);
    char line[256];
    long value = -1;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
            value = std::strtol(line + length + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(status);
    return value;
}

}  // namespace perf
