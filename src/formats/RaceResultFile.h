#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "CsvDialect.h"

class SessionRun;
class Station;

// The result of a session run under a format, which the session file cannot hold:
// positions, laps that count, total time, best lap and gaps, one row per ranked
// kart, best first. It sits beside the lap log:
//   Sessions/<day>/<yyyy_mm_dd_hh_mm>.txt  ->  Sessions/<day>/laps/<yyyy_mm_dd_hh_mm>-result.csv
QString RunResultPathFor(const QString& session_file_path);

// Laps outside the lap time window, which the lap log keeps as ordinary laps:
//   Sessions/<day>/laps/<yyyy_mm_dd_hh_mm>-invalid-laps.csv
// Kart, driver, lap time and the session time at which the lap ended (the lap
// log's column of the same name), written only when there were any.
QString InvalidLapsPathFor(const QString& session_file_path);

// The CSV in the exports' dialect, with a header row. Times and gaps in decimal
// seconds; a gap in laps as "1 lap", "2 laps"; the leader's gaps empty.
QByteArray RunResultCsv(const SessionRun& run, const Station& station,
                        const csv::ExportFormat& format = csv::StationExportFormat());

// The records of such a file (head row first), whichever separator it was written
// with; empty when there is none or it cannot be read.
QList<QStringList> ReadRunResult(const QString& path);

// Writes both for the session file just written; nothing (and true) without a run.
bool WriteRunResult(const QString& session_file_path, const SessionRun* run, const Station& station,
                    QString* error_message);
