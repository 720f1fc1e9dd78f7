// The lap log's cost on the thread that reads frames: appending a lap to the
// journal (one write(2); the disk sync runs on its own thread), a frame whose
// sector fields did not change, and, for comparison, the fdatasync the journal
// keeps off that thread. The journal is written in the current folder, so run it
// on the disk the program uses (scripts/perf-report runs it in the build folder).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>

#include "Clock.h"
#include "LapJournal.h"
#include "LapLogFormat.h"
#include "Station.h"

namespace {

class JournalFixture {
  public:
    JournalFixture()
        : dir_(QDir::currentPath() + QStringLiteral("/laplog-bench-XXXXXX")),
          station_(clock_, dir_.path() + QLatin1Char('/')) {
        for (int n = 1; n <= kSlotCount; ++n) {
            station_.slot(n).driver_name = QStringLiteral("Zażółć Kierowca %1").arg(n);
            station_.slot(n).serial_number = 662272 + n;
            station_.slot(n).radio = true;
        }
        QString error;
        journal_ = LapJournal::Start(station_, &error);
    }
    LapJournal* journal() { return journal_.get(); }
    Station& station() { return station_; }

  private:
    SystemClock clock_;
    QTemporaryDir dir_;
    Station station_;
    std::unique_ptr<LapJournal> journal_;
};

void BM_JournalAppendLap(benchmark::State& state) {
    JournalFixture fixture;
    if (!fixture.journal()) {
        state.SkipWithError("no journal");
        return;
    }
    qint32 lap = 0;
    std::chrono::nanoseconds slowest{0};
    for (auto _ : state) {
        ++lap;
        const auto start = std::chrono::steady_clock::now();
        fixture.journal()->RecordLap(fixture.station(), 1 + lap % 5, lap, 3000 + lap % 500, 12000,
                                     6000, lap % 3 == 0);
        slowest =
            std::max(slowest, std::chrono::nanoseconds(std::chrono::steady_clock::now() - start));
    }
    // The stall a lap can cause the frame reading, not only the average.
    state.counters["slowest_us"] = double(slowest.count()) / 1000.0;
    if (fixture.journal()->failed()) {
        state.SkipWithError("the journal failed");
    }
}
BENCHMARK(BM_JournalAppendLap);

// The same record formatted but not handed on: the baseline of the slowest figure
// (on a busy machine the thread is sometimes not scheduled for milliseconds).
void BM_FormatLapRecordOnly(benchmark::State& state) {
    LapRecord record;
    record.driver_name = QStringLiteral("Zażółć Kierowca 1");
    record.ended_at = QDateTime::currentDateTime();
    std::chrono::nanoseconds slowest{0};
    for (auto _ : state) {
        ++record.lap_number;
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(LapLogLine(record));
        slowest =
            std::max(slowest, std::chrono::nanoseconds(std::chrono::steady_clock::now() - start));
    }
    state.counters["slowest_us"] = double(slowest.count()) / 1000.0;
}
BENCHMARK(BM_FormatLapRecordOnly);

void BM_JournalSectorUnchanged(benchmark::State& state) {
    JournalFixture fixture;
    const SectorReport report{2, 7, 1544, 11000, 6000};
    fixture.journal()->RecordSector(1, report);
    for (auto _ : state) {
        fixture.journal()->RecordSector(1, report);
    }
}
BENCHMARK(BM_JournalSectorUnchanged);

void BM_JournalSectorChanged(benchmark::State& state) {
    JournalFixture fixture;
    SectorReport report{2, 7, 1544, 11000, 6000};
    for (auto _ : state) {
        ++report.sector_time;
        fixture.journal()->RecordSector(1, report);
    }
}
BENCHMARK(BM_JournalSectorChanged);

// What each lap would cost if the disk sync ran on the frame-reading thread.
void BM_AppendAndFdatasync(benchmark::State& state) {
    QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/laplog-bench-XXXXXX"));
    QFile file(dir.filePath(QStringLiteral("sync.csv")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        state.SkipWithError("cannot open");
        return;
    }
    const QByteArray line(150, 'x');
    for (auto _ : state) {
        file.write(line);
        ::fdatasync(file.handle());
    }
}
BENCHMARK(BM_AppendAndFdatasync)->Unit(benchmark::kMicrosecond);

}  // namespace
