#pragma once

#include <QByteArray>
#include <QJsonObject>

#include "DaySessions.h"
#include "LiveClocks.h"
#include "RecordsIndex.h"

class Station;

// The JSON the pages show, built from the station's kart slots and session tables.
// Plain functions without network, so the feed can be tested on its own.

// /api/live. While a session runs: every kart in use (a serial number given, or a
// lap started or recorded) ordered by its best lap of the session, karts without
// a lap after them by slot, with the times the pages count from (clocks, as of
// clocks.at_ms()). Between sessions: the final result of today's last recorded
// session, with "No session is running"; its lap log gives each kart's laps
// completed and last lap. With records (the records updater's last board): the best
// of the day and of the month, and a last lap that set a personal best or the
// day's record marked so.
QJsonObject LiveBoardJson(const Station& station, const LiveClocks& clocks,
                          const RecordsBoard* records = nullptr);
// The same with clocks read now (samples and tests of what does not tick).
QJsonObject LiveBoardJson(const Station& station);

// A cheap key of everything LiveBoardJson shows: while it stays the same, so does
// the JSON (its at_ms aside). The server looks at it often and builds the JSON only
// when it changed. The running times are not part of it, only where they count
// from: a lap start that stays put changes nothing.
QByteArray LiveBoardKey(const Station& station, const LiveClocks& clocks);

// A radio kart counts as not heard after this long (centiseconds).
inline constexpr qint64 kNotHeardAfter = 100;
