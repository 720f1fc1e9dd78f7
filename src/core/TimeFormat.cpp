#include "TimeFormat.h"

namespace {

// printf's "%2.2d" for any sign: at least two digits, a minus in front.
QString TwoDigits(qint64 value) {
    if (value < 0) {
        return QStringLiteral("-") + QString::number(-value).rightJustified(2, QLatin1Char('0'));
    }
    return QString::number(value).rightJustified(2, QLatin1Char('0'));
}

}  // namespace

QString FormatLapTime(quint32 centiseconds) {
    const quint32 whole_seconds = centiseconds / 100;
    return TwoDigits(whole_seconds / 60) + QLatin1Char(':') + TwoDigits(whole_seconds % 60) +
           QLatin1Char(':') + TwoDigits(centiseconds % 100);
}

QString FormatGapFields(qint64 gap) {
    const qint64 whole_seconds = gap / 100;
    return TwoDigits(whole_seconds % 60) + QLatin1Char(':') + TwoDigits(gap % 100);
}

QString FormatGap(qint64 gap) {
    return QLatin1Char('+') + FormatGapFields(gap);
}

QString FormatLapNumber(qint64 lap_number) {
    return QStringLiteral("L:") + TwoDigits(lap_number);
}

QString FormatClock(qint64 seconds) {
    return TwoDigits(seconds / 3600) + QLatin1Char(':') + TwoDigits((seconds / 60) % 60) +
           QLatin1Char(':') + TwoDigits(seconds % 60);
}
