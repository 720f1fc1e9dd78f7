#pragma once

#include <array>

#include "KartSlot.h"

class Station;

// A radio kart not heard for more than a second: from the link's last heard where
// the unit was heard at all, else from when its running time last changed.
bool KartNotHeard(const Station& station, const KartSlot& kart);

// The times the pages count from themselves, so that the feed need not carry the
// running times ten times a second: when each kart's lap in progress started and
// when the session started, in SteadyMs() (the page learns the station's SteadyMs()
// from every message, as now_ms). Lives on the UI thread and is updated at every
// look at the station; the starts it gives stay put while the running times go on
// as expected, so the state only changes (and an update only goes out) when
// something happened.
class LiveClocks {
  public:
    // A radio kart's lap start comes from its unit's running time, reported with
    // every frame: it moves by the time a frame takes to arrive. A new estimate
    // within this much of the one before is the same start.
    static constexpr qint64 kToleranceMs = 250;
    // A radio kart whose running time has not changed for this long stands still
    // (a unit that reports but does not race).
    static constexpr qint64 kStandingAfterCs = 100;

    struct Kart {
        bool ticking = false;     // the page counts the running time on
        qint64 lap_start_ms = 0;  // while ticking: when the lap in progress started
        qint32 standing_cs = 0;   // while not: the running time that stands
        qint32 lap_number = 0;
        qint32 seen_running_cs = -1;  // the slot's running time at the last look
        qint64 seen_change_counter = 0;
    };

    // Reads the station as of now_ms, the SteadyMs() of this moment.
    void Update(const Station& station, qint64 now_ms);

    const Kart& kart(int slot) const { return karts_.at(size_t(slot - 1)); }
    // The running time to show at the last update.
    qint32 RunningCs(int slot) const;
    // When the running session started (0 without a session screen that says).
    qint64 session_start_ms() const { return session_start_ms_; }
    qint64 at_ms() const { return at_ms_; }

  private:
    std::array<Kart, kSlotCount> karts_{};
    qint64 session_start_counter_ = 0;
    qint64 session_start_ms_ = 0;
    qint64 at_ms_ = 0;
};
