#include "RecordsBests.h"

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>

#include "RecordPeriod.h"

namespace {

// Binds the values in order and runs the statement.
bool ExecWith(QSqlQuery& query, std::initializer_list<QVariant> values, QSqlError* error) {
    for (const QVariant& value : values) {
        query.addBindValue(value);
    }
    if (query.exec()) {
        return true;
    }
    *error = query.lastError();
    return false;
}

// A new best replaces the one kept only when faster, or as fast and earlier.
QString UpsertSql(const QString& table, const QString& period_columns) {
    // driver_id, the period columns, lap_time, slot, at
    const QStringList marks(int(period_columns.count(QLatin1Char(','))) + 5, QStringLiteral("?"));
    const QString conflict = period_columns.section(QLatin1Char(','), 0, 0).trimmed();
    return QStringLiteral(
               "INSERT INTO %1(driver_id, %2, lap_time, slot, at) VALUES(%3)"
               " ON CONFLICT(driver_id, %4) DO UPDATE SET lap_time = excluded.lap_time,"
               " slot = excluded.slot, at = excluded.at WHERE excluded.lap_time < %1.lap_time"
               " OR (excluded.lap_time = %1.lap_time AND excluded.at < %1.at)")
        .arg(table, period_columns, marks.join(QStringLiteral(", ")), conflict);
}

// Puts back one driver's best of one period: the fastest (then earliest) of
// `rows`, a SELECT of driver_id, the period columns, lap_time, slot and at.
QString RefillSql(const QString& table, const QString& period_columns, const QString& rows) {
    return QStringLiteral(
               "INSERT INTO %1(driver_id, %2, lap_time, slot, at) %3"
               " ORDER BY lap_time, at LIMIT 1")
        .arg(table, period_columns, rows);
}

}  // namespace

void RecordsBests::Fold(QHash<Key, Best>* bests, const Key& key, const Best& best) {
    const auto found = bests->find(key);
    if (found == bests->end()) {
        bests->insert(key, best);
        return;
    }
    if (best.lap_time < found->lap_time ||
        (best.lap_time == found->lap_time && best.at < found->at)) {
        *found = best;
    }
}

void RecordsBests::Add(qint64 driver_id, qint64 day, qint32 lap_time, int slot, const QString& at) {
    Fold(&added_, {driver_id, day}, {lap_time, slot, at});
}

bool RecordsBests::Write(QSqlDatabase& db, QSqlError* error) const {
    return Upsert(db, error) && RecomputeLost(db, error);
}

bool RecordsBests::Upsert(QSqlDatabase& db, QSqlError* error) const {
    QHash<Key, Best> months;
    QHash<Key, Best> years;
    QSqlQuery day(db);
    day.prepare(UpsertSql(QStringLiteral("day_best"), QStringLiteral("day, month")));
    for (auto it = added_.cbegin(); it != added_.cend(); ++it) {
        // Worked out whole below.
        if (recompute_.contains(it.key())) {
            continue;
        }
        const qint64 driver = it.key().first;
        const QDate date = QDate::fromJulianDay(it.key().second);
        Fold(&months, {driver, MonthNumber(date)}, *it);
        Fold(&years, {driver, date.year()}, *it);
        if (!ExecWith(day,
                      {driver, it.key().second, MonthNumber(date), it->lap_time, it->slot, it->at},
                      error)) {
            return false;
        }
    }
    for (const auto& [table, column, bests] :
         {std::tuple{QStringLiteral("month_best"), QStringLiteral("month"), &months},
          std::tuple{QStringLiteral("year_best"), QStringLiteral("year"), &years}}) {
        QSqlQuery query(db);
        query.prepare(UpsertSql(table, column));
        for (auto it = bests->cbegin(); it != bests->cend(); ++it) {
            if (!ExecWith(query, {it.key().first, it.key().second, it->lap_time, it->slot, it->at},
                          error)) {
                return false;
            }
        }
    }
    return true;
}

bool RecordsBests::RecomputeLost(QSqlDatabase& db, QSqlError* error) const {
    if (recompute_.isEmpty()) {
        return true;
    }
    // Each step reads one driver's rows of the level below through its key.
    QSet<Key> months;
    QSqlQuery drop(db);
    QSqlQuery fill(db);
    drop.prepare(QStringLiteral("DELETE FROM day_best WHERE driver_id = ? AND day = ?"));
    fill.prepare(RefillSql(QStringLiteral("day_best"), QStringLiteral("day, month"),
                           QStringLiteral("SELECT driver_id, day, ?, lap_time, slot, at FROM laps"
                                          " WHERE driver_id = ? AND at >= ? AND at < ?")));
    for (const Key& key : recompute_) {
        const QDate date = QDate::fromJulianDay(key.second);
        months.insert({key.first, MonthNumber(date)});
        if (!ExecWith(drop, {key.first, key.second}, error) ||
            !ExecWith(fill,
                      {MonthNumber(date), key.first, date.toString(Qt::ISODate),
                       date.addDays(1).toString(Qt::ISODate)},
                      error)) {
            return false;
        }
    }
    QSet<Key> years;
    drop.prepare(QStringLiteral("DELETE FROM month_best WHERE driver_id = ? AND month = ?"));
    fill.prepare(
        RefillSql(QStringLiteral("month_best"), QStringLiteral("month"),
                  QStringLiteral("SELECT driver_id, month, lap_time, slot, at FROM"
                                 " day_best WHERE driver_id = ? AND day BETWEEN ? AND ?")));
    for (const Key& key : months) {
        years.insert({key.first, key.second / 12});
        const QDate first(int(key.second / 12), int(key.second % 12) + 1, 1);
        if (!ExecWith(drop, {key.first, key.second}, error) ||
            !ExecWith(fill, {key.first, first.toJulianDay(), first.addMonths(1).toJulianDay() - 1},
                      error)) {
            return false;
        }
    }
    drop.prepare(QStringLiteral("DELETE FROM year_best WHERE driver_id = ? AND year = ?"));
    fill.prepare(
        RefillSql(QStringLiteral("year_best"), QStringLiteral("year"),
                  QStringLiteral("SELECT driver_id, ?, lap_time, slot, at FROM month_best WHERE"
                                 " driver_id = ? AND month BETWEEN ? AND ?")));
    for (const Key& key : years) {
        if (!ExecWith(drop, {key.first, key.second}, error) ||
            !ExecWith(fill, {key.second, key.first, key.second * 12, key.second * 12 + 11},
                      error)) {
            return false;
        }
    }
    return true;
}
