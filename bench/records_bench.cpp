// The records index over a synthetic history: a full rebuild from nothing (MB/s of
// session files and lap logs read), adding one session, an update of an index that
// is up to date (what every start-up does, off the user-interface thread), what
// the user-interface thread pays to start it, the queries of the records window,
// what a timesheet waits for (its drivers' standings) and the live board's records
// made after each update. RUVO_RECORDS_HISTORY names a program folder written by
// records_history_gen (the five-year history); without it a small history of
// 1,000 sessions is generated into a temporary folder.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "DriverStandings.h"
#include "ProgramFolder.h"
#include "RecordsHistory.h"
#include "RecordsIndex.h"
#include "RecordsUpdater.h"
#include "SessionFile.h"

namespace {

struct RecordsBenchFolder {
    QTemporaryDir temporary;
    QString path;
    QDate last_day;
};

RecordsBenchFolder& BenchFolder() {
    static RecordsBenchFolder folder = [] {
        RecordsBenchFolder made;
        RecordsHistoryShape shape;
        const QString given = qEnvironmentVariable("RUVO_RECORDS_HISTORY");
        made.last_day = shape.last_day;
        if (!given.isEmpty()) {
            made.path = WithTrailingSeparator(given);
            return made;
        }
        shape.sessions = 1000;
        shape.days = 50;
        shape.log_days = 10;
        shape.drivers = 200;
        made.path = WithTrailingSeparator(made.temporary.path());
        WriteRecordsHistory(made.path, shape);
        return made;
    }();
    return folder;
}

// The index as the station keeps it, built once (by the rebuild benchmark when it runs).
void EnsureRecordsIndex() {
    RecordsIndex index(BenchFolder().path);
    index.Update();
}

void BM_RecordsFullRebuild(benchmark::State& state) {
    const QString folder = BenchFolder().path;
    IndexUpdate update;
    for (auto _ : state) {
        QFile::remove(RecordsIndex::PathIn(folder));
        RecordsIndex index(folder);
        update = index.Update();
        if (!update.error.isEmpty()) {
            state.SkipWithError(update.error.toStdString().c_str());
            return;
        }
    }
    state.SetBytesProcessed(update.bytes_read * state.iterations());
    state.counters["files"] = update.files_read;
    RecordsIndex index(folder);
    qint64 laps = 0;
    for (const DriverName& driver : index.Drivers()) {
        laps += index.Driver(driver.key)->laps;
    }
    const double index_mb = double(QFileInfo(RecordsIndex::PathIn(folder)).size()) / 1e6;
    state.counters["laps"] = double(laps);
    state.counters["index_MB"] = index_mb;
    state.counters["index_MB_per_million_laps"] = laps > 0 ? index_mb * 1e6 / double(laps) : 0;
}
BENCHMARK(BM_RecordsFullRebuild)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_RecordsAddOneSession(benchmark::State& state) {
    EnsureRecordsIndex();
    const QString folder = BenchFolder().path;
    RecordsIndex index(folder);
    QDateTime ended(BenchFolder().last_day.addDays(1), QTime(8, 0));
    int seed = 1;
    for (auto _ : state) {
        state.PauseTiming();
        // A new file each time, as after END SESSION, also on a second run.
        do {
            ended = ended.addSecs(60);
        } while (QFile::exists(SessionFilePath(folder, ended)));
        const QString path = WriteOneRecordsSession(folder, ended, ++seed);
        state.ResumeTiming();
        if (index.AddSessionFile(path).files_read != 1) {
            state.SkipWithError("the session was not indexed");
            return;
        }
    }
}
BENCHMARK(BM_RecordsAddOneSession)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RecordsUpdateWhenUpToDate(benchmark::State& state) {
    EnsureRecordsIndex();
    for (auto _ : state) {
        RecordsIndex index(BenchFolder().path);
        benchmark::DoNotOptimize(index.Update());
    }
}
BENCHMARK(BM_RecordsUpdateWhenUpToDate)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the launcher's start-up pays on its own thread: starting the update.
void BM_RecordsStartUpOnUiThread(benchmark::State& state) {
    EnsureRecordsIndex();
    for (auto _ : state) {
        RecordsUpdater updater(BenchFolder().path);
        updater.Request();
        state.PauseTiming();
        while (updater.busy()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RecordsStartUpOnUiThread)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_RecordsTop20(benchmark::State& state) {
    EnsureRecordsIndex();
    RecordsIndex index(BenchFolder().path);
    const auto period = RecordPeriod(state.range(0));
    size_t rows = 0;
    for (auto _ : state) {
        rows = index.Top(period, BenchFolder().last_day, 20).size();
    }
    state.SetLabel(PeriodTitle(period).toStdString());
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_RecordsTop20)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RecordsDriverPage(benchmark::State& state) {
    EnsureRecordsIndex();
    RecordsIndex index(BenchFolder().path);
    const std::vector<RecordRow> top = index.Top(RecordPeriod::kAll, BenchFolder().last_day, 1);
    if (top.empty()) {
        state.SkipWithError("empty index");
        return;
    }
    int days = 0;
    for (auto _ : state) {
        days = int(index.Driver(top.front().key)->day_bests.size());
    }
    state.counters["days_driven"] = days;
}
BENCHMARK(BM_RecordsDriverPage)->Unit(benchmark::kMillisecond)->UseRealTime();

// A sheet of five drivers of the last day, as END SESSION prints it: the UI thread
// waits for the standings from a pool thread (the wait is 0.3 s in the program).
void BM_RecordsTimesheetStandings(benchmark::State& state) {
    EnsureRecordsIndex();
    const QDate day = BenchFolder().last_day;
    Timesheet sheet;
    sheet.started = QDateTime(day, QTime(12, 0));
    for (const RecordRow& row : RecordsIndex(BenchFolder().path).Top(RecordPeriod::kDay, day, 5)) {
        DriverSheet driver;
        driver.driver_name = row.name;
        driver.laps.push_back(SheetLap{1, row.best_lap - 1, true, false, {}, {}, 0});
        sheet.drivers.push_back(driver);
    }
    bool known = false;
    for (auto _ : state) {
        Timesheet copy = sheet;
        AddRecordStandings(BenchFolder().path, QString(), day, &copy, 5000);
        known = !copy.drivers.empty() && copy.drivers.front().standing.known;
    }
    state.counters["drivers"] = double(sheet.drivers.size());
    state.counters["answered"] = known ? 1 : 0;
}
BENCHMARK(BM_RecordsTimesheetStandings)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the updater's thread adds to every update for the live board.
void BM_RecordsLiveBoard(benchmark::State& state) {
    EnsureRecordsIndex();
    RecordsIndex index(BenchFolder().path);
    int drivers = 0;
    for (auto _ : state) {
        drivers = int(index.Board(BenchFolder().last_day).driver_bests.size());
    }
    state.counters["drivers"] = drivers;
}
BENCHMARK(BM_RecordsLiveBoard)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
