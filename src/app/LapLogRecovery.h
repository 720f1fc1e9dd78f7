#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>

#include "KartSlot.h"
#include "LapRecord.h"

// Turns the journal of a session that never reached "END SESSION" into the session
// file "END SESSION" would have written: the laps are entered again, in order, into
// the lap table the live screen keeps, so each kart gets the same ten fastest laps.

// The five kart slots at the end of the logged session: the last set-up the log
// holds for each slot and its lap table with every logged lap entered that was
// not deleted by a lap correction.
std::array<KartSlot, kSlotCount> ReplayLapLog(const SessionLapLog& log);

// What the operator is asked about.
struct JournalSummary {
    QDateTime started;     // from the journal's name
    QDateTime last_lap;    // invalid when the log holds no lap time of day
    int laps = 0;          // laps that stand
    int deleted_laps = 0;  // taken back by a lap correction
    QList<int> karts_with_laps;
    QStringList skipped;
};
JournalSummary SummariseJournal(const QString& journal_path, const SessionLapLog& log);

struct RecoveredSession {
    QString session_file;
    QString lap_log;
    JournalSummary summary;
};

// Writes the session file of the journal (named after its last lap; a later free
// minute when another session already has that name), moves the journal beside it
// as its lap log and returns both paths. False with a message when something
// failed; the journal then stays where it was, to be offered again.
bool RecoverSession(const QString& program_folder, const QString& journal_path,
                    RecoveredSession* recovered, QString* error_message);

// The question put to the operator at start-up, and the report after recovery.
QString RecoveryQuestion(const JournalSummary& summary, const QString& set_aside_path);
QString RecoveryReport(const RecoveredSession& recovered);
