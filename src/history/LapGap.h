#pragma once

#include <QString>
#include <QtGlobal>

// The gap of a lap to the kart's fastest lap as shown in the history browser and
// the lap details: "+ss:hh" (FormatGap). An entry without a lap, or a difference
// below zero (possible only in a file edited by hand), has no gap to show and
// gives "--:--".
QString LapGapText(qint32 lap_time, qint32 fastest_lap_time);
