#include "SessionTimesheet.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "LapLogFormat.h"
#include "SessionFile.h"

Timesheet LoadSessionTimesheet(const SessionRecord& record) {
    const QString& session_file = record.file_path;
    const QString label = SessionLabel(QFileInfo(session_file).fileName());
    if (!session_file.isEmpty()) {
        const SessionLapLog log = ReadLapLog(LapLogPathFor(session_file));
        // A log without a single readable lap knows less than the session file.
        if (!log.laps.empty()) {
            return TimesheetFromLapLog(log, label);
        }
    }
    return TimesheetFromSessionRecord(record, label);
}

QString TimesheetFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}
