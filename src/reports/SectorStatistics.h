#pragma once

#include <array>
#include <vector>

#include "LapStatistics.h"

// A driver's best time in each sector and the lap it came from, and the best
// possible lap: the three best sectors added up, known only when every sector has a
// time. Deleted laps count nowhere.
struct SectorStatistics {
    SectorTimes best{};                           // 0: no time for that sector
    std::array<qint32, kSectorCount> best_lap{};  // lap number of each best sector
    qint32 best_possible = 0;                     // 0: not every sector has a time

    bool empty() const { return best[0] == 0 && best[1] == 0 && best[2] == 0; }
};

SectorStatistics SectorStatisticsOf(const std::vector<SheetLap>& laps);
