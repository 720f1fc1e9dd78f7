#pragma once

#include <QString>
#include <vector>

struct Timesheet;

// One line of a session's ranked result.
struct ResultRow {
    int position = 0;  // 1 for the fastest
    int slot = 0;
    QString driver_name;
    bool hand_timed = false;
    int laps = 0;                // laps completed that stand
    qint32 best = 0;             // centiseconds
    qint32 best_lap_number = 0;  // the lap the best was set on
    qint32 gap_to_fastest = 0;   // centiseconds; 0 for the fastest
    qint32 gap_to_ahead = 0;     // to the row above; 0 for the fastest
};

// The drivers of a session ranked by best lap, fastest first. Of two equal bests
// the one set earlier ranks ahead (by session time where the lap log knows it, else
// by kart). Drivers without a lap that stands are not ranked.
std::vector<ResultRow> RankSession(const Timesheet& sheet);
