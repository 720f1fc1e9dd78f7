#include "KartRows.h"

#include <algorithm>

#include "TimeFormat.h"

void SortByBestLap(std::vector<KartEntry>& entries) {
    std::stable_sort(entries.begin(), entries.end(), [](const KartEntry& a, const KartEntry& b) {
        if ((a.best > 0) != (b.best > 0)) {
            return a.best > 0;
        }
        if (a.best != b.best) {
            return a.best < b.best;
        }
        return a.slot < b.slot;
    });
}

qint32 FastestOf(const std::vector<KartEntry>& entries) {
    return entries.empty() ? 0 : entries.front().best;
}

QString TimeText(qint32 centiseconds) {
    return FormatLapTime(quint32(centiseconds));
}

QJsonObject KartBase(const KartEntry& entry, int position, qint32 fastest) {
    QJsonObject kart;
    kart[QStringLiteral("position")] = position;
    kart[QStringLiteral("slot")] = entry.slot;
    kart[QStringLiteral("driver")] = entry.kart->driver_name.str();
    kart[QStringLiteral("radio")] = entry.kart->radio;
    if (entry.best > 0) {
        kart[QStringLiteral("best_cs")] = entry.best;
        kart[QStringLiteral("best")] = TimeText(entry.best);
        kart[QStringLiteral("best_gap")] =
            position == 1 ? QString() : FormatGap(qint64(entry.best) - fastest);
    } else {
        kart[QStringLiteral("best_cs")] = 0;
        kart[QStringLiteral("best")] = QString();
        kart[QStringLiteral("best_gap")] = QString();
    }
    return kart;
}

int LapsInTable(const KartSlot& kart) {
    int count = 0;
    for (int j = 1; j <= kLapEntries; ++j) {
        count += kart.lap(j).lap_time > 0 ? 1 : 0;
    }
    return count;
}

QString LapMark(bool kart_best, bool session_fastest) {
    if (session_fastest) {
        return QStringLiteral("fastest");
    }
    return kart_best ? QStringLiteral("pb") : QString();
}
