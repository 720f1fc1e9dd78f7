#include "CsvExport.h"

#include <algorithm>

#include "LapLogFormat.h"
#include "LapSectors.h"

namespace {

const QStringList kHeader = {
    QStringLiteral("session"),     QStringLiteral("source"),      QStringLiteral("slot"),
    QStringLiteral("driver"),      QStringLiteral("serial"),      QStringLiteral("radio"),
    QStringLiteral("lap"),         QStringLiteral("lap_time"),    QStringLiteral("lap_seconds"),
    QStringLiteral("lap_time_cs"), QStringLiteral("top_ten"),     QStringLiteral("rpm_max"),
    QStringLiteral("rpm_min"),     QStringLiteral("time_of_day"), QStringLiteral("session_time")};

const QStringList kSectorHeader = {QStringLiteral("sector_1"), QStringLiteral("sector_2"),
                                   QStringLiteral("sector_3")};

const QString kFromLog = QStringLiteral("lap log");
const QString kTenFastest = QStringLiteral("ten fastest only");

QString Flag(bool value) {
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

QStringList LogRow(const QString& session, const LapRecord& lap, const csv::ExportFormat& format) {
    return {session,
            kFromLog,
            QString::number(lap.slot),
            lap.driver_name,
            QString::number(quint32(lap.serial_number)),
            Flag(lap.radio),
            QString::number(lap.lap_number),
            LapTimeText(lap.lap_time),
            csv::DecimalSeconds(lap.lap_time, format),
            QString::number(lap.lap_time),
            Flag(lap.entered_top_ten),
            QString::number(lap.rpm_max),
            QString::number(lap.rpm_min),
            lap.ended_at.isValid() ? lap.ended_at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                   : QString(),
            LapTimeText(lap.session_time)};
}

QStringList TopTenRow(const QString& session, int slot, const KartSlot& kart, const LapEntry& entry,
                      const csv::ExportFormat& format) {
    return {session,
            kTenFastest,
            QString::number(slot),
            kart.driver_name,
            QString::number(quint32(kart.serial_number)),
            Flag(kart.radio),
            QString::number(entry.lap_number),
            LapTimeText(entry.lap_time),
            csv::DecimalSeconds(entry.lap_time, format),
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

QByteArray ExportLapsCsv(const std::vector<ExportSession>& sessions,
                         const csv::ExportFormat& format) {
    std::vector<std::vector<SectorTimes>> sectors;
    bool with_sectors = false;
    for (const ExportSession& session : sessions) {
        sectors.push_back(SectorsOfLaps(session.log));
        with_sectors = with_sectors || HasSectorTimes(sectors.back());
    }
    QByteArray out(csv::kByteOrderMark);
    out += csv::Record(with_sectors ? kHeader + kSectorHeader : kHeader, format.separator);
    for (size_t k = 0; k < sessions.size(); ++k) {
        const ExportSession& session = sessions[k];
        if (!session.log.laps.empty()) {
            for (size_t i = 0; i < session.log.laps.size(); ++i) {
                const LapRecord& lap = session.log.laps[i];
                if (lap.deleted) {  // taken back by a lap correction
                    continue;
                }
                QStringList row = LogRow(session.label, lap, format);
                if (with_sectors) {
                    for (const qint32 time : sectors[k][i]) {
                        row << (time > 0 ? csv::DecimalSeconds(time, format) : QString());
                    }
                }
                out += csv::Record(row, format.separator);
            }
            continue;
        }
        if (session.record == nullptr) {
            continue;
        }
        for (int slot = 1; slot <= kSlotCount; ++slot) {
            const KartSlot& kart = session.record->kart(slot);
            for (const LapEntry* entry : StoredLaps(kart)) {
                QStringList row = TopTenRow(session.label, slot, kart, *entry, format);
                if (with_sectors) {
                    row << QString() << QString() << QString();
                }
                out += csv::Record(row, format.separator);
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
