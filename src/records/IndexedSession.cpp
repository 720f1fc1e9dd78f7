#include "IndexedSession.h"

#include <QFile>
#include <QFileInfo>

#include "LapLogFormat.h"
#include "SessionFile.h"

QDateTime SessionEndFromName(const QString& file_name) {
    return QDateTime::fromString(file_name.left(16), QStringLiteral("yyyy_MM_dd_HH_mm"));
}

namespace {

void AddTopTenLaps(const SessionRecord& record, const QDateTime& ended, IndexedSession* session) {
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        const KartSlot& kart = record.kart(slot);
        const QString name = kart.driver_name.str().trimmed();
        if (name.isEmpty()) {
            continue;
        }
        for (int j = 1; j <= kLapEntries; ++j) {
            const LapEntry& entry = kart.lap(j);
            if (entry.lap_time <= 0) {
                continue;
            }
            session->laps.push_back({name, slot, entry.lap_number, entry.lap_time, ended, true});
        }
    }
}

}  // namespace

IndexedSession ReadIndexedSession(const QString& session_path, const QDateTime& fallback_time) {
    IndexedSession session;
    QFile file(session_path);
    if (!file.open(QIODevice::ReadOnly)) {
        session.error = file.errorString();
        return session;
    }
    const QByteArray bytes = file.read(kMaxSessionFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        session.error = file.errorString();
        return session;
    }
    QDateTime ended = SessionEndFromName(QFileInfo(session_path).fileName());
    if (!ended.isValid()) {
        ended = fallback_time;
    }
    const SessionLapLog log = ReadLapLog(LapLogPathFor(session_path));
    for (const LapRecord& lap : log.laps) {
        const QString name = lap.driver_name.trimmed();
        if (lap.deleted || lap.lap_time <= 0 || name.isEmpty()) {
            continue;
        }
        const QDateTime at = lap.ended_at.isValid() ? lap.ended_at : ended;
        session.laps.push_back({name, lap.slot, lap.lap_number, lap.lap_time, at, false});
    }
    // A log that holds no lap standing (lost, unreadable, every lap deleted) leaves
    // the session file's own ten fastest.
    if (session.laps.empty() && log.laps.empty()) {
        SessionRecord record;
        ReadSessionFile(bytes, &record);
        AddTopTenLaps(record, ended, &session);
    }
    return session;
}
