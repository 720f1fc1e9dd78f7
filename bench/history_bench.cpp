// Session recording and history timings over a day folder of generated sessions:
// writing a session file (with the reload of today's list it triggers), loading a
// day folder, and opening the history browser on a day of 100 sessions up to the
// end of its first paint.
#include <benchmark/benchmark.h>

#include <QFile>

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <chrono>

#include "PerfSupport.h"
#include "ProgramFolder.h"
#include "SessionFile.h"
#include "SessionRecorder.h"
#include "Station.h"
#include "Tfhistoria.h"

namespace {

// A program folder whose today's folder holds `files` generated sessions.
class DayFolder {
  public:
    explicit DayFolder(int files) {
        QString error;
        ok_ = dir_.isValid() && perf::WriteTodaysSessions(path(), files, &error);
    }
    bool ok() const { return ok_; }
    QString path() const { return WithTrailingSeparator(dir_.path()); }

  private:
    QTemporaryDir dir_;
    bool ok_ = false;
};

// The recorder writes the session ended at 23:59 over the day's earlier ones and
// reloads the list, as "END SESSION" does; the same file is replaced each time.
void BM_WriteSessionFile(benchmark::State& state) {
    const int day_files = int(state.range(0));
    DayFolder folder(day_files - 1);
    perf::SettableClock clock;
    clock.Set(QDateTime(QDate::currentDate(), QTime(23, 59)));
    Station station(clock, folder.path());
    perf::FillRaceSlots(station, 7);
    if (!folder.ok()) {
        state.SkipWithError("cannot prepare the day folder");
        return;
    }
    QString error;
    QString written;
    for (auto _ : state) {
        if (!WriteSessionFile(station, &error, &written)) {
            state.SkipWithError(qPrintable(error));
            return;
        }
        // A session never replaces another: without this each pass would add a file.
        state.PauseTiming();
        QFile::remove(written);
        state.ResumeTiming();
    }
    if (station.sessions.count != day_files) {
        state.SkipWithError("the reloaded list has the wrong number of sessions");
    }
}
BENCHMARK(BM_WriteSessionFile)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond);

// Reading the day folder alone, the part of both of the other figures that grows
// with the number of files.
void BM_LoadSessionFolder(benchmark::State& state) {
    DayFolder folder(int(state.range(0)));
    const QString day_folder = DayFolderPath(folder.path(), QDate::currentDate());
    auto table = std::make_unique<SessionTable>();
    for (auto _ : state) {
        LoadSessionFolder(day_folder, *table, SessionTitles::kHistory);
    }
    if (!folder.ok() || table->count != state.range(0)) {
        state.SkipWithError("the day folder did not load in full");
    }
}
BENCHMARK(BM_LoadSessionFolder)->Arg(100)->Unit(benchmark::kMillisecond);

// Closes the history window once its first paint is complete and keeps the time.
// The window itself is covered by its bars and gets no paint event of its own: the
// first paint of any widget in it starts the pass, and the queued call runs after
// the whole pass.
class HistoryPainted : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        auto* window = widget ? qobject_cast<Tfhistoria*>(widget->window()) : nullptr;
        if (window && event->type() == QEvent::Paint && !painted_) {
            painted_ = true;
            QTimer::singleShot(0, window, [this, window] {
                elapsed_ms = perf::MillisecondsSince(start);
                tabs = window->sessions().count;
                window->done(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }
    void Arm() {
        painted_ = false;
        elapsed_ms = -1;
        start = std::chrono::steady_clock::now();
    }
    std::chrono::steady_clock::time_point start;
    double elapsed_ms = -1;
    int tabs = 0;

  private:
    bool painted_ = false;
};

// ShowDayHistory from the call to the end of the window's first paint: reading the
// day, building the tabs and grid, showing and painting.
void BM_ShowDayHistory(benchmark::State& state) {
    DayFolder folder(int(state.range(0)));
    if (!folder.ok()) {
        state.SkipWithError("cannot prepare the day folder");
        return;
    }
    HistoryPainted watcher;
    qApp->installEventFilter(&watcher);
    for (auto _ : state) {
        watcher.Arm();
        ShowDayHistory(folder.path(), QDate::currentDate());
        if (watcher.elapsed_ms < 0 || watcher.tabs != state.range(0)) {
            state.SkipWithError("the history window did not open with every session");
            break;
        }
        state.SetIterationTime(watcher.elapsed_ms / 1000.0);
    }
    qApp->removeEventFilter(&watcher);
}
BENCHMARK(BM_ShowDayHistory)->Arg(100)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
