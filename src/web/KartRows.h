#pragma once

#include <QJsonObject>
#include <QString>
#include <vector>

#include "KartSlot.h"

// What the live board and the recorded sessions share: a kart of the result, its
// order and its common fields.
struct KartEntry {
    int slot = 0;
    const KartSlot* kart = nullptr;
    qint32 best = 0;  // fastest lap of the session, 0 = none yet
};

// Ordered by best lap; karts without a lap after those with one, by slot.
void SortByBestLap(std::vector<KartEntry>& entries);
qint32 FastestOf(const std::vector<KartEntry>& entries);

QString TimeText(qint32 centiseconds);

// Position, slot, driver and best lap with the gap to the fastest kart.
QJsonObject KartBase(const KartEntry& entry, int position, qint32 fastest);

// Laps in the kart's table of the ten fastest.
int LapsInTable(const KartSlot& kart);

// The mark of a lap on the pages: "fastest" for the session's fastest lap, "pb"
// for the kart's best, else empty.
QString LapMark(bool kart_best, bool session_fastest);
