#include "BoardRecords.h"

#include "DriverIdentity.h"
#include "KartRows.h"
#include "Station.h"

namespace {

struct BestLap {
    QString driver;
    qint32 lap = 0;
    QDate date;
};

QJsonValue BestJson(const BestLap& best) {
    if (best.lap <= 0) {
        return QJsonValue::Null;
    }
    QJsonObject json;
    json[QStringLiteral("driver")] = best.driver;
    json[QStringLiteral("lap_cs")] = best.lap;
    json[QStringLiteral("lap")] = TimeText(best.lap);
    json[QStringLiteral("date")] = best.date.toString(Qt::ISODate);
    return json;
}

// The faster of the index's best and the running session's, the earlier on a tie.
BestLap Faster(const BestLap& indexed, const BestLap& running) {
    if (running.lap > 0 && (indexed.lap <= 0 || running.lap < indexed.lap)) {
        return running;
    }
    return indexed;
}

}  // namespace

QJsonObject BoardRecordsJson(const RecordsBoard& board, const Station& station,
                             const QDate& today) {
    BestLap running;
    if (station.poll_mode == kPollSession) {
        for (int n = 1; n <= kSlotCount; ++n) {
            const KartSlot& kart = station.slot(n);
            const qint32 best = kart.lap(1).lap_time;
            if (best > 0 && (running.lap == 0 || best < running.lap)) {
                running = {kart.driver_name.str(), best, today};
            }
        }
    }
    BestLap day;
    BestLap month;
    if (board.day == today && board.day_best.best_lap > 0) {
        day = {board.day_best.name, board.day_best.best_lap, board.day_best.at.date()};
    }
    if (board.day.isValid() && MonthNumber(board.day) == MonthNumber(today) &&
        board.month_best.best_lap > 0) {
        month = {board.month_best.name, board.month_best.best_lap, board.month_best.at.date()};
    }
    QJsonObject records;
    records[QStringLiteral("day")] = BestJson(Faster(day, running));
    records[QStringLiteral("month")] = BestJson(Faster(month, running));
    return records;
}

QString RecordMark(const RecordsBoard& board, const QDate& today, const QString& driver, qint32 lap,
                   bool set_best, bool fastest_of_session) {
    if (!set_best || lap <= 0) {
        return QString();
    }
    if (fastest_of_session && board.day == today && board.day_best.best_lap > 0 &&
        lap < board.day_best.best_lap) {
        return QStringLiteral("record");
    }
    const qint32 before = board.driver_bests.value(DriverKey(driver), 0);
    return before > 0 && lap < before ? QStringLiteral("personal") : QString();
}
