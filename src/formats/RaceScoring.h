#pragma once

#include <QString>
#include <array>
#include <vector>

#include "FormatSettings.h"
#include "KartSlot.h"

// What the ranking needs of one kart: its laps that count and when it last crossed
// the line, on the session clock (centiseconds from its start).
struct KartTally {
    bool taking_part = false;  // crossed the line at least once in the session
    int laps = 0;              // laps that count: valid, after the start, up to the flag
    qint64 last_crossing = 0;  // when the last of those laps ended
    qint32 best_lap = 0;       // fastest of them; 0 without one
    qint64 total_time = 0;     // from the start to last_crossing
    bool finished = false;     // took the chequered flag
};

// A distance behind another kart: whole laps when it is lapped, else time.
struct Gap {
    int laps = 0;
    qint64 time = 0;  // centiseconds; used when laps is 0
    bool operator==(const Gap&) const = default;
};

struct Standing {
    int slot = 0;
    int position = 0;  // karts that tie share a position: 1, 1, 3
    KartTally tally;
    Gap to_leader;
    Gap to_ahead;
};

// Karts that have something to rank, best first. Best lap: the fastest lap, karts
// without a valid lap left out. Race: most laps, then the earliest last crossing;
// karts without a lap that counts come last, in slot order, with no gap.
std::vector<Standing> Rank(Scoring scoring, const std::array<KartTally, kSlotCount>& karts);

// "+1 LAP", "+3 LAPS", "+1.05", "+61.50"; empty for no gap (the leader).
QString GapText(const Gap& gap);
