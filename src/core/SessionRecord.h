#pragma once

#include <QString>
#include <array>

#include "KartSlot.h"

inline constexpr int kMaxSessions = 100;

// One loaded session file: a title and the five kart slots it stored.
struct SessionRecord {
    QString title;
    QString file_path;  // the session file it was loaded from (finds its lap log)
    std::array<KartSlot, kSlotCount> karts_{};

    KartSlot& kart(int slot) { return karts_.at(size_t(slot - 1)); }
    const KartSlot& kart(int slot) const { return karts_.at(size_t(slot - 1)); }
};

// A day's sessions: up to 100 records (index 0..99) and the count in use. A day
// folder may hold more files than records; day_total counts them all, so the next
// session still gets the right number.
struct SessionTable {
    std::array<SessionRecord, kMaxSessions> records{};
    int count = 0;
    int day_total = 0;

    // The number the next recorded session of the day gets ("Session: N").
    int NextSessionNumber() const { return (day_total > count ? day_total : count) + 1; }
};
