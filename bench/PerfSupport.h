#pragma once

#include <QDateTime>
#include <QString>
#include <chrono>

#include "Clock.h"

class Station;

// Helpers shared by the performance probes: a clock whose date-time is set by hand
// (so generated session files get distinct minutes of today), realistic session
// data, and the process's own CPU time and memory.
namespace perf {

class SettableClock final : public Clock {
  public:
    qint64 PerformanceCounter() const override { return system_.PerformanceCounter(); }
    qint64 PerformanceFrequency() const override { return system_.PerformanceFrequency(); }
    QDateTime LocalDateTime() const override { return now_; }
    void Set(const QDateTime& now) { now_ = now; }

  private:
    SystemClock system_;
    QDateTime now_ = QDateTime::currentDateTime();
};

// Five karts (four radio, one hand-timed) with named drivers and a full table of
// ten laps each; variant shifts the times so sessions differ.
void FillRaceSlots(Station& station, int variant);

// Writes `count` session files of today into program_folder as the recorder names
// and fills them, one per minute from 00:00. Returns false with a message when one fails.
bool WriteTodaysSessions(const QString& program_folder, int count, QString* error);

// User + system CPU seconds of this process.
double ProcessCpuSeconds();

// User + system CPU seconds of any process from /proc/<pid>/stat (clock-tick
// resolution), -1 when it cannot be read. Used for the X server beside the program.
double ProcStatCpuSeconds(long pid);

// A "VmRSS"/"VmHWM"-style field of /proc/self/status in KiB, -1 when missing.
long ProcStatusKiB(const char* field);

inline double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace perf
