// What the live board and the timesheets ask of the records index.
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include "RecordsDatabase.h"
#include "RecordsIndex.h"

QDateTime RecordsIndex::FirstLapAt(const QString& session_path) {
    QSqlQuery query(database_->db());
    query.prepare(
        QStringLiteral("SELECT MIN(l.at) FROM laps l JOIN files f ON f.id = l.file_id"
                       " WHERE f.path = ?"));
    query.addBindValue(IndexedPath(session_path));
    if (!query.exec() || !query.next() || query.value(0).isNull()) {
        return QDateTime();
    }
    return QDateTime::fromString(query.value(0).toString(), kRecordsTimeFormat);
}

RecordsBoard RecordsIndex::Board(const QDate& today) {
    RecordsBoard board;
    board.day = today;
    if (!database_->ok()) {
        return board;
    }
    if (const auto day = Top(RecordPeriod::kDay, today, 1); !day.empty()) {
        board.day_best = day.front();
    }
    if (const auto month = Top(RecordPeriod::kMonth, today, 1); !month.empty()) {
        board.month_best = month.front();
    }
    // Every key, aliases included, with the best of the driver it counts as: the
    // board looks a driver up by the name in the kart, without asking the index.
    QSqlQuery query(database_->db());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral(
            "SELECT d.key, t.best FROM drivers d LEFT JOIN merges m ON m.alias_id = d.id JOIN"
            " (SELECT COALESCE(a.target_id, b.driver_id) AS who, MIN(b.lap_time) AS best"
            "  FROM year_best b LEFT JOIN merges a ON a.alias_id = b.driver_id GROUP BY who) t"
            " ON t.who = COALESCE(m.target_id, d.id)"))) {
        Fail(query.lastError());
        return board;
    }
    while (query.next()) {
        board.driver_bests.insert(query.value(0).toString(), query.value(1).toInt());
    }
    return board;
}

bool RecordsIndex::IsFilled() {
    QSqlQuery query(database_->db());
    return database_->ok() && query.exec(QStringLiteral("SELECT COUNT(*) FROM filled")) &&
           query.next() && query.value(0).toInt() > 0;
}

void RecordsIndex::MarkFilled() {
    if (IsFilled()) {
        return;
    }
    ExecSql(database_->db(),
            QStringLiteral("INSERT INTO filled(at) VALUES('%1')")
                .arg(QDateTime::currentDateTime().toString(kRecordsTimeFormat)),
            nullptr);
}
