#include "RecordStandingText.h"

#include "TimeFormat.h"
#include "Timesheet.h"

bool IsPersonalBest(const RecordStanding& standing, qint32 session_best) {
    return standing.known && standing.best_before > 0 && session_best > 0 &&
           session_best < standing.best_before;
}

QStringList RecordStandingLines(const RecordStanding& standing, qint32 session_best,
                                int best_lap_number) {
    QStringList lines;
    if (!standing.known) {
        return lines;
    }
    if (IsPersonalBest(standing, session_best)) {
        lines << QStringLiteral("Personal best: %1 (lap %2), before this session %3")
                     .arg(FormatLapTime(quint32(session_best)))
                     .arg(best_lap_number)
                     .arg(FormatLapTime(quint32(standing.best_before)));
    } else if (standing.best_before > 0) {
        lines << QStringLiteral("Best before this session: %1")
                     .arg(FormatLapTime(quint32(standing.best_before)));
    }
    QStringList ranks;
    const auto place = [](int rank, int drivers) {
        return QStringLiteral("%1 of %2").arg(rank).arg(drivers);
    };
    const QString day = standing.of_today
                            ? QStringLiteral("Rank today")
                            : QStringLiteral("Rank on %1").arg(standing.day.toString(Qt::ISODate));
    if (standing.day_rank > 0) {
        ranks << day + QStringLiteral(": ") + place(standing.day_rank, standing.day_drivers);
    }
    if (standing.month_rank > 0) {
        const QString month =
            standing.of_today ? QStringLiteral("this month") : QStringLiteral("that month");
        ranks << (ranks.isEmpty() ? QStringLiteral("Rank ") + month : month) +
                     QStringLiteral(": ") + place(standing.month_rank, standing.month_drivers);
    }
    if (!ranks.isEmpty()) {
        lines << ranks.join(QStringLiteral(" \u00b7 "));
    }
    return lines;
}
