#pragma once

#include <QDate>
#include <QString>
#include <functional>
#include <vector>

#include "Timesheet.h"

// Each driver's standing in the records for the session of session_file: the best
// before the session started, and the places of the day and month with the
// session's own laps counted (END SESSION prints before the updater has indexed
// them; counted once when it has). Only read from the index, so a station writing
// to it holds this up for a commit at most. None known when the index is not
// filled.
std::vector<RecordStanding> RecordStandingsOf(const QString& program_folder,
                                              const QString& session_file, const Timesheet& sheet,
                                              const QDate& today);

// How long the program's sheets wait for the index: about ten of its queries on a
// busy machine, short enough that an operator never notices.
inline constexpr int kRecordStandingsWaitMs = 300;

// The same for every driver of a sheet, asked on a thread of Qt's global pool. The
// caller waits wait_ms at most: an index locked by another station or being
// rebuilt leaves the sheet as it was, and the thread ends on its own.
void AddRecordStandings(const QString& program_folder, const QString& session_file,
                        const QDate& today, Timesheet* sheet, int wait_ms);

// Has every sheet the program loads (SetTimesheetAmendment) carry its drivers'
// standings, waiting kRecordStandingsWaitMs at most: a printout never waits long
// for the index, and never fails for it.
void AmendTimesheetsWithRecords(const QString& program_folder, std::function<QDate()> today);
