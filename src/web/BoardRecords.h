#pragma once

#include <QDate>
#include <QJsonObject>
#include <QString>

#include "RecordsIndex.h"

class Station;

// The records on the live board, from the board the records updater made after its
// last update (no page asks the index) and the running session's laps, which the
// index holds only once the session has ended.

// "records": {"day": {...}, "month": {...}}, each the driver, lap_cs, lap and date
// of the best lap, or null when there is none. A best of another day or month than
// today's is left out.
QJsonObject BoardRecordsJson(const RecordsBoard& board, const Station& station, const QDate& today);

// The mark of a kart's last lap when it set a record: "record" when it is the
// session's fastest and beats the day's best before it, "personal" when it beats
// the driver's best before this session; empty otherwise. A first day or a first
// visit has no record to beat. set_best: the lap set the kart's best of the session.
QString RecordMark(const RecordsBoard& board, const QDate& today, const QString& driver, qint32 lap,
                   bool set_best, bool fastest_of_session);
