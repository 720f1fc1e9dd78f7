#pragma once

#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

// Each driver's best lap of each day, month and year (day_best, month_best,
// year_best), kept with the laps so that a period's table reads a few thousand
// rows rather than millions of laps. Laps only added can only lower a best, so
// they are folded in; a driver's day that lost laps (a file edited or deleted) is
// worked out again from the laps that stand, then that driver's month and year.
// Of two equal laps the earlier one holds the best.
class RecordsBests {
  public:
    void Add(qint64 driver_id, qint64 day, qint32 lap_time, int slot, const QString& at);
    // The driver lost laps that day: worked out again from the laps table.
    void Recompute(qint64 driver_id, qint64 day) { recompute_.insert({driver_id, day}); }

    // Within the caller's transaction.
    bool Write(QSqlDatabase& db, QSqlError* error) const;

  private:
    struct Best {
        qint32 lap_time = 0;
        int slot = 0;
        QString at;
    };
    using Key = QPair<qint64, qint64>;  // driver, day / month / year
    static void Fold(QHash<Key, Best>* bests, const Key& key, const Best& best);
    bool Upsert(QSqlDatabase& db, QSqlError* error) const;
    bool RecomputeLost(QSqlDatabase& db, QSqlError* error) const;

    QHash<Key, Best> added_;  // by driver and day
    QSet<Key> recompute_;     // driver and day
};
