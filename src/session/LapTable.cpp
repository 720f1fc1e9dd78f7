#include "LapTable.h"

#include <algorithm>
#include <vector>

#include "TimeFormat.h"

namespace {

// One row of the sorting workspace.
struct LapRow {
    qint32 nr_lapa = 0;
    qint32 czas = 0;
    qint32 max_obr = 0;
    qint32 min_obr = 0;
};

void SortByTime(std::vector<LapRow>& rows) {
    // Stable, so of two equal times the lap that was in the table first stays first.
    std::stable_sort(rows.begin(), rows.end(),
                     [](const LapRow& a, const LapRow& b) { return a.czas < b.czas; });
}

// The best lap the new lap is compared with. After a session start the table is
// empty while best_lap_time still holds the previous session's best: the first lap
// of the new session is then a first lap, not a comparison with another session.
qint32 BestBefore(const KartSlot& slot) {
    return slot.lap(1).lap_time != 0 ? slot.best_lap_time : 0;
}

void SetGap(KartSlot& slot, qint32 best, qint32 lap_time) {
    if (best <= 0) {
        slot.best_lap_delta_sign.clear();
        slot.best_lap_delta = 0;
        return;
    }
    if (best < lap_time) {
        slot.best_lap_delta_sign = QStringLiteral("+");
        slot.best_lap_delta = lap_time - best;
        return;
    }
    slot.best_lap_delta_sign = QStringLiteral("-");
    slot.best_lap_delta = best - lap_time;
}

}  // namespace

BestLapsDrawing EnterLap(KartSlot& slot, qint32 lap_time, qint32 rpm_max, qint32 rpm_min) {
    BestLapsDrawing drawing;
    if (lap_time <= 0) {
        drawing.filled = -1;
        return drawing;
    }
    SetGap(slot, BestBefore(slot), lap_time);

    std::vector<LapRow> rows;
    rows.reserve(kLapEntries + 1);
    for (int j = 1; j <= kLapEntries; ++j) {
        const LapEntry& entry = slot.lap(j);
        if (entry.lap_time != 0) {
            rows.push_back({entry.lap_number, entry.lap_time, entry.rpm_max, entry.rpm_min});
        }
    }
    const LapRow new_lap{slot.current_lap_number, lap_time, rpm_max, rpm_min};
    if (rows.size() < size_t(kLapEntries)) {
        rows.push_back(new_lap);
        drawing.entered_top_ten = true;
    } else {
        SortByTime(rows);
        // A lap equal to the tenth-best is not stored.
        if (rows.back().czas > lap_time) {
            rows.back() = new_lap;
            drawing.entered_top_ten = true;
        }
    }
    SortByTime(rows);
    slot.best_lap_time = rows.front().czas;

    for (size_t i = 0; i < rows.size() && i < size_t(kLapEntries); ++i) {
        LapEntry& entry = slot.lap(int(i) + 1);
        entry.lap_number = rows[i].nr_lapa;
        entry.lap_time = rows[i].czas;
        entry.rpm_max = rows[i].max_obr;
        entry.rpm_min = rows[i].min_obr;
        if (i < size_t(BestLapsDrawing::kRows)) {
            drawing.rows[i] = {FormatLapTime(quint32(rows[i].czas)),
                               FormatGap(qint64(rows[i].czas) - slot.best_lap_time),
                               FormatLapNumber(rows[i].nr_lapa)};
            drawing.filled = int(i) + 1;
        }
    }
    slot.last_lap_time = lap_time;
    return drawing;
}

BestLapsDrawing DrawLapTable(const KartSlot& slot) {
    BestLapsDrawing drawing;
    for (int row = 1; row <= BestLapsDrawing::kRows; ++row) {
        const LapEntry& entry = slot.lap(row);
        if (entry.lap_time == 0) {
            break;
        }
        drawing.rows[size_t(row - 1)] = {FormatLapTime(quint32(entry.lap_time)),
                                         FormatGap(qint64(entry.lap_time) - slot.best_lap_time),
                                         FormatLapNumber(entry.lap_number)};
        drawing.filled = row;
    }
    return drawing;
}
