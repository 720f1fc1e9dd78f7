#pragma once

#include <QDate>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

struct SessionLapLog;
struct SessionRecord;

// The recorded sessions as the pages show them. These read the disk: the server
// calls them on a thread of their own, never on the one that pushes updates.

// /api/sessions/<yyyy_mm_dd>: the day's session files as the history browser lists
// them, each kart with its ten fastest laps, and every lap where the session's lap
// log holds laps; then the best of the day, one row per driver.
QJsonObject DaySessionsJson(const QString& program_folder, const QDate& day);

// One session of it. Laps the lap log marks deleted are left out everywhere (the
// ten fastest included) and only counted (laps_deleted).
QJsonObject RecordedSessionJson(const SessionRecord& record, const QString& label,
                                const SessionLapLog& log);

// The live board's karts between sessions: the session's result, and where its lap
// log holds laps, each kart's laps completed and last lap.
QJsonArray RecordedResultJson(const SessionRecord& record, const SessionLapLog& log);

// /api/days: the days whose folder holds session files, newest first.
QJsonObject DayListJson(const QString& program_folder);
