#pragma once

#include <QString>
#include <functional>

class QWidget;
class Station;

// What "END SESSION" offers when the session file could not be written: end again
// later (the session goes on), save the session to another folder the operator
// picks, or end without saving after a confirmation that names the laps lost.
// Returns true when the session may end: saved elsewhere, or given up on purpose.
// Without this a disk that stays full or a folder that stays read-only would keep
// the session screen up until the program is killed.
// write_lap_log puts every lap of the session beside the session file saved
// elsewhere; when it fails, that session file is removed again and the operator
// is asked anew.
using LapLogWriter = std::function<bool(const QString& session_file, QString* error_message)>;
bool AskAfterFailedSessionWrite(Station& station, QString error, QWidget* parent,
                                const LapLogWriter& write_lap_log = {});

// The session file was written but its lap log could not be put beside it (the laps
// folder cannot be written): the laps held in memory would be lost with the program.
// Offers another folder until the lap log is written there, with a copy of the
// session file so that the folder reads as a day, or the operator confirms losing
// it. Returns true when it was written elsewhere.
bool AskAfterFailedLapLogWrite(const QString& session_file, QString error, QWidget* parent,
                               const LapLogWriter& write_lap_log);
