#pragma once

#include <QDateTime>
#include <QString>
#include <array>
#include <optional>
#include <vector>

#include "KartSlot.h"

// One lap entered during the session, standing or taken back.
struct SessionLap {
    int id = 0;  // 1, 2, 3, ... in the order laps were entered, over all karts
    int slot = 0;
    qint32 lap_number = 0;
    qint32 lap_time = 0;  // centiseconds
    qint32 rpm_max = 0;
    qint32 rpm_min = 0;
    QDateTime ended_at;
    bool deleted = false;
    QDateTime deleted_at;
    // Outside a session format's lap time window: never in the lap table, but the
    // kart's "Last" time while it is the kart's latest lap, and corrected like any.
    bool valid = true;
};

// Every lap of every kart of the running session, which the lap table (ten fastest
// only) cannot give back, and the lap corrections made on them. A correction names
// its lap by id, never by a row on the screen: rows move when laps arrive.
//
// After a deletion or an undo the slot's lap table, best lap, last lap and gap are
// rebuilt by entering the standing laps again, in order, with EnterLap: the same
// rule as during the session, so the result is the kart as if the deleted lap had
// never been driven (an eleventh-fastest lap moves up into the ten).
class SessionLaps {
  public:
    // Notes a lap that EnterLap is about to enter into `kart` (the slot as it is
    // before the lap), or an invalid one it is not to enter. Returns its id: every
    // lap the lap log is told of has one, so ids and the log's laps stay in step.
    int Add(const KartSlot& kart, int slot, qint32 lap_number, qint32 lap_time, qint32 rpm_max,
            qint32 rpm_min, const QDateTime& ended_at, bool valid = true);

    const std::vector<SessionLap>& all() const { return laps_; }
    const SessionLap* Find(int id) const;
    int StandingCount(int slot) const;

    // The lap the "Last" time shows: the slot's latest lap not taken back, valid or not.
    std::optional<int> LastLap(int slot) const;
    // The lap held by entry `row` (1..10) of the slot's lap table, when the table
    // is what the standing laps give.
    std::optional<int> TableLap(const KartSlot& kart, int slot, int row) const;

    // Takes a standing lap back; false when there is no such standing lap.
    bool Delete(int id, const QDateTime& at);
    bool CanUndo() const { return !undo_.empty(); }
    // Restores the most recently deleted lap that is still deleted; its id.
    std::optional<int> Undo();

    // Rebuilds the slot's lap table, best_lap_time, last_lap_time and gap from its
    // standing laps (last_lap_time from its latest lap, valid or not). Without any,
    // the slot returns to what it carried into the session. current_lap_number is
    // left as it is.
    void Recompute(KartSlot& kart, int slot) const;

  private:
    // What a slot showed before its first lap of the session.
    struct CarriedIn {
        bool noted = false;
        qint32 best_lap_time = 0;
        qint32 best_lap_delta = 0;
        QString best_lap_delta_sign;
        qint32 last_lap_time = 0;
    };

    // Valid laps not taken back, in the order driven.
    std::vector<const SessionLap*> Standing(int slot) const;
    const SessionLap* Latest(int slot) const;

    std::vector<SessionLap> laps_;  // laps_[id - 1]
    std::vector<int> undo_;         // ids of deleted laps, the latest last
    std::array<CarriedIn, kSlotCount> carried_in_{};
};

// The confirmation's text: kart and driver, lap number, time and when it ended.
QString LapDeletionQuestion(const SessionLap& lap, const QString& driver_name);
