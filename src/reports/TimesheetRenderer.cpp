#include "TimesheetRenderer.h"

#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>

#include "DriverPage.h"
#include "SheetCanvas.h"
#include "SummaryPage.h"
#include "Timesheet.h"

bool RenderTimesheet(QPagedPaintDevice& device, const Timesheet& sheet, QString* error) {
    QPainter painter;
    if (!painter.begin(&device)) {
        if (error) {
            *error = QStringLiteral("The timesheet could not be started on this device.");
        }
        return false;
    }
    SheetCanvas canvas(device, painter, sheet);
    if (sheet.drivers.empty()) {
        PaintDriverPages(canvas, DriverSheet{});
    }
    // A sheet of more than one driver starts with the session on one page.
    const bool summary = sheet.drivers.size() > 1;
    if (summary) {
        painter.save();
        PaintSummaryPage(canvas);
        painter.restore();
    }
    for (size_t i = 0; i < sheet.drivers.size(); ++i) {
        if (i > 0 || summary) {
            device.newPage();
        }
        painter.save();
        PaintDriverPages(canvas, sheet.drivers[i]);
        painter.restore();
    }
    painter.end();
    return true;
}

QPageLayout TimesheetPageLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                       QPageLayout::Millimeter);
}

bool WriteTimesheetPdf(const QString& path, const Timesheet& sheet, QString* error) {
    // Written aside and renamed when complete, so a full disk never leaves half a sheet.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) {
            *error = QStringLiteral("%1 could not be written: %2").arg(path, file.errorString());
        }
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setTitle(QStringLiteral("Timesheet %1").arg(sheet.session_label));
        writer.setCreator(sheet.station);
        writer.setResolution(300);
        writer.setPageLayout(TimesheetPageLayout());
        if (!RenderTimesheet(writer, sheet, error)) {
            file.cancelWriting();
            return false;
        }
    }
    if (!file.commit()) {
        if (error) {
            *error = QStringLiteral("%1 could not be written: %2").arg(path, file.errorString());
        }
        return false;
    }
    return true;
}

bool PrintTimesheet(QPrinter& printer, const Timesheet& sheet, QString* error) {
    // The print dialog keeps the paper chosen there, but a printer's own default
    // margins can be a few millimetres: the sheet gets the same margins as its PDF.
    printer.setFullPage(false);
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageMargins(TimesheetPageLayout().margins(), QPageLayout::Millimeter);
    return RenderTimesheet(printer, sheet, error);
}
