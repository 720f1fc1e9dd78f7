#pragma once

#include <QDateTime>
#include <functional>
#include <optional>

#include "Station.h"

// A lap taken back ("Delete this lap") or brought back ("Undo") on the session
// screen. The lap is the lap_sequence-th lap entered in the session (over all
// karts, counting from 1), which the lap log can find among the laps it wrote.
struct LapCorrection {
    int slot = 0;
    int lap_sequence = 0;
    qint32 lap_number = 0;
    qint32 lap_time = 0;
    bool deleted = false;  // false: restored by "Undo"
    QDateTime at;          // when the correction was made
};

// What the session screen asks of the rest of the program. The launcher fills these
// when it creates a screen, so the screen's library depends on none of the windows
// it opens; tests fill them with recorders.
struct SessionScreenActions {
    // Writes the session file. Returns false when the session must go on (the write
    // failed and the operator chose to keep it), so the screen stays open and the
    // session can be ended again; true when it may end.
    std::function<bool()> write_session_file;
    std::function<void()> show_todays_history;                // modal history of today
    std::function<void(int slot, int row)> show_lap_details;  // modal lap details
    std::function<bool(int slot)> show_kart_settings;         // modal; true on "OK"
    std::function<void()> save_kart_settings;                 // writes ustawienia.ini
    // Every lap RecordLap entered, with the lap number it was stored under and
    // whether it went into the ten fastest (the lap log).
    std::function<void(int slot, qint32 lap_number, qint32 lap_time, qint32 rpm_max, qint32 rpm_min,
                       bool entered_top_ten)>
        lap_recorded;
    // A lap correction, after the kart's lap table was worked out again (the lap log).
    std::function<void(const LapCorrection& correction)> lap_corrected;
    // A lap key pressed at counter now: the counter of a camera crossing the operator
    // assigns to this kart with it (taken instead of the key's time), or nothing.
    std::function<std::optional<qint64>(int slot, qint64 now)> camera_time_for_key;
    // The sector fields of a radio kart's race frame (the lap log).
    std::function<void(int slot, const SectorReport& report)> sector_reported;
};
