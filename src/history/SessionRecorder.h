#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

class Station;

// The file a session ended at `ended_at` is written to: path_of(ended_at), named
// after its minute, unless a session of that minute (or a lap log of that name) is
// there already; then the next free minute, so that a session never replaces
// another and the name keeps its pattern. Empty when the hour after is all taken.
QString FreeSessionFilePath(const std::function<QString(const QDateTime&)>& path_of,
                            const QDateTime& ended_at);

// Writes the kart slots as the session file of the local date and time now (taken
// once; FreeSessionFilePath) and reloads that day's sessions into station.sessions. The file is
// built whole and moved into place only when completely written, so a failure never leaves a
// partial file nor destroys an earlier file of the same name. On failure returns false with a
// message naming what failed and where; the slots and the session list are left as they were.
// written_path, when given, gets the file's path.
bool WriteSessionFile(Station& station, QString* error_message, QString* written_path = nullptr);

// The way out when the program's folder cannot take the session: writes the same
// session file text, named after the minute now (or the next free one), straight
// into `folder` (one the operator picked). Today's list is not touched: the file is not in today's
// folder.
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
