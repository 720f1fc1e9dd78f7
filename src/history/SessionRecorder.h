#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

class Station;

// Writes the kart slots as the session file of the local date and time now (taken
// once) and reloads that day's sessions into station.sessions. The file is built
// whole and moved into place only when completely written, so a failure never
// leaves a partial file nor destroys an earlier file of the same name. On failure
// returns false with a message naming what failed and where; the slots and the
// session list are left as they were. written_path, when given, gets the file's path.
bool WriteSessionFile(Station& station, QString* error_message, QString* written_path = nullptr);

// The way out when the program's folder cannot take the session: writes the same
// session file text, named after the minute now, straight into `folder` (one the
// operator picked). Today's list is not touched: the file is not in today's folder.
bool WriteSessionFileInFolder(const Station& station, const QString& folder, QString* written_path,
                              QString* error_message);

// What ending without saving loses: one line per kart with laps in its table,
// "Kart 1 (Ann): 3 laps", in slot order.
QStringList UnsavedLaps(const Station& station);

// Loads the sessions of the day into station.sessions (today's list). Returns an
// error text when the day folder exists but cannot be read, else an empty text.
QString LoadSessionsOfDay(Station& station, const QDate& day);

// LoadSessionsOfDay for the clock's local date.
QString LoadTodaysSessions(Station& station);
