#include "SessionTimesheet.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "LapLogFormat.h"
#include "SessionFile.h"

QString TodaysSessionFilePath(const QString& program_folder, const QString& title) {
    const QString label = title.section(QStringLiteral(" : "), 1);
    const QDateTime ended_at = QDateTime::fromString(label, QStringLiteral("yyyy-MM-dd HH:mm"));
    if (!ended_at.isValid()) {
        return {};
    }
    return SessionFilePath(program_folder, ended_at);
}

Timesheet LoadSessionTimesheet(const SessionRecord& record, const QString& session_file) {
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
