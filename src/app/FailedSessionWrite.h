#pragma once

#include <QString>

class QWidget;
class Station;

// What "END SESSION" offers when the session file could not be written: end again
// later (the session goes on), save the session to another folder the operator
// picks, or end without saving after a confirmation that names the laps lost.
// Returns true when the session may end: saved elsewhere, or given up on purpose.
// Without this a disk that stays full or a folder that stays read-only would keep
// the session screen up until the program is killed.
bool AskAfterFailedSessionWrite(Station& station, QString error, QWidget* parent);
