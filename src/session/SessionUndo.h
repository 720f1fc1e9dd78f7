#pragma once

#include <QtGlobal>
#include <optional>
#include <vector>

// What Ctrl+Z on the session screen takes back, latest first: a lap deleted by lap
// correction, or a hand-timed kart's stopwatch stopped by a stray click or
// Shift+digit (the lap in progress would be lost). A stop stays undoable until that
// kart's stopwatch is started again.
class SessionUndo {
  public:
    enum class Kind { kLapDeletion, kStopwatchStop };
    struct Step {
        Kind kind = Kind::kLapDeletion;
        int slot = 0;
        // A stop: the stopwatch's start mark and lap number when it stopped.
        qint64 timing_mark = 0;
        qint32 lap_number = 0;
    };

    void LapDeleted() { steps_.push_back({Kind::kLapDeletion}); }
    // A deletion undone by other means (the lap menu's "Undo"): its step goes.
    void DeletionUndone();
    void StopwatchStopped(int slot, qint64 timing_mark, qint32 lap_number) {
        steps_.push_back({Kind::kStopwatchStop, slot, timing_mark, lap_number});
    }
    // A new start replaces the lap the stop interrupted: that stop is no longer undone.
    void StopwatchStarted(int slot);

    // The latest step, taken off the history.
    std::optional<Step> Pop();

  private:
    std::vector<Step> steps_;
};
