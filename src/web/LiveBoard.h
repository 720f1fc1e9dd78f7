#pragma once

#include <QDate>
#include <QJsonObject>
#include <QString>

class Station;

// The JSON the pages show, built from the station's kart slots and session tables.
// Plain functions without network, so the feed can be tested on its own.

// /api/live. While a session runs: every kart in use (a serial number given, or a
// lap started or recorded) ordered by its best lap of the session, karts without
// a lap after them by slot. Between sessions: the final result of today's last
// recorded session, with "No session is running".
QJsonObject LiveBoardJson(const Station& station);

// /api/sessions/<yyyy_mm_dd>: the day's session files as the history browser lists
// them, each kart with its ten fastest laps.
QJsonObject DaySessionsJson(const QString& program_folder, const QDate& day);

// A radio kart counts as not heard after this long (centiseconds).
inline constexpr qint64 kNotHeardAfter = 100;
