#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <vector>

// The frames carry three sector times per lap.
inline constexpr int kSectorCount = 3;
// Sector times 1..3 of one lap in centiseconds; 0 where none was reported.
using SectorTimes = std::array<qint32, kSectorCount>;

// One completed lap as the lap log keeps it: every lap of every kart, radio or
// hand-timed, not only the ten fastest that the session file holds.
struct LapRecord {
    int slot = 0;  // 1..5
    QString driver_name;
    qint32 serial_number = 0;
    bool radio = false;
    qint32 lap_number = 0;
    qint32 lap_time = 0;      // centiseconds
    QDateTime ended_at;       // local date and time when the lap was recorded
    qint64 session_time = 0;  // centiseconds from the session start to the end of the lap
    qint32 rpm_max = 0;
    qint32 rpm_min = 0;
    bool entered_top_ten = false;  // the lap went into the kart's table of the ten fastest
    bool deleted = false;          // taken back by a lap correction
    QDateTime deleted_at;
    int order = 0;  // place among the records of its log, as read back
};

// A lap correction made during the session: the lap, named by what its own lap
// record holds, was deleted or (by "Undo") restored at `at`.
struct LapCorrectionRecord {
    bool deleted = true;
    int slot = 0;
    QString driver_name;
    qint32 serial_number = 0;
    bool radio = false;
    qint32 lap_number = 0;
    qint32 lap_time = 0;
    qint64 lap_session_time = 0;  // session_time of the lap record
    QDateTime at;
};

// A sector time as a radio kart's unit reported it (frame bytes 26, 28, 36-39 and
// the sector's engine speeds, 44-47), logged whenever they change.
struct SectorRecord {
    int slot = 0;
    qint32 sector = 0;       // sector number
    qint32 lap_number = 0;   // lap the sector time belongs to
    qint32 sector_time = 0;  // centiseconds
    qint32 rpm_max = 0;
    qint32 rpm_min = 0;
    QDateTime seen_at;
    qint64 session_time = 0;
    int order = 0;  // place among the records of its log, as read back
};

// A kart slot as it stood when the session started or its settings changed; the
// last one of a slot is what the session file gets for it.
struct LapLogKart {
    int slot = 0;
    QString driver_name;
    qint32 serial_number = 0;
    bool radio = false;
    // The best lap the slot carried into the session: a kart without a lap in the
    // session keeps it, as its BEST_ key shows.
    qint32 best_lap_time = 0;
};

// The laps of one session as read back from its lap log, in the order they happened.
struct SessionLapLog {
    std::vector<LapRecord> laps;
    QStringList skipped;  // what could not be read, for the operator ("line 12: ...")
    std::vector<SectorRecord> sectors;
    std::vector<LapLogKart> karts;
};
