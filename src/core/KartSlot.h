#pragma once

#include <QString>
#include <array>

#include "Colour.h"
#include "Text.h"

inline constexpr int kSlotCount = 5;    // kart slots are numbered 1..5
inline constexpr int kLapEntries = 10;  // the ten fastest laps of a kart

// One entry of a kart's lap table. lap_time 0 marks an empty entry.
struct LapEntry {
    qint32 lap_time = 0;            // centiseconds
    BoundedText<20> lap_time_text;  // only in records loaded from session files
    qint32 lap_number = 0;
    qint32 rpm_max = 0;
    qint32 rpm_min = 0;
};

// Live state of one kart. The same record type is stored inside loaded session
// records. Field order follows the shared record layout.
struct KartSlot {
    qint32 packet_counter = 0;
    qint32 node_address = 0;
    bool message_pending = false;
    qint32 message_immediate = 0;
    Colour message_background = 0;
    Colour message_font_colour = 0;
    BoundedText<24> message_line1;
    BoundedText<24> message_line2;
    bool stopwatch_running = false;
    bool radio = false;
    // A kart without a radio unit whose laps come from the camera at the line (its
    // hand-timing key still assigns the camera's unread crossings to it).
    bool camera_timed = false;
    qint32 serial_number = 0;
    BoundedText<20> driver_name;
    qint32 last_lap_time = 0;
    qint64 timing_mark = 0;
    qint64 last_change_counter = 0;
    qint32 current_lap_number = 0;
    qint32 best_lap_delta = 0;
    QString best_lap_delta_sign;  // "+", "-" or empty
    qint32 best_lap_time = 0;
    qint32 current_rpm = 0;
    std::array<LapEntry, kLapEntries> laps_{};  // entries 1..10 through lap(j)
    double temperature1 = 0.0;
    double temperature2 = 0.0;
    double temperature3 = 0.0;
    qint32 lap_rpm_max = 0;
    qint32 lap_rpm_min = 0;

    // Entry j = 1..10 of the lap table.
    LapEntry& lap(int j) { return laps_.at(size_t(j - 1)); }
    const LapEntry& lap(int j) const { return laps_.at(size_t(j - 1)); }
};

inline bool IsValidSlot(int slot) {
    return slot >= 1 && slot <= kSlotCount;
}
