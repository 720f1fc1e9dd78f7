#include "ResultCsv.h"

#include "LapLogFormat.h"
#include "SessionResult.h"
#include "Timesheet.h"

QByteArray ExportResultCsv(const Timesheet& sheet, const csv::ExportFormat& format) {
    QByteArray out(csv::kByteOrderMark);
    out += csv::Record(
        {QStringLiteral("session"), QStringLiteral("position"), QStringLiteral("slot"),
         QStringLiteral("driver"), QStringLiteral("timing"), QStringLiteral("laps"),
         QStringLiteral("best_lap"), QStringLiteral("best_seconds"), QStringLiteral("best_lap_cs"),
         QStringLiteral("best_on_lap"), QStringLiteral("gap_to_fastest"),
         QStringLiteral("gap_to_ahead"), QStringLiteral("source")},
        format.separator);
    const QString source =
        sheet.only_fastest ? QStringLiteral("ten fastest only") : QStringLiteral("lap log");
    for (const ResultRow& row : RankSession(sheet)) {
        out += csv::Record(
            {sheet.session_label, QString::number(row.position), QString::number(row.slot),
             row.driver_name,
             row.hand_timed ? QStringLiteral("hand-timed") : QStringLiteral("radio"),
             QString::number(row.laps), LapTimeText(row.best),
             csv::DecimalSeconds(row.best, format), QString::number(row.best),
             QString::number(row.best_lap_number), csv::DecimalSeconds(row.gap_to_fastest, format),
             row.position == 1 ? QString() : csv::DecimalSeconds(row.gap_to_ahead, format), source},
            format.separator);
    }
    return out;
}
