#pragma once

#include <QString>
#include <array>

#include "KartSlot.h"

inline constexpr int kMaxSessions = 100;

// One loaded session file: a title and the five kart slots it stored.
struct SessionRecord {
    QString title;
    std::array<KartSlot, kSlotCount> karts_{};

    KartSlot& kart(int slot) { return karts_.at(size_t(slot - 1)); }
    const KartSlot& kart(int slot) const { return karts_.at(size_t(slot - 1)); }
};

// A day's sessions: up to 100 records (index 0..99) and the count in use.
struct SessionTable {
    std::array<SessionRecord, kMaxSessions> records{};
    int count = 0;
};
