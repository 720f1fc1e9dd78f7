#pragma once

#include <QString>
#include <vector>

#include "LapRecord.h"
#include "LapStatistics.h"
#include "SessionRecord.h"

// The laps of one kart of a session, in the order they were driven.
struct DriverSheet {
    int slot = 0;  // 1..5
    QString driver_name;
    std::vector<SheetLap> laps;
};

// What a timesheet prints for one session.
struct Timesheet {
    QString station = QStringLiteral("RUVOTimer");
    QString session_label;  // "2026-12-08 14:05"
    QString date;           // "2026-12-08"
    // The session has no lap log: only each kart's ten fastest laps are known, and
    // the laps between them are missing.
    bool only_fastest = false;
    std::vector<DriverSheet> drivers;  // karts with at least one lap, in slot order
    QStringList lap_log_skipped;       // what of the lap log could not be read
};

inline constexpr const char* kOnlyFastestNote =
    "Only the ten fastest laps were recorded for this session.";

// Every lap of the log, per kart in the order driven. Deleted laps are kept (marked)
// so that nothing read is lost; the statistics leave them out.
Timesheet TimesheetFromLapLog(const SessionLapLog& log, const QString& session_label);

// The ten fastest laps a session file holds, per kart in lap-number order; each of
// them entered the ten fastest.
Timesheet TimesheetFromSessionRecord(const SessionRecord& record, const QString& session_label);

// The same session with only the kart of slot (no driver when that kart has no laps).
Timesheet OnlyDriver(const Timesheet& sheet, int slot);
