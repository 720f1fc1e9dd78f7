#pragma once

#include <QByteArray>
#include <QDate>
#include <QJsonObject>
#include <QString>

struct SessionLapLog;
struct SessionRecord;
class Station;

// The JSON the pages show, built from the station's kart slots and session tables.
// Plain functions without network, so the feed can be tested on its own.

// /api/live. While a session runs: every kart in use (a serial number given, or a
// lap started or recorded) ordered by its best lap of the session, karts without
// a lap after them by slot. Between sessions: the final result of today's last
// recorded session, with "No session is running".
QJsonObject LiveBoardJson(const Station& station);

// A cheap key of everything LiveBoardJson shows: while it stays the same, so does
// the JSON. The server looks at it often and builds the JSON only when it changed.
QByteArray LiveBoardKey(const Station& station);

// /api/sessions/<yyyy_mm_dd>: the day's session files as the history browser lists
// them, each kart with its ten fastest laps, and every lap where the session's
// lap log holds laps. Reads the disk: the network thread calls it, not the UI.
QJsonObject DaySessionsJson(const QString& program_folder, const QDate& day);

// One session of it. Laps the lap log marks deleted are left out everywhere (the
// ten fastest included) and only counted (laps_deleted).
QJsonObject RecordedSessionJson(const SessionRecord& record, const QString& label,
                                const SessionLapLog& log);

// A radio kart counts as not heard after this long (centiseconds).
inline constexpr qint64 kNotHeardAfter = 100;
