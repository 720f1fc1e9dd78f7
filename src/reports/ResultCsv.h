#pragma once

#include <QByteArray>

#include "CsvDialect.h"

struct Timesheet;

// The ranked result of a session as CSV for spreadsheets and web sites, in the
// exports' dialect (UTF-8 with a byte-order mark, the locale's separators): one row
// per ranked driver, fastest first, with a header row. Gaps are decimal seconds;
// the fastest driver's gap to the one ahead is empty. `source` says whether the
// lap counts are every lap ("lap log") or only the ten fastest that were kept.
QByteArray ExportResultCsv(const Timesheet& sheet,
                           const csv::ExportFormat& format = csv::StationExportFormat());
