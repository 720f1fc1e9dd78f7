#include "SessionLaps.h"

#include <algorithm>

#include "LapTable.h"
#include "TimeFormat.h"

int SessionLaps::Add(const KartSlot& kart, int slot, qint32 lap_number, qint32 lap_time,
                     qint32 rpm_max, qint32 rpm_min, const QDateTime& ended_at, bool valid) {
    if (IsValidSlot(slot) && !carried_in_[size_t(slot - 1)].noted) {
        // Before its first lap the slot shows what it carried in (an earlier
        // session's best and last lap); that is what it returns to when every lap
        // of this session is taken back.
        carried_in_[size_t(slot - 1)] = {true, kart.best_lap_time, kart.best_lap_delta,
                                         kart.best_lap_delta_sign, kart.last_lap_time};
    }
    SessionLap lap;
    lap.id = int(laps_.size()) + 1;
    lap.slot = slot;
    lap.lap_number = lap_number;
    lap.lap_time = lap_time;
    lap.rpm_max = rpm_max;
    lap.rpm_min = rpm_min;
    lap.ended_at = ended_at;
    lap.valid = valid;
    laps_.push_back(lap);
    return lap.id;
}

const SessionLap* SessionLaps::Find(int id) const {
    if (id < 1 || id > int(laps_.size())) {
        return nullptr;
    }
    return &laps_[size_t(id - 1)];
}

std::vector<const SessionLap*> SessionLaps::Standing(int slot) const {
    std::vector<const SessionLap*> standing;
    for (const SessionLap& lap : laps_) {
        if (lap.slot == slot && !lap.deleted && lap.valid) {
            standing.push_back(&lap);
        }
    }
    return standing;
}

const SessionLap* SessionLaps::Latest(int slot) const {
    for (auto lap = laps_.rbegin(); lap != laps_.rend(); ++lap) {
        if (lap->slot == slot && !lap->deleted) {
            return &*lap;
        }
    }
    return nullptr;
}

int SessionLaps::StandingCount(int slot) const {
    return int(Standing(slot).size());
}

std::optional<int> SessionLaps::LastLap(int slot) const {
    const SessionLap* latest = Latest(slot);
    if (latest == nullptr) {
        return std::nullopt;
    }
    return latest->id;
}

std::optional<int> SessionLaps::TableLap(const KartSlot& kart, int slot, int row) const {
    if (row < 1 || row > kLapEntries) {
        return std::nullopt;
    }
    // The table holds the ten fastest standing laps; of equal times the earlier lap
    // comes first, as EnterLap orders them.
    std::vector<const SessionLap*> standing = Standing(slot);
    std::stable_sort(
        standing.begin(), standing.end(),
        [](const SessionLap* a, const SessionLap* b) { return a->lap_time < b->lap_time; });
    if (size_t(row) > standing.size()) {
        return std::nullopt;
    }
    const SessionLap& lap = *standing[size_t(row - 1)];
    const LapEntry& entry = kart.lap(row);
    // A table that does not hold what the laps give (changed behind this list's
    // back) names no lap: better no correction than one of the wrong lap.
    if (entry.lap_time != lap.lap_time || entry.lap_number != lap.lap_number) {
        return std::nullopt;
    }
    return lap.id;
}

bool SessionLaps::Delete(int id, const QDateTime& at) {
    if (id < 1 || id > int(laps_.size())) {
        return false;
    }
    SessionLap& lap = laps_[size_t(id - 1)];
    if (lap.deleted) {
        return false;
    }
    lap.deleted = true;
    lap.deleted_at = at;
    undo_.push_back(id);
    return true;
}

std::optional<int> SessionLaps::Undo() {
    while (!undo_.empty()) {
        const int id = undo_.back();
        undo_.pop_back();
        SessionLap& lap = laps_[size_t(id - 1)];
        if (lap.deleted) {
            lap.deleted = false;
            lap.deleted_at = QDateTime();
            return id;
        }
    }
    return std::nullopt;
}

void SessionLaps::Recompute(KartSlot& kart, int slot) const {
    if (!IsValidSlot(slot)) {
        return;
    }
    for (int j = 1; j <= kLapEntries; ++j) {
        LapEntry& entry = kart.lap(j);
        entry.lap_time = 0;
        entry.lap_number = 0;
        entry.rpm_max = 0;
        entry.rpm_min = 0;
    }
    const std::vector<const SessionLap*> standing = Standing(slot);
    if (standing.empty()) {
        const CarriedIn& carried = carried_in_[size_t(slot - 1)];
        if (carried.noted) {
            kart.best_lap_time = carried.best_lap_time;
            kart.best_lap_delta = carried.best_lap_delta;
            kart.best_lap_delta_sign = carried.best_lap_delta_sign;
            kart.last_lap_time = carried.last_lap_time;
        }
    }
    // EnterLap stores each lap under the slot's current lap number.
    const qint32 current_lap_number = kart.current_lap_number;
    for (const SessionLap* lap : standing) {
        kart.current_lap_number = lap->lap_number;
        EnterLap(kart, lap->lap_time, lap->rpm_max, lap->rpm_min);
    }
    kart.current_lap_number = current_lap_number;
    // An invalid lap after the last valid one is still what "Last" shows.
    if (const SessionLap* latest = Latest(slot); latest != nullptr && !latest->valid) {
        kart.last_lap_time = latest->lap_time;
    }
}

QString LapDeletionQuestion(const SessionLap& lap, const QString& driver_name) {
    QString text = QStringLiteral("Delete this lap?\n\nKart %1").arg(lap.slot);
    if (!driver_name.trimmed().isEmpty()) {
        text += QStringLiteral(" - %1").arg(driver_name.trimmed());
    }
    text += QStringLiteral("\nLap %1   %2")
                .arg(FormatLapNumber(lap.lap_number), FormatLapTime(quint32(lap.lap_time)));
    if (lap.ended_at.isValid()) {
        text += QStringLiteral("\nCompleted at %1")
                    .arg(lap.ended_at.toString(QStringLiteral("HH:mm:ss")));
    }
    return text + QStringLiteral(
                      "\n\nThe kart's ten fastest laps, best lap and gaps are worked out "
                      "again without it. \"Undo\" (Ctrl+Z) brings it back.");
}
