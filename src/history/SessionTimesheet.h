#pragma once

#include <QString>
#include <functional>

#include "SessionRecord.h"
#include "Timesheet.h"

// The timesheet of a recorded session: every lap from its lap log when it has one,
// otherwise (no lap log, or none of its laps readable) the ten fastest laps per kart
// that the session file holds. The lap log is looked for beside the file the record
// was loaded from. The sheet carries the track's name, the session's number among
// the files of its day folder, and when it started and ended: it ended when its
// session file was written (the minute in the name, to the second by the file's
// time when that lies in the same minute), never before its last lap.
Timesheet LoadSessionTimesheet(const SessionRecord& record, const QString& track);

// The same for a session file given by its path: false with a reason when it is no
// readable file.
bool LoadSessionFileTimesheet(const QString& session_file, const QString& track, Timesheet* sheet,
                              QString* error);

// The number of a session among the session files of its day folder (1 for the
// first of the day); 0 when its file is not there.
int SessionNumberOfDay(const QString& session_file);

// What the program adds to every sheet loaded here from what lies above the session
// files (the records index: the history library cannot reach it); none until set.
using TimesheetAmendment = std::function<void(const QString& session_file, Timesheet* sheet)>;
void SetTimesheetAmendment(TimesheetAmendment amendment);
