#pragma once

#include <QString>

// The exports a track runs from the command line (a nightly job that publishes the
// day's results on its web site). Each writes one file, replaced only once it is
// complete, and returns an empty text, or why it wrote nothing, in one line.

// Every driver's sheet of a session file as one PDF (the summary page first).
QString ExportTimesheetPdf(const QString& session_file, const QString& pdf_path,
                           const QString& track);
// The ranked result of a session file as CSV.
QString ExportResultCsvFile(const QString& session_file, const QString& csv_path,
                            const QString& track);
// Every lap of every session file of a day folder as CSV.
QString ExportDayLapsCsv(const QString& day_folder, const QString& csv_path);
