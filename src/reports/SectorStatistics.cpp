#include "SectorStatistics.h"

SectorStatistics SectorStatisticsOf(const std::vector<SheetLap>& laps) {
    SectorStatistics stats;
    for (const SheetLap& lap : laps) {
        if (lap.deleted) {
            continue;
        }
        for (size_t n = 0; n < size_t(kSectorCount); ++n) {
            const qint32 time = lap.sectors[n];
            // The first of equal times is the best, as with laps.
            if (time > 0 && (stats.best[n] == 0 || time < stats.best[n])) {
                stats.best[n] = time;
                stats.best_lap[n] = lap.lap_number;
            }
        }
    }
    qint32 sum = 0;
    for (const qint32 time : stats.best) {
        if (time == 0) {
            return stats;
        }
        sum += time;
    }
    stats.best_possible = sum;
    return stats;
}
