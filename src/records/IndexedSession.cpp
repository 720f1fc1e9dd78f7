#include "IndexedSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>
#include <optional>

#include "LapLogFormat.h"
#include "SessionFile.h"

namespace {

// The numbers of "yyyy_MM_dd_HH_mm" read from the first `length` characters of a
// name (10: the date only, 16: with the time), by hand as the lap logs' times are:
// Qt 6.8's format parser is slow, and a rebuild reads every name of five years.
std::optional<std::array<int, 5>> NameFields(const QString& name, qsizetype length) {
    if (name.size() < length) {
        return std::nullopt;
    }
    std::array<int, 5> fields{};
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t c = name[i].unicode();
        if (i == 4 || i == 7 || i == 10 || i == 13) {
            if (c != u'_') {
                return std::nullopt;
            }
            continue;
        }
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        int& field = fields[size_t(i < 4 ? 0 : (i - 5) / 3 + 1)];
        field = field * 10 + (c - u'0');
    }
    return fields;
}

// "2012_05_31" (a day folder) -> 31 May 2012; invalid for other names.
QDate DayFromName(const QString& name) {
    const auto fields = NameFields(name, 10);
    return fields ? QDate((*fields)[0], (*fields)[1], (*fields)[2]) : QDate();
}

}  // namespace

QDateTime SessionEndFromName(const QString& file_name) {
    const auto fields = NameFields(file_name, 16);
    if (!fields) {
        return {};
    }
    const QDate date((*fields)[0], (*fields)[1], (*fields)[2]);
    const QTime time((*fields)[3], (*fields)[4]);
    return date.isValid() && time.isValid() ? QDateTime(date, time) : QDateTime();
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

IndexedSession ReadIndexedSession(const QString& session_path, qint64 modified_ms) {
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
    const QFileInfo info(session_path);
    QDateTime ended = SessionEndFromName(info.fileName());
    if (!ended.isValid()) {
        // A file renamed by hand: its day folder says the day (a copy made today
        // must not count as today's), the modification time what it can.
        ended = QDateTime::fromMSecsSinceEpoch(modified_ms);
        const QDate folder_day = DayFromName(info.dir().dirName());
        if (folder_day.isValid() && folder_day != ended.date()) {
            ended = QDateTime(folder_day, QTime(0, 0));
        }
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
