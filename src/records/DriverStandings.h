#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <vector>

#include "Timesheet.h"

// Each named driver's standing in the records for the session of session_file:
// the best before the session's first lap, and the ranks of the session's day and
// month. The session is indexed first when it is not yet (END SESSION prints
// before the updater gets to it). None known when the index is not filled.
std::vector<RecordStanding> RecordStandingsOf(const QString& program_folder,
                                              const QString& session_file, const QDate& today,
                                              const QStringList& names);

// How long the program's sheets wait for the index: about ten of its queries on a
// busy machine, short enough that an operator never notices.
inline constexpr int kRecordStandingsWaitMs = 300;

// The same for every driver of a sheet, asked on a thread of Qt's global pool. The
// caller waits wait_ms at most: an index locked by another station or being
// rebuilt leaves the sheet as it was, and the thread ends on its own.
void AddRecordStandings(const QString& program_folder, const QString& session_file,
                        const QDate& today, Timesheet* sheet, int wait_ms);
