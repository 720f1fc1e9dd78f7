#include "DaySessions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "LapLogFormat.h"
#include "SessionFile.h"

ExportSession ExportSessionOf(const SessionRecord& record) {
    ExportSession session;
    const QString name = QFileInfo(record.file_path).fileName();
    session.label = SessionLabel(name).isEmpty() ? name : SessionLabel(name);
    session.record = &record;
    if (!record.file_path.isEmpty()) {
        session.log = ReadLapLog(LapLogPathFor(record.file_path));
    }
    return session;
}

DaySessions LoadDaySessionsForExport(const QString& day_folder) {
    DaySessions day;
    const QFileInfo folder(day_folder);
    if (!folder.exists()) {
        return day;
    }
    if (!folder.isDir() || !folder.isReadable()) {
        day.error = QStringLiteral("Cannot read the session folder %1")
                        .arg(QDir::toNativeSeparators(day_folder));
        return day;
    }
    // Every ordinary file, as the day loaders list them; laps/ is a folder.
    const QDir dir(day_folder);
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
        auto record = std::make_unique<SessionRecord>();
        record->file_path = dir.filePath(name);
        QFile file(record->file_path);
        ReadSessionFile(
            file.open(QIODevice::ReadOnly) ? file.read(kMaxSessionFileBytes + 1) : QByteArray(),
            record.get());
        day.sessions.push_back(ExportSessionOf(*record));
        for (const QString& line : day.sessions.back().log.skipped) {
            day.skipped.append(day.sessions.back().label + QStringLiteral(", ") + line);
        }
        day.records.push_back(std::move(record));
    }
    return day;
}
