#include "LapGap.h"

#include "TimeFormat.h"

QString LapGapText(qint32 lap_time, qint32 fastest_lap_time) {
    const qint64 gap = qint64(lap_time) - qint64(fastest_lap_time);
    if (gap < 0) {
        return QStringLiteral("--:--");
    }
    return FormatGap(gap);
}
