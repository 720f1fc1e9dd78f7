#pragma once

#include <QDateTime>
#include <QString>
#include <vector>

#include "LapRecord.h"
#include "LapStatistics.h"
#include "SessionRecord.h"

// What the records index said of a driver when the sheet was made. Not known when
// it could not be asked in time (missing, locked, being rebuilt): the sheet then
// goes without it.
struct RecordStanding {
    bool known = false;
    qint32 best_before = 0;  // the driver's fastest lap before this session; 0: none
    QDate day;               // the session's day, which the ranks are of
    bool of_today = false;   // day is the station's today
    int day_rank = 0;        // 1 = fastest; 0: not ranked
    int day_drivers = 0;
    int month_rank = 0;
    int month_drivers = 0;
};

// The laps one driver drove in one kart of a session, in the order they were driven.
// A kart whose driver changed during the session gives one sheet per driver.
struct DriverSheet {
    int slot = 0;  // 1..5
    QString driver_name;
    bool hand_timed = false;  // timed with the stopwatch, not by a radio unit
    std::vector<SheetLap> laps;
    RecordStanding standing;
};

// What a timesheet prints for one session.
struct Timesheet {
    QString station = QStringLiteral("RUVOTimer");
    QString track;           // the track's name from the settings, may be empty
    QString session_label;   // "2026-12-08 14:05"
    QString date;            // "2026-12-08"
    int session_number = 0;  // of its day, counted over the day's session files; 0: unknown
    QDateTime started;       // invalid when not known (no lap log)
    QDateTime ended;
    // The session has no lap log: only each kart's ten fastest laps are known, and
    // the laps between them are missing.
    bool only_fastest = false;
    std::vector<DriverSheet> drivers;  // in slot order, a kart's drivers in the order they drove
    QStringList lap_log_skipped;       // what of the lap log could not be read
    // The result of a session run under a session format (timed, by laps, a race),
    // from the file beside its lap log: the head row, then one row per kart, best
    // first. Empty for a session without a format.
    QList<QStringList> run_result;

    // Whether any lap has a sector time: without, no sector columns are printed.
    bool HasSectors() const;
};

inline constexpr const char* kOnlyFastestNote =
    "Only the ten fastest laps were recorded for this session.";

// Every lap of the log, per kart and driver in the order driven, each with its sector
// times. Deleted laps are kept (marked, with the time of the correction); the
// statistics leave them out. A lap is marked top ten when it stands among its kart's
// ten fastest laps at the end of the session. The session starts when the first lap
// began (its end less its session time).
Timesheet TimesheetFromLapLog(const SessionLapLog& log, const QString& session_label);

// The ten fastest laps a session file holds, per kart in lap-number order; each of
// them is one of the ten fastest.
Timesheet TimesheetFromSessionRecord(const SessionRecord& record, const QString& session_label);

// The same session with only the driver at `index` of sheet.drivers (none when out of range).
Timesheet OnlyDriver(const Timesheet& sheet, int index);
