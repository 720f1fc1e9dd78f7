#pragma once

#include <QString>

#include "SessionRecord.h"
#include "Timesheet.h"

// The timesheet of a recorded session: every lap from its lap log when it has one,
// otherwise (no lap log, or none of its laps readable) the ten fastest laps per kart
// that the session file holds.
// The lap log is looked for beside the file the record was loaded from.
Timesheet LoadSessionTimesheet(const SessionRecord& record);

// Where the file dialog for timesheet PDFs starts.
QString TimesheetFolder();
