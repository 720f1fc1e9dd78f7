#pragma once

#include <QString>

#include "SessionRecord.h"
#include "Timesheet.h"

// The session file a record of today's list ("3 : 2026-12-08 14:05") was read from.
// Empty when the title does not carry a session label.
QString TodaysSessionFilePath(const QString& program_folder, const QString& title);

// The timesheet of a recorded session: every lap from its lap log when it has one,
// otherwise (no lap log, or none of its laps readable) the ten fastest laps per kart
// that the session file holds.
Timesheet LoadSessionTimesheet(const SessionRecord& record, const QString& session_file);

// Where the file dialog for timesheet PDFs starts.
QString TimesheetFolder();
