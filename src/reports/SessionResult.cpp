#include "SessionResult.h"

#include <algorithm>
#include <cstdint>

#include "LapStatistics.h"
#include "Timesheet.h"

namespace {

// When the driver's best lap ended; laps of a log without session times sort last.
qint64 BestSetAt(const DriverSheet& driver, qint32 best) {
    for (const SheetLap& lap : driver.laps) {
        if (!lap.deleted && lap.lap_time == best) {
            return lap.session_time >= 0 ? lap.session_time : INT64_MAX;
        }
    }
    return INT64_MAX;
}

}  // namespace

std::vector<ResultRow> RankSession(const Timesheet& sheet) {
    struct Entry {
        ResultRow row;
        qint64 set_at = 0;
    };
    std::vector<Entry> entries;
    for (const DriverSheet& driver : sheet.drivers) {
        const LapStatistics stats(driver.laps);
        if (stats.empty()) {
            continue;
        }
        Entry entry;
        entry.row.slot = driver.slot;
        entry.row.driver_name = driver.driver_name;
        entry.row.hand_timed = driver.hand_timed;
        entry.row.laps = int(stats.laps().size());
        entry.row.best = stats.best();
        entry.row.best_lap_number = stats.best_lap_number();
        entry.set_at = BestSetAt(driver, stats.best());
        entries.push_back(entry);
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.row.best != b.row.best) {
            return a.row.best < b.row.best;
        }
        return a.set_at < b.set_at;
    });
    std::vector<ResultRow> rows;
    for (const Entry& entry : entries) {
        ResultRow row = entry.row;
        row.position = int(rows.size()) + 1;
        if (!rows.empty()) {
            row.gap_to_fastest = row.best - rows.front().best;
            row.gap_to_ahead = row.best - rows.back().best;
        }
        rows.push_back(row);
    }
    return rows;
}
