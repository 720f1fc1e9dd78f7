#include "RecordsCommand.h"

#include <QDir>

#include "CsvDialect.h"
#include "ProgramFolder.h"
#include "RecordsIndex.h"
#include "TimeFormat.h"

namespace {

RecordsCommandResult RecordsUsageError(const QString& why) {
    return {
        2, {}, why + QStringLiteral(" (usage: ruvotimer %1)").arg(QLatin1String(kRecordsUsage))};
}

}  // namespace

RecordsCommandResult RunRecordsCommand(const QStringList& arguments, const QString& program_folder,
                                       const QDate& today) {
    if (arguments.isEmpty()) {
        return RecordsUsageError(QStringLiteral("--records needs a period"));
    }
    const auto period = ParseRecordPeriod(arguments.first());
    if (!period) {
        return RecordsUsageError(QStringLiteral("unknown period %1: day, week, month, year or all")
                                     .arg(arguments.first()));
    }
    int top = 20;
    QString folder = program_folder;
    bool as_csv = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& option = arguments.at(i);
        const bool has_value = i + 1 < arguments.size();
        if (option == QLatin1String("--csv")) {
            as_csv = true;
        } else if (option == QLatin1String("--top") && has_value) {
            bool ok = false;
            top = arguments.at(++i).toInt(&ok);
            if (!ok || top < 1) {
                return RecordsUsageError(QStringLiteral("--top takes a number of 1 or more"));
            }
        } else if (option == QLatin1String("--folder") && has_value) {
            folder = WithTrailingSeparator(arguments.at(++i));
        } else {
            return RecordsUsageError(QStringLiteral("unexpected %1").arg(option));
        }
    }
    if (!QDir(folder + QStringLiteral("Sessions")).exists()) {
        return {
            2,
            {},
            QStringLiteral("%1 holds no Sessions folder").arg(QDir::toNativeSeparators(folder))};
    }
    RecordsIndex index(folder);
    const IndexUpdate update = index.Update();
    RecordsCommandResult result;
    if (!update.error.isEmpty()) {
        // The table below is what the index held before: say it may be behind.
        result.error = QStringLiteral("the records index could not be brought up to date: %1")
                           .arg(update.error);
    }
    std::vector<RecordRow> rows = index.Top(*period, today, top);
    if (index.damaged()) {
        // Damage that only this read met: the index is built again from the files.
        const IndexUpdate rebuilt = index.Update();
        result.error = rebuilt.error.isEmpty()
                           ? QString()
                           : QStringLiteral("the records index could not be built again: %1")
                                 .arg(rebuilt.error);
        rows = index.Top(*period, today, top);
    }
    if (!index.last_error().isEmpty()) {
        // An empty table would pass for a period nobody drove in.
        result.status = 1;
        result.error =
            QStringLiteral("the records index could not be read: %1").arg(index.last_error());
        return result;
    }
    const csv::ExportFormat format = csv::StationExportFormat();
    if (as_csv) {
        result.output =
            QString::fromUtf8(csv::Record({QStringLiteral("rank"), QStringLiteral("name"),
                                           QStringLiteral("best_lap"), QStringLiteral("date")},
                                          format.separator));
    }
    for (const RecordRow& row : rows) {
        const QString date = row.at.date().toString(Qt::ISODate);
        const QString lap = FormatLapTime(quint32(row.best_lap));
        if (as_csv) {
            result.output += QString::fromUtf8(
                csv::Record({QString::number(row.rank), row.name, lap, date}, format.separator));
        } else {
            // One arg() call: a name holding "%1" must not take the next field.
            result.output += QStringLiteral("%1  %2  %3  %4\n")
                                 .arg(QString::number(row.rank).rightJustified(3),
                                      row.name.leftJustified(20), lap.rightJustified(9), date);
        }
    }
    return result;
}
