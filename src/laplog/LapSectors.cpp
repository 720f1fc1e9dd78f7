#include "LapSectors.h"

#include <algorithm>
#include <climits>
#include <map>

#include "KartSlot.h"

namespace {

// Sector lap numbers are one byte of the frame.
int LapByte(qint32 lap_number) {
    return int(quint32(lap_number) & 0xFFu);
}

}  // namespace

std::vector<SectorTimes> SectorsOfLaps(const SessionLapLog& log) {
    std::vector<SectorTimes> result(log.laps.size(), SectorTimes{});
    if (log.sectors.empty()) {
        return result;
    }
    // Both lists are in file order; walk them together by the place of each record.
    std::array<std::map<int, SectorTimes>, kSlotCount> pending;
    std::array<int, kSlotCount> last_lap;
    last_lap.fill(-1);
    size_t s = 0;
    for (size_t i = 0; i <= log.laps.size(); ++i) {
        const int lap_order = i < log.laps.size() ? log.laps[i].order : INT_MAX;
        for (; s < log.sectors.size() && log.sectors[s].order < lap_order; ++s) {
            const SectorRecord& sector = log.sectors[s];
            if (!IsValidSlot(sector.slot) || sector.sector < 1 || sector.sector > kSectorCount ||
                sector.sector_time <= 0) {
                continue;
            }
            const size_t slot = size_t(sector.slot - 1);
            const size_t n = size_t(sector.sector - 1);
            const int last = last_lap[slot];
            if (last >= 0 && LapByte(log.laps[size_t(last)].lap_number) == sector.lap_number &&
                result[size_t(last)][n] == 0) {
                result[size_t(last)][n] = sector.sector_time;  // reported just after the lap
                continue;
            }
            pending[slot][sector.lap_number][n] = sector.sector_time;
        }
        if (i == log.laps.size()) {
            break;
        }
        const LapRecord& lap = log.laps[i];
        if (!IsValidSlot(lap.slot)) {
            continue;
        }
        auto& waiting = pending[size_t(lap.slot - 1)];
        const auto found = waiting.find(LapByte(lap.lap_number));
        if (found != waiting.end()) {
            result[i] = found->second;
        }
        // Whatever was reported before this lap belongs to it or to no lap at all.
        waiting.clear();
        last_lap[size_t(lap.slot - 1)] = int(i);
    }
    return result;
}

bool HasSectorTimes(const std::vector<SectorTimes>& sectors) {
    return std::any_of(sectors.begin(), sectors.end(), [](const SectorTimes& times) {
        return std::any_of(times.begin(), times.end(), [](qint32 t) { return t > 0; });
    });
}
