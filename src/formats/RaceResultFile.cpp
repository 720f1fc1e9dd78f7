#include "RaceResultFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "IniFile.h"
#include "LapLogFormat.h"
#include "SessionRun.h"
#include "Station.h"

namespace {

QString RunGapText(const Gap& gap, const csv::ExportFormat& format) {
    if (gap.laps > 0) {
        return gap.laps == 1 ? QStringLiteral("1 lap") : QStringLiteral("%1 laps").arg(gap.laps);
    }
    return gap.time > 0 ? csv::DecimalSeconds(gap.time, format) : QString();
}

}  // namespace

namespace {
QString BesideLapLog(const QString& session_file_path, const char* suffix) {
    const QFileInfo session(session_file_path);
    return LapsFolderPath(session.path()) + QLatin1Char('/') + session.completeBaseName() +
           QLatin1String(suffix);
}

QByteArray InvalidLapsCsv(const SessionRun& run, const Station& station,
                          const csv::ExportFormat& format) {
    QByteArray out(csv::kByteOrderMark);
    out += csv::Record({QStringLiteral("Kart"), QStringLiteral("Driver"),
                        QStringLiteral("Lap time"), QStringLiteral("Session time")},
                       format.separator);
    for (const SessionRun::InvalidLap& lap : run.invalid_laps()) {
        out += csv::Record(
            {QString::number(lap.slot), station.slot(lap.slot).driver_name.str(),
             csv::DecimalSeconds(lap.lap_time, format), csv::DecimalSeconds(lap.ended_at, format)},
            format.separator);
    }
    return out;
}
}  // namespace

QString RunResultPathFor(const QString& session_file_path) {
    return BesideLapLog(session_file_path, "-result.csv");
}

QString InvalidLapsPathFor(const QString& session_file_path) {
    return BesideLapLog(session_file_path, "-invalid-laps.csv");
}

QByteArray RunResultCsv(const SessionRun& run, const Station& station,
                        const csv::ExportFormat& format) {
    const char sep = format.separator;
    QByteArray out(csv::kByteOrderMark);
    out +=
        csv::Record({QStringLiteral("Position"), QStringLiteral("Kart"), QStringLiteral("Driver"),
                     QStringLiteral("Laps"), QStringLiteral("Total time"),
                     QStringLiteral("Best lap"), QStringLiteral("Gap to leader"),
                     QStringLiteral("Gap to kart ahead"), QStringLiteral("Finished")},
                    sep);
    for (const Standing& s : run.Standings()) {
        out += csv::Record(
            {QString::number(s.position), QString::number(s.slot),
             station.slot(s.slot).driver_name.str(), QString::number(s.tally.laps),
             csv::DecimalSeconds(s.tally.total_time, format),
             s.tally.best_lap > 0 ? csv::DecimalSeconds(s.tally.best_lap, format) : QString(),
             RunGapText(s.to_leader, format), RunGapText(s.to_ahead, format),
             s.tally.finished ? QStringLiteral("yes") : QStringLiteral("no")},
            sep);
    }
    return out;
}

QList<QStringList> ReadRunResult(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    // The separator is the locale's of the station that wrote it: the one after
    // the first head.
    const qsizetype after_head = bytes.indexOf("Position") + qsizetype(qstrlen("Position"));
    if (after_head < qsizetype(qstrlen("Position")) || after_head >= bytes.size()) {
        return {};
    }
    csv::Reader reader(bytes, bytes.at(after_head), csv::LineBreaks::kEndRecords);
    QList<QStringList> records;
    csv::ParsedRecord record;
    while (reader.Next(&record)) {
        if (!record.too_long && !record.unclosed_quote) {
            records.append(record.fields);
        }
    }
    return records;
}

bool WriteRunResult(const QString& session_file_path, const SessionRun* run, const Station& station,
                    QString* error_message) {
    if (run == nullptr) {
        return true;
    }
    const QString path = RunResultPathFor(session_file_path);
    QDir().mkpath(QFileInfo(path).path());
    if (!WriteFileAtomically(path, RunResultCsv(*run, station), error_message)) {
        return false;
    }
    if (run->invalid_laps().empty()) {
        return true;
    }
    return WriteFileAtomically(InvalidLapsPathFor(session_file_path),
                               InvalidLapsCsv(*run, station, csv::StationExportFormat()),
                               error_message);
}
