#include "DriverStandings.h"

#include <QThreadPool>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "DriverIdentity.h"
#include "RecordsIndex.h"

namespace {

// The place of a driver key in a period's table, and how many drivers it holds.
void PlaceIn(const std::vector<RecordRow>& table, const QString& counted_as, int* rank,
             int* drivers) {
    *drivers = int(table.size());
    for (const RecordRow& row : table) {
        if (row.key == counted_as) {
            *rank = row.rank;
            return;
        }
    }
}

// What the waiting thread and the asking thread share; the asking one may have
// given up and gone when the answer comes.
struct StandingsAnswer {
    std::mutex mutex;
    std::condition_variable done_signal;
    bool done = false;
    std::vector<RecordStanding> standings;
};

}  // namespace

std::vector<RecordStanding> RecordStandingsOf(const QString& program_folder,
                                              const QString& session_file, const QDate& today,
                                              const QStringList& names) {
    std::vector<RecordStanding> standings(size_t(names.size()));
    RecordsIndex index(program_folder);
    // A rebuild under way would make a tenth lap look like a personal best.
    if (!index.IsFilled() || !index.AddSessionFile(session_file).error.isEmpty()) {
        return standings;
    }
    const QDateTime first_lap = index.FirstLapAt(session_file);
    if (!first_lap.isValid()) {
        return standings;
    }
    const QDate day = first_lap.date();
    const std::vector<RecordRow> day_table = index.Top(RecordPeriod::kDay, day, 0);
    const std::vector<RecordRow> month_table = index.Top(RecordPeriod::kMonth, day, 0);
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString key = DriverKey(names.at(i));
        RecordStanding& standing = standings.at(size_t(i));
        standing.known = true;
        standing.day = day;
        standing.of_today = day == today;
        standing.best_before = index.BestBefore(key, first_lap);
        const QString counted_as = index.CountedAs(key);
        PlaceIn(day_table, counted_as, &standing.day_rank, &standing.day_drivers);
        PlaceIn(month_table, counted_as, &standing.month_rank, &standing.month_drivers);
    }
    return standings;
}

void AddRecordStandings(const QString& program_folder, const QString& session_file,
                        const QDate& today, Timesheet* sheet, int wait_ms) {
    QStringList names;
    for (const DriverSheet& driver : sheet->drivers) {
        names << driver.driver_name;
    }
    auto answer = std::make_shared<StandingsAnswer>();
    // The global pool: its threads are waited for when the program ends, so one
    // still waiting on a lock never outlives the application.
    QThreadPool::globalInstance()->start([answer, program_folder, session_file, today, names] {
        std::vector<RecordStanding> standings =
            RecordStandingsOf(program_folder, session_file, today, names);
        const std::lock_guard<std::mutex> lock(answer->mutex);
        answer->standings = std::move(standings);
        answer->done = true;
        answer->done_signal.notify_all();
    });
    std::unique_lock<std::mutex> lock(answer->mutex);
    if (!answer->done_signal.wait_for(lock, std::chrono::milliseconds(wait_ms),
                                      [&answer] { return answer->done; })) {
        return;
    }
    for (size_t i = 0; i < sheet->drivers.size() && i < answer->standings.size(); ++i) {
        sheet->drivers[i].standing = answer->standings[i];
    }
}
