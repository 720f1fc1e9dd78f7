#pragma once

#include <QStringList>

struct RecordStanding;

// Whether a session's best lap beats the driver's best before the session. A
// driver with no earlier lap has nothing to beat: the first visit is no record.
bool IsPersonalBest(const RecordStanding& standing, qint32 session_best);

// What a driver's sheet prints of the records: the personal best or the best to
// beat, and the ranks of the day and month ("Rank today: 3 of 41 · this month: 12
// of 530"). Nothing when the standing is not known.
QStringList RecordStandingLines(const RecordStanding& standing, qint32 session_best,
                                int best_lap_number);
