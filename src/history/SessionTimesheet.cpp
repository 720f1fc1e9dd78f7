#include "SessionTimesheet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "IniFile.h"
#include "LapLogFormat.h"
#include "RaceResultFile.h"
#include "SessionFile.h"

namespace {

TimesheetAmendment& Amendment() {
    static TimesheetAmendment amendment;
    return amendment;
}

// The minute in a session file's name ("2012_05_31_14_05.txt"), invalid for other names.
QDateTime NamedMinute(const QString& file_name) {
    return QDateTime::fromString(QFileInfo(file_name).completeBaseName(),
                                 QStringLiteral("yyyy_MM_dd_HH_mm"));
}

void SetSessionTimes(const QString& session_file, Timesheet* sheet) {
    const QDateTime named = NamedMinute(session_file);
    if (!named.isValid()) {
        return;
    }
    QDateTime ended = named;
    const QDateTime written = QFileInfo(session_file).lastModified();
    if (written.isValid() && written >= named && written < named.addSecs(60)) {
        ended = written;
    }
    // The last lap was entered before the file was written.
    if (!sheet->ended.isValid() || sheet->ended < ended) {
        sheet->ended = ended;
    }
}

}  // namespace

void SetTimesheetAmendment(TimesheetAmendment amendment) {
    Amendment() = std::move(amendment);
}

int SessionNumberOfDay(const QString& session_file) {
    const QFileInfo file(session_file);
    const QStringList names = file.dir().entryList(QDir::Files, QDir::Name);
    const qsizetype index = names.indexOf(file.fileName());
    return index < 0 ? 0 : int(index) + 1;
}

Timesheet LoadSessionTimesheet(const SessionRecord& record, const QString& track) {
    const QString& session_file = record.file_path;
    const QString label = SessionLabel(QFileInfo(session_file).fileName());
    Timesheet sheet;
    bool from_log = false;
    if (!session_file.isEmpty()) {
        const SessionLapLog log = ReadLapLog(LapLogPathFor(session_file));
        // A log without a single readable lap knows less than the session file.
        if (!log.laps.empty()) {
            sheet = TimesheetFromLapLog(log, label);
            from_log = true;
        }
    }
    if (!from_log) {
        sheet = TimesheetFromSessionRecord(record, label);
    }
    sheet.track = track;
    if (!session_file.isEmpty()) {
        sheet.session_number = SessionNumberOfDay(session_file);
        SetSessionTimes(session_file, &sheet);
        sheet.run_result = ReadRunResult(RunResultPathFor(session_file));
        if (Amendment()) {
            Amendment()(session_file, &sheet);
        }
    }
    return sheet;
}

bool LoadSessionFileTimesheet(const QString& session_file, const QString& track, Timesheet* sheet,
                              QString* error) {
    const QFileInfo info(session_file);
    QFile file(session_file);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: no such session file").arg(session_file);
        return false;
    }
    const QByteArray bytes = file.read(kMaxSessionFileBytes + 1);
    if (IniFile::FromBytes(bytes).Entries(QStringLiteral("Ustawienia")).isEmpty()) {
        *error =
            QStringLiteral("%1: not a session file (no [Ustawienia] section)").arg(session_file);
        return false;
    }
    SessionRecord record;
    record.file_path = info.absoluteFilePath();
    ReadSessionFile(bytes, &record);
    *sheet = LoadSessionTimesheet(record, track);
    return true;
}
