#include "ReportFormat.h"

#include <algorithm>

namespace {

QString MinutesSecondsHundredths(qint64 centiseconds) {
    const qint64 seconds = centiseconds / 100;
    if (seconds < 60) {
        return QString::asprintf("%lld.%2.2lld", seconds, centiseconds % 100);
    }
    return QString::asprintf("%lld:%2.2lld.%2.2lld", seconds / 60, seconds % 60,
                             centiseconds % 100);
}

}  // namespace

QString FormatFullGap(qint64 centiseconds) {
    if (centiseconds < 0) {
        return QStringLiteral("-") + MinutesSecondsHundredths(-centiseconds);
    }
    return QStringLiteral("+") + MinutesSecondsHundredths(centiseconds);
}

QString FormatShortTime(qint64 centiseconds) {
    return MinutesSecondsHundredths(std::max<qint64>(centiseconds, 0));
}

QString FormatSeconds(double centiseconds) {
    return QStringLiteral("%1 s").arg(centiseconds / 100.0, 0, 'f', 2);
}

QString FormatClockTime(const QDateTime& at) {
    return at.isValid() ? at.toString(QStringLiteral("HH:mm:ss")) : QStringLiteral("--");
}

QString FormatDuration(qint64 seconds) {
    seconds = std::max<qint64>(seconds, 0);
    if (seconds < 3600) {
        return QString::asprintf("%lld:%2.2lld", seconds / 60, seconds % 60);
    }
    return QString::asprintf("%lld:%2.2lld:%2.2lld", seconds / 3600, seconds / 60 % 60,
                             seconds % 60);
}
