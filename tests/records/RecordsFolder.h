#pragma once

#include <QDateTime>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <algorithm>
#include <vector>

#include "KartSlot.h"
#include "LapLogFormat.h"
#include "SessionFile.h"
#include "TempFolder.h"

// Session files and lap logs written into a test's program folder as the station
// writes them.
struct TestKart {
    QString name;
    std::vector<qint32> laps;  // centiseconds, in the order driven
};

inline QString WriteTestSession(const TempFolder& folder, const QDateTime& ended,
                                const std::vector<TestKart>& karts) {
    std::array<KartSlot, kSlotCount> kart_table{};
    std::array<const KartSlot*, kSlotCount> pointers{};
    for (size_t s = 0; s < kart_table.size(); ++s) {
        pointers[s] = &kart_table[s];
        if (s >= karts.size()) {
            continue;
        }
        kart_table[s].driver_name = karts[s].name;
        std::vector<qint32> fastest = karts[s].laps;
        std::sort(fastest.begin(), fastest.end());
        for (size_t j = 0; j < fastest.size() && j < size_t(kLapEntries); ++j) {
            kart_table[s].lap(int(j) + 1).lap_time = fastest[j];
            kart_table[s].lap(int(j) + 1).lap_number = int(j) + 1;
        }
    }
    const QString path = SessionFilePath(folder.path(), ended);
    folder.Write(path.mid(folder.path().size()), SessionFileText(pointers).toUtf8());
    return path;
}

// The lap log of a session file: every lap of every kart, one minute apart
// before the end; deleted_slot/deleted_lap (1-based) names a lap taken back.
inline void WriteTestLapLog(const QString& session_path, const QDateTime& ended,
                            const std::vector<TestKart>& karts, int deleted_slot = 0,
                            int deleted_lap = 0) {
    QByteArray bytes = LapLogHeader();
    for (size_t s = 0; s < karts.size(); ++s) {
        for (size_t j = 0; j < karts[s].laps.size(); ++j) {
            LapRecord lap;
            lap.slot = int(s) + 1;
            lap.driver_name = karts[s].name;
            lap.lap_number = int(j) + 1;
            lap.lap_time = karts[s].laps[j];
            lap.session_time = 6000 * qint64(j + 1);
            lap.ended_at = ended.addSecs(-60 * qint64(karts[s].laps.size() - j));
            bytes += LapLogLine(lap);
            if (lap.slot == deleted_slot && lap.lap_number == deleted_lap) {
                LapCorrectionRecord correction;
                correction.slot = lap.slot;
                correction.driver_name = lap.driver_name;
                correction.lap_number = lap.lap_number;
                correction.lap_time = lap.lap_time;
                correction.lap_session_time = lap.session_time;
                correction.at = lap.ended_at;
                bytes += LapLogLine(correction);
            }
        }
    }
    const QString path = LapLogPathFor(session_path);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile out(path);
    if (out.open(QIODevice::WriteOnly)) {
        out.write(bytes);
    }
}

// Overwrites the root page of one table or index of an SQLite file with garbage,
// leaving the header and every other page as they were.
inline void GarbleBtree(const QString& database_path, const QString& name) {
    qint64 page_size = 0;
    qint64 root = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(database_path);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("PRAGMA page_size")) && query.next()) {
                page_size = query.value(0).toLongLong();
            }
            query.prepare(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = ?"));
            query.addBindValue(name);
            if (query.exec() && query.next()) {
                root = query.value(0).toLongLong();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    QFile file(database_path);
    if (root > 1 && file.open(QIODevice::ReadWrite) && file.seek((root - 1) * page_size)) {
        file.write(QByteArray(int(page_size), '\x5a'));
    }
}
