// The records index's reads and the operator's merges.
#include <QDir>
#include <QSqlError>
#include <QSqlQuery>

#include "RecordsDatabase.h"
#include "RecordsIndex.h"
#include "RecordsMerges.h"

namespace {

// The driver a key counts as, and every id whose laps are theirs: the driver
// and each name merged into them.
struct DriverIds {
    qint64 target = 0;
    QString id_list;  // "3, 17", for an IN (...) clause
};

DriverIds IdsOf(QSqlDatabase& db, const QString& key) {
    DriverIds ids;
    QSqlQuery find(db);
    find.prepare(
        QStringLiteral("SELECT COALESCE(m.target_id, d.id) FROM drivers d LEFT JOIN merges m"
                       " ON m.alias_id = d.id WHERE d.key = ?"));
    find.addBindValue(key);
    if (!find.exec() || !find.next()) {
        return ids;
    }
    ids.target = find.value(0).toLongLong();
    ids.id_list = QString::number(ids.target);
    QSqlQuery aliases(db);
    aliases.prepare(QStringLiteral("SELECT alias_id FROM merges WHERE target_id = ?"));
    aliases.addBindValue(ids.target);
    if (aliases.exec()) {
        while (aliases.next()) {
            ids.id_list += QStringLiteral(", ") + QString::number(aliases.value(0).toLongLong());
        }
    }
    return ids;
}

}  // namespace

std::vector<RecordRow> RecordsIndex::Top(RecordPeriod period, const QDate& today, int count) {
    std::vector<RecordRow> rows;
    last_error_.clear();
    if (!database_->ok()) {
        last_error_ = database_->error();
        return rows;
    }
    const DayRange range = RangeOf(period, today);
    // All time reads each driver's yearly bests: a few per driver.
    QString table = QStringLiteral("year_best");
    QString where = QStringLiteral("1");
    if (period == RecordPeriod::kDay || period == RecordPeriod::kWeek) {
        table = QStringLiteral("day_best");
        where = QStringLiteral("b.day BETWEEN %1 AND %2")
                    .arg(range.first.toJulianDay())
                    .arg(range.last.toJulianDay());
    } else if (period == RecordPeriod::kMonth) {
        table = QStringLiteral("month_best");
        where = QStringLiteral("b.month BETWEEN %1 AND %2")
                    .arg(MonthNumber(range.first))
                    .arg(MonthNumber(range.last));
    } else if (period == RecordPeriod::kYear) {
        where = QStringLiteral("b.year BETWEEN %1 AND %2")
                    .arg(range.first.year())
                    .arg(range.last.year());
    }
    QSqlQuery query(database_->db());
    query.setForwardOnly(true);
    const QString sql =
        QStringLiteral(
            "SELECT d.name, d.key, t.best, t.at, t.slot FROM"
            " (SELECT COALESCE(m.target_id, b.driver_id) AS who, MIN(b.lap_time) AS best,"
            "  b.at AS at, b.slot AS slot FROM %1 b LEFT JOIN merges m ON m.alias_id = b.driver_id"
            "  WHERE %2 GROUP BY who) t"
            " JOIN drivers d ON d.id = t.who ORDER BY t.best, t.at, d.key LIMIT %3")
            .arg(table, where)
            .arg(count > 0 ? count : -1);
    if (!query.exec(sql)) {
        Fail(query.lastError());
        return rows;
    }
    while (query.next()) {
        RecordRow row;
        row.name = query.value(0).toString();
        row.key = query.value(1).toString();
        row.best_lap = query.value(2).toInt();
        row.at = QDateTime::fromString(query.value(3).toString(), kRecordsTimeFormat);
        row.slot = query.value(4).toInt();
        // Equal best laps share a place, as on the timesheets.
        const bool tied = !rows.empty() && rows.back().best_lap == row.best_lap;
        row.rank = tied ? rows.back().rank : int(rows.size()) + 1;
        rows.push_back(row);
    }
    return rows;
}

int RecordsIndex::RankOf(const QString& key, RecordPeriod period, const QDate& today) {
    const QString target_key = CountedAs(key);
    if (target_key.isEmpty()) {
        return 0;
    }
    for (const RecordRow& row : Top(period, today, 0)) {
        if (row.key == target_key) {
            return row.rank;
        }
    }
    return 0;
}

QString RecordsIndex::CountedAs(const QString& key) {
    const DriverIds ids = IdsOf(database_->db(), key);
    QSqlQuery name(database_->db());
    name.prepare(QStringLiteral("SELECT key FROM drivers WHERE id = ?"));
    name.addBindValue(ids.target);
    if (ids.target == 0 || !name.exec() || !name.next()) {
        return QString();
    }
    return name.value(0).toString();
}

qint32 RecordsIndex::BestBefore(const QString& key, const QDateTime& before,
                                const QString& session_path) {
    const DriverIds ids = IdsOf(database_->db(), key);
    if (ids.target == 0) {
        return 0;
    }
    QSqlQuery query(database_->db());
    qint64 own_id = 0;
    bool newest = true;
    if (!session_path.isEmpty()) {
        query.prepare(QStringLiteral(
            "SELECT f.id, f.id = (SELECT MAX(id) FROM files) FROM files f WHERE f.path = ?"));
        query.addBindValue(IndexedPath(session_path));
        if (query.exec() && query.next()) {
            own_id = query.value(0).toLongLong();
            newest = query.value(1).toBool();
        }
    }
    // The session indexed last (or not yet) came after every lap the index holds,
    // whatever the clock said: one set back would hide the laps "after" it.
    const bool every_other = !session_path.isEmpty() && newest;
    query.prepare(QStringLiteral("SELECT MIN(lap_time) FROM laps WHERE driver_id IN (%1) AND"
                                 " file_id != ? AND (? OR at < ?)")
                      .arg(ids.id_list));
    query.addBindValue(own_id);
    query.addBindValue(every_other ? 1 : 0);
    query.addBindValue(before.toString(kRecordsTimeFormat));
    return query.exec() && query.next() ? query.value(0).toInt() : 0;
}

std::optional<DriverHistory> RecordsIndex::Driver(const QString& key) {
    QSqlDatabase& db = database_->db();
    const DriverIds ids = IdsOf(db, key);
    if (ids.target == 0) {
        return std::nullopt;
    }
    DriverHistory history;
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT key, name FROM drivers WHERE id = ?"));
    query.addBindValue(ids.target);
    if (query.exec() && query.next()) {
        history.key = query.value(0).toString();
        history.name = query.value(1).toString();
    }
    if (query.exec(QStringLiteral("SELECT COUNT(DISTINCT file_id), COUNT(*), MIN(lap_time) FROM"
                                  " laps WHERE driver_id IN (%1)")
                       .arg(ids.id_list)) &&
        query.next()) {
        history.sessions = query.value(0).toInt();
        history.laps = query.value(1).toInt();
        history.best_lap = query.value(2).toInt();
    }
    if (query.exec(QStringLiteral("SELECT day, MIN(lap_time) FROM day_best WHERE driver_id IN"
                                  " (%1) GROUP BY day ORDER BY day")
                       .arg(ids.id_list))) {
        while (query.next()) {
            history.day_bests.push_back(
                {QDate::fromJulianDay(query.value(0).toLongLong()), query.value(1).toInt()});
        }
    }
    if (query.exec(QStringLiteral("SELECT month, MIN(lap_time) FROM month_best WHERE driver_id"
                                  " IN (%1) GROUP BY month ORDER BY month")
                       .arg(ids.id_list))) {
        while (query.next()) {
            const int month = query.value(0).toInt();
            history.month_bests.push_back(
                {QDate(month / 12, month % 12 + 1, 1), query.value(1).toInt()});
        }
    }
    return history;
}

std::vector<DriverName> RecordsIndex::Drivers() {
    std::vector<DriverName> names;
    QSqlQuery query(database_->db());
    if (!query.exec(QStringLiteral("SELECT d.key, d.name, t.key FROM drivers d LEFT JOIN merges m"
                                   " ON m.alias_id = d.id LEFT JOIN drivers t ON t.id ="
                                   " m.target_id ORDER BY d.key"))) {
        Fail(query.lastError());
        return names;
    }
    while (query.next()) {
        names.push_back(
            {query.value(0).toString(), query.value(1).toString(), query.value(2).toString()});
    }
    return names;
}

bool RecordsIndex::ApplyMerges() {
    if (!database_->ok()) {
        return Fail(database_->error());
    }
    const QHash<QString, QString> merges =
        RecordsMerges::Load(RecordsMerges::PathIn(program_folder_)).Resolved();
    QSqlDatabase& db = database_->db();
    if (!Exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        return false;
    }
    bool ok = Exec(QStringLiteral("DELETE FROM merges"));
    // Names not indexed yet are left out; the update after their first laps adds them.
    QSqlQuery add(db);
    add.prepare(QStringLiteral(
        "INSERT INTO merges(alias_id, target_id) SELECT a.id, t.id FROM drivers a, drivers t"
        " WHERE a.key = ? AND t.key = ?"));
    for (auto it = merges.cbegin(); ok && it != merges.cend(); ++it) {
        add.addBindValue(it.key());
        add.addBindValue(it.value());
        ok = add.exec() || Fail(add.lastError());
    }
    if (ok && Exec(QStringLiteral("COMMIT"))) {
        return true;
    }
    ExecSql(db, QStringLiteral("ROLLBACK"), nullptr);
    driver_ids_.clear();
    return false;
}

bool RecordsIndex::Merge(const QString& alias_key, const QString& target_key) {
    const QString path = RecordsMerges::PathIn(program_folder_);
    RecordsMerges merges = RecordsMerges::Load(path);
    merges.Merge(alias_key, target_key);
    QString error;
    if (!merges.Save(path, &error)) {
        return Fail(error);
    }
    return ApplyMerges();
}

bool RecordsIndex::Unmerge(const QString& alias_key) {
    const QString path = RecordsMerges::PathIn(program_folder_);
    RecordsMerges merges = RecordsMerges::Load(path);
    merges.Unmerge(alias_key);
    QString error;
    if (!merges.Save(path, &error)) {
        return Fail(error);
    }
    return ApplyMerges();
}
