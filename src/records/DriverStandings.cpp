#include "DriverStandings.h"

#include <QHash>
#include <QThreadPool>
#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "DriverIdentity.h"
#include "RecordsIndex.h"
#include "SessionTimesheet.h"

namespace {

// A period's best of each driver (by the key they count as), the index's table
// with the session's own laps put in: indexed or not yet, they count once.
class PeriodTable {
  public:
    explicit PeriodTable(const std::vector<RecordRow>& rows) {
        for (const RecordRow& row : rows) {
            bests_.insert(row.key, row.best_lap);
        }
    }
    void Add(const QString& counted_as, qint32 best) {
        const auto found = bests_.constFind(counted_as);
        if (best > 0 && (found == bests_.cend() || best < *found)) {
            bests_.insert(counted_as, best);
        }
    }
    // 1 + the drivers faster (a tie shares the place); 0 when not in the table.
    void Place(const QString& counted_as, int* rank, int* drivers) const {
        *drivers = int(bests_.size());
        const auto found = bests_.constFind(counted_as);
        if (found == bests_.cend()) {
            return;
        }
        *rank = 1 + int(std::count_if(bests_.cbegin(), bests_.cend(),
                                      [&found](qint32 best) { return best < *found; }));
    }

  private:
    QHash<QString, qint32> bests_;
};

qint32 SessionBest(const DriverSheet& driver) {
    qint32 best = 0;
    for (const SheetLap& lap : driver.laps) {
        if (!lap.deleted && lap.lap_time > 0 && (best == 0 || lap.lap_time < best)) {
            best = lap.lap_time;
        }
    }
    return best;
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
                                              const QString& session_file, const Timesheet& sheet,
                                              const QDate& today) {
    std::vector<RecordStanding> standings(sheet.drivers.size());
    RecordsIndex index(program_folder);
    // A rebuild under way would make a tenth lap look like a personal best.
    if (!index.IsFilled()) {
        return standings;
    }
    // Laps from this time on are the session's own; a session without a lap log is
    // known by when the index has its laps, or by its end.
    QDateTime started = sheet.started;
    if (!started.isValid()) {
        started = index.FirstLapAt(session_file);
    }
    if (!started.isValid()) {
        started = sheet.ended;
    }
    if (!started.isValid()) {
        return standings;
    }
    const QDate day = started.date();
    PeriodTable day_table(index.Top(RecordPeriod::kDay, day, 0));
    PeriodTable month_table(index.Top(RecordPeriod::kMonth, day, 0));
    QStringList counted_as;
    for (const DriverSheet& driver : sheet.drivers) {
        const QString key = DriverKey(driver.driver_name);
        const QString target = index.CountedAs(key);
        counted_as << (target.isEmpty() ? key : target);
        day_table.Add(counted_as.last(), SessionBest(driver));
        month_table.Add(counted_as.last(), SessionBest(driver));
    }
    for (size_t i = 0; i < sheet.drivers.size(); ++i) {
        RecordStanding& standing = standings[i];
        standing.known = true;
        standing.day = day;
        standing.of_today = day == today;
        standing.best_before =
            index.BestBefore(DriverKey(sheet.drivers[i].driver_name), started, session_file);
        day_table.Place(counted_as.at(qsizetype(i)), &standing.day_rank, &standing.day_drivers);
        month_table.Place(counted_as.at(qsizetype(i)), &standing.month_rank,
                          &standing.month_drivers);
    }
    return standings;
}

void AddRecordStandings(const QString& program_folder, const QString& session_file,
                        const QDate& today, Timesheet* sheet, int wait_ms) {
    auto answer = std::make_shared<StandingsAnswer>();
    // The global pool: its threads are waited for when the program ends, so one
    // still waiting on a lock never outlives the application.
    QThreadPool::globalInstance()->start(
        [answer, program_folder, session_file, today, copy = *sheet] {
            std::vector<RecordStanding> standings =
                RecordStandingsOf(program_folder, session_file, copy, today);
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

void AmendTimesheetsWithRecords(const QString& program_folder, std::function<QDate()> today) {
    SetTimesheetAmendment([program_folder, today = std::move(today)](const QString& session_file,
                                                                     Timesheet* sheet) {
        AddRecordStandings(program_folder, session_file, today(), sheet, kRecordStandingsWaitMs);
    });
}
