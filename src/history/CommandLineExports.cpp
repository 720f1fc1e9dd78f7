#include "CommandLineExports.h"

#include <QFileInfo>
#include <functional>

#include "DaySessions.h"
#include "IniFile.h"
#include "ResultCsv.h"
#include "SessionTimesheet.h"
#include "TimesheetRenderer.h"

namespace {

// The sheet of a session file handed to write; why nothing was written, or empty.
QString WriteSessionSheet(const QString& session_file, const QString& track,
                          const std::function<bool(const Timesheet&, QString*)>& write) {
    Timesheet sheet;
    QString error;
    if (!LoadSessionFileTimesheet(session_file, track, &sheet, &error) || !write(sheet, &error)) {
        return error;
    }
    return QString();
}

}  // namespace

QString ExportTimesheetPdf(const QString& session_file, const QString& pdf_path,
                           const QString& track) {
    return WriteSessionSheet(session_file, track, [&](const Timesheet& sheet, QString* error) {
        return WriteTimesheetPdf(pdf_path, sheet, error);
    });
}

QString ExportResultCsvFile(const QString& session_file, const QString& csv_path,
                            const QString& track) {
    return WriteSessionSheet(session_file, track, [&](const Timesheet& sheet, QString* error) {
        return WriteFileAtomically(csv_path, ExportResultCsv(sheet), error);
    });
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
