#pragma once

#include <QPageLayout>
#include <QString>

class QPagedPaintDevice;
class QPrinter;
struct Timesheet;

// Paints a timesheet, one page per driver (more when a driver's laps do not fit),
// after a session summary page when it holds more than one driver, onto a PDF writer
// or a printer. Lap times are printed in the session file's form (FormatLapTime),
// so the sheet reads like the station; gaps whole (FormatFullGap).
// Returns false (with error) when the device cannot be painted on.
bool RenderTimesheet(QPagedPaintDevice& device, const Timesheet& sheet, QString* error);

// A4 portrait with 15 mm margins, on paper and in PDFs alike.
QPageLayout TimesheetPageLayout();

// Writes the sheet as an A4 PDF file, replacing path only once it is complete.
bool WriteTimesheetPdf(const QString& path, const Timesheet& sheet, QString* error);

// Prints the sheet on a printer set up by the caller (QPrintDialog or the default
// printer), with the margins of TimesheetPageLayout.
bool PrintTimesheet(QPrinter& printer, const Timesheet& sheet, QString* error);
