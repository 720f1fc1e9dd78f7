#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

#include "CsvDialect.h"
#include "LapRecord.h"
#include "SessionRecord.h"

// CSV for spreadsheets: one row per lap of one session or of a whole day (UTF-8 with
// a byte-order mark, quoted as RFC 4180; docs/lap-log.md says why). Decimal numbers
// and the separator follow the station's locale (csv::ExportFormat). Times come as
// "mm:ss.cc" text, as decimal seconds and as whole centiseconds. Where any lap has
// sector times, each row ends with its three sectors in decimal seconds.

struct ExportSession {
    QString label;                          // "2012-05-31 14:05"
    const SessionRecord* record = nullptr;  // its ten fastest laps per kart
    SessionLapLog log;                      // empty when the session has no lap log
};

// A session with laps in its log exports every lap in the order they happened; one
// without (recorded before the lap log existed) exports its ten fastest laps per
// kart, marked "ten fastest only" in the source column.
QByteArray ExportLapsCsv(const std::vector<ExportSession>& sessions,
                         const csv::ExportFormat& format = csv::StationExportFormat());

// The rows the export holds, and how many sessions had only their ten fastest.
struct ExportCount {
    int laps = 0;
    int ten_fastest_only = 0;
};
ExportCount CountExport(const std::vector<ExportSession>& sessions);
