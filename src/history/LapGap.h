#pragma once

#include <QString>
#include <QtGlobal>

// The gap of a lap to the kart's fastest lap as shown in the history browser and
// the lap details: "+ss:hh" (FormatGap), worked out from time 0 where a time is
// missing, so a kart without laps shows "+00:00". A difference below zero (an entry
// without a lap under a fastest lap, or a file edited by hand) has no gap to show
// and gives "--:--" instead of a negative text.
QString LapGapText(qint32 lap_time, qint32 fastest_lap_time);
