#pragma once

#include <vector>

#include "LapRecord.h"

// The sector times of every lap of a log, index for index with log.laps. A unit
// reports each sector with the lap number it belongs to (one byte): the sectors of
// a lap come while it is driven, the last one in the frame that completes it, so
// each lap takes the sectors its slot reported for its number since the slot's
// previous lap; a sector reported just after its lap was entered still joins it.
std::vector<SectorTimes> SectorsOfLaps(const SessionLapLog& log);

// Whether any lap of the log has a sector time.
bool HasSectorTimes(const std::vector<SectorTimes>& sectors);
