#include "CommandLineExports.h"

#include <QFileInfo>

#include "DaySessions.h"
#include "IniFile.h"
#include "ResultCsv.h"
#include "SessionTimesheet.h"
#include "TimesheetRenderer.h"

QString ExportTimesheetPdf(const QString& session_file, const QString& pdf_path,
                           const QString& track) {
    Timesheet sheet;
    QString error;
    if (!LoadSessionFileTimesheet(session_file, track, &sheet, &error)) {
        return error;
    }
    if (!WriteTimesheetPdf(pdf_path, sheet, &error)) {
        return error;
    }
    return QString();
}

QString ExportResultCsvFile(const QString& session_file, const QString& csv_path,
                            const QString& track) {
    Timesheet sheet;
    QString error;
    if (!LoadSessionFileTimesheet(session_file, track, &sheet, &error)) {
        return error;
    }
    if (!WriteFileAtomically(csv_path, ExportResultCsv(sheet), &error)) {
        return error;
    }
    return QString();
}

QString ExportDayLapsCsv(const QString& day_folder, const QString& csv_path) {
    if (!QFileInfo(day_folder).isDir()) {
        return QStringLiteral("%1: no such day folder").arg(day_folder);
    }
    const DaySessions day = LoadDaySessionsForExport(day_folder);
    if (!day.error.isEmpty()) {
        return day.error;
    }
    if (day.sessions.empty()) {
        return QStringLiteral("%1: no session files in this folder").arg(day_folder);
    }
    QString error;
    if (!WriteFileAtomically(csv_path, ExportLapsCsv(day.sessions), &error)) {
        return error;
    }
    return QString();
}
