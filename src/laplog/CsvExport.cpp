#include "CsvExport.h"

#include <algorithm>

#include "CsvDialect.h"
#include "LapLogFormat.h"

namespace {

const QStringList kHeader = {
    QStringLiteral("session"),     QStringLiteral("source"),      QStringLiteral("slot"),
    QStringLiteral("driver"),      QStringLiteral("serial"),      QStringLiteral("radio"),
    QStringLiteral("lap"),         QStringLiteral("lap_time"),    QStringLiteral("lap_seconds"),
    QStringLiteral("lap_time_cs"), QStringLiteral("top_ten"),     QStringLiteral("rpm_max"),
    QStringLiteral("rpm_min"),     QStringLiteral("time_of_day"), QStringLiteral("session_time")};

const QString kFromLog = QStringLiteral("lap log");
const QString kTenFastest = QStringLiteral("ten fastest only");

QString Flag(bool value) {
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

QStringList LogRow(const QString& session, const LapRecord& lap) {
    return {session,
            kFromLog,
            QString::number(lap.slot),
            lap.driver_name,
            QString::number(quint32(lap.serial_number)),
            Flag(lap.radio),
            QString::number(lap.lap_number),
            LapTimeText(lap.lap_time),
            DecimalSeconds(lap.lap_time),
            QString::number(lap.lap_time),
            Flag(lap.entered_top_ten),
            QString::number(lap.rpm_max),
            QString::number(lap.rpm_min),
            lap.ended_at.isValid() ? lap.ended_at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                   : QString(),
            LapTimeText(lap.session_time)};
}

QStringList TopTenRow(const QString& session, int slot, const KartSlot& kart,
                      const LapEntry& entry) {
    return {session,
            kTenFastest,
            QString::number(slot),
            kart.driver_name,
            QString::number(quint32(kart.serial_number)),
            Flag(kart.radio),
            QString::number(entry.lap_number),
            LapTimeText(entry.lap_time),
            DecimalSeconds(entry.lap_time),
            QString::number(entry.lap_time),
            Flag(true),
            QString::number(entry.rpm_max),
            QString::number(entry.rpm_min),
            QString(),
            QString()};
}

// Stored entries of a kart's table, by lap number: the order they were driven.
std::vector<const LapEntry*> StoredLaps(const KartSlot& kart) {
    std::vector<const LapEntry*> entries;
    for (int j = 1; j <= kLapEntries; ++j) {
        if (kart.lap(j).lap_time > 0) {
            entries.push_back(&kart.lap(j));
        }
    }
    std::stable_sort(entries.begin(), entries.end(), [](const LapEntry* a, const LapEntry* b) {
        return a->lap_number < b->lap_number;
    });
    return entries;
}

}  // namespace

QByteArray ExportLapsCsv(const std::vector<ExportSession>& sessions) {
    QByteArray out(csv::kByteOrderMark);
    out += csv::Record(kHeader);
    for (const ExportSession& session : sessions) {
        if (!session.log.laps.empty()) {
            for (const LapRecord& lap : session.log.laps) {
                if (!lap.deleted) {  // taken back by a lap correction
                    out += csv::Record(LogRow(session.label, lap));
                }
            }
            continue;
        }
        if (session.record == nullptr) {
            continue;
        }
        for (int slot = 1; slot <= kSlotCount; ++slot) {
            const KartSlot& kart = session.record->kart(slot);
            for (const LapEntry* entry : StoredLaps(kart)) {
                out += csv::Record(TopTenRow(session.label, slot, kart, *entry));
            }
        }
    }
    return out;
}

ExportCount CountExport(const std::vector<ExportSession>& sessions) {
    ExportCount count;
    for (const ExportSession& session : sessions) {
        if (!session.log.laps.empty()) {
            count.laps += int(std::count_if(session.log.laps.begin(), session.log.laps.end(),
                                            [](const LapRecord& lap) { return !lap.deleted; }));
            continue;
        }
        ++count.ten_fastest_only;
        for (int slot = 1; session.record && slot <= kSlotCount; ++slot) {
            count.laps += int(StoredLaps(session.record->kart(slot)).size());
        }
    }
    return count;
}
