#pragma once

#include <QString>
#include <array>

#include "KartSlot.h"

// Texts of one best-laps row of a kart column.
struct BestLapRowTexts {
    QString lap_time;    // "01:02:33"
    QString gap;         // "+00:45", gap to the best lap
    QString lap_number;  // "L:07"
};

// What the screen draws after a lap was entered: rows 1..filled get the texts; the
// time of every row after them up to 5 reads "--:--:--" while its gap and lap
// number keep whatever they show.
struct BestLapsDrawing {
    static constexpr int kRows = 5;
    static constexpr const char* kEmptyLapTime = "--:--:--";
    int filled = 0;
    std::array<BestLapRowTexts, kRows> rows{};
    bool entered_top_ten = false;  // the lap was stored among the ten fastest
};

// Enters a completed lap (centiseconds) into the slot's table of the ten fastest
// laps, under the slot's current_lap_number, and works out the gap of the lap to
// the best lap as it stood before. Also sets best_lap_time and last_lap_time.
// A lap time of 0 or less is no lap (0 marks an empty entry): nothing changes and
// nothing needs drawing (filled < 0).
BestLapsDrawing EnterLap(KartSlot& slot, qint32 lap_time, qint32 rpm_max, qint32 rpm_min);

// The best-laps rows as the slot's lap table stands, for a redraw after a lap
// correction; entered_top_ten is not meaningful here.
BestLapsDrawing DrawLapTable(const KartSlot& slot);
