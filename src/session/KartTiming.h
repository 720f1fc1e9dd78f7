#pragma once

#include <QString>
#include <optional>

#include "Clock.h"
#include "Colour.h"
#include "KartSlot.h"

// Timing rules of the session screen that need no window: the hand-timing
// stopwatch, the running time of the kart columns, staleness of a radio kart's
// time, the activity lamps and the session clock.

// Laps shorter than this (centiseconds) on the lap button are taken as a double
// click and ignored.
inline constexpr qint32 kShortestHandLap = 500;
// A radio kart's running time that has not changed for longer than this
// (centiseconds) is shown red.
inline constexpr qint64 kStaleAfter = 100;

// Start/stop picture: starts a stopped stopwatch (lap 1, running time 0, timing
// from now) or stops a running one. Returns the new running state, or nothing for
// a radio kart, which has no stopwatch.
std::optional<bool> StartOrStopStopwatch(KartSlot& slot, qint32& current_lap_time, qint64 now);

// Ctrl+Z after a stop: runs the stopwatch on from the start mark and lap number it
// stopped with, as if it had never stopped. False when the kart is no longer a
// stopped hand-timed kart with that mark and lap (started, lapped or made radio).
bool RestartStoppedStopwatch(KartSlot& slot, qint64 timing_mark, qint32 lap_number);

// A lap read off the stopwatch: its time and the counter value it ends at.
struct HandLap {
    qint32 lap_time = 0;
    qint64 counter = 0;
};

// The lap the lap button would complete now: nothing for a radio kart, a stopped
// stopwatch, or a lap shorter than 5.00 s.
std::optional<HandLap> ReadHandLap(const KartSlot& slot, const Clock& clock);
// The same, for a lap that ended at counter (a camera's crossing time).
std::optional<HandLap> ReadHandLapAt(const KartSlot& slot, qint64 counter, qint64 frequency);

// After the lap was recorded: the next lap starts where this one ended, so no time
// is lost between two clicks.
void StartNextHandLap(KartSlot& slot, qint32& current_lap_time, const HandLap& lap);

// Centiseconds between two counter values, clamped to the 32-bit range of the
// slot's time fields.
qint32 ElapsedCentiseconds(qint64 from, qint64 to, qint64 frequency);

// Staleness of a radio kart's running time. timing_mark holds the time shown last
// and last_change_counter when it last changed. Returns the colour the running
// time label takes now: white on a change, red when unchanged for more than
// kStaleAfter, nothing when it stays as it is.
std::optional<Colour> UpdateStaleness(KartSlot& slot, qint32 current_lap_time, qint64 now,
                                      qint64 frequency);

// Gap of the last lap as the column shows it: the sign, then "%2.2d:%2.2d".
QString LastGapText(const KartSlot& slot);
// Red for a slower lap, lime for a new best or the first lap.
Colour LastGapColour(const KartSlot& slot);

// Activity lamp of a radio kart at a clock tick: on when a new frame arrived since
// the previous tick. Remembers the counter for the next tick.
bool LampOnAtTick(qint32 packet_counter, qint32& seen_packet_counter);

// "hh:mm:ss" of the whole seconds since the session start, rounded half to even.
QString SessionClockText(qint64 start_counter, qint64 now, qint64 frequency);
