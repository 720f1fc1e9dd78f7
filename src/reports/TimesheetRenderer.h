#pragma once

#include <QString>

class QPagedPaintDevice;
class QPrinter;
struct Timesheet;

// Paints a timesheet, one page per driver (more when a driver's laps do not fit),
// after a session summary page when it holds more than one driver, onto a PDF writer
// or a printer. Every time is printed in the session file's form
// (FormatLapTime) and every gap as FormatGap, so the sheet reads like the station.
// Returns false (with error) when the device cannot be painted on.
bool RenderTimesheet(QPagedPaintDevice& device, const Timesheet& sheet, QString* error);

// Writes the sheet as an A4 PDF file, replacing path only once it is complete.
bool WriteTimesheetPdf(const QString& path, const Timesheet& sheet, QString* error);

// Prints the sheet on a printer set up by the caller (QPrintDialog).
bool PrintTimesheet(QPrinter& printer, const Timesheet& sheet, QString* error);
