#pragma once

#include <array>

#include "KartSlot.h"

class QLabel;
class QWidget;
class SessionRun;

// What a session format adds to the session screen, all in room the screen leaves
// free: in the top bar the countdown or laps to go, then in its place the chequered
// flag with, beside it, how long until the session ends by itself and how many karts
// have taken the flag; in each kart header a small position figure (or "INVALID"
// after a lap outside the lap time window). Without a format none of it exists.
class FormatBoard {
  public:
    FormatBoard(QWidget* top_bar, const std::array<QWidget*, kSlotCount>& headers);

    // Redraws from the run; now is the session clock in centiseconds.
    void Show(const SessionRun& run, qint64 now);

    const QLabel* countdown() const { return countdown_; }
    const QLabel* flag() const { return flag_; }
    const QLabel* ends_in() const { return ends_in_; }
    const QLabel* finished() const { return finished_; }
    const QLabel* position(int slot) const { return positions_.at(size_t(slot - 1)); }

  private:
    QLabel* countdown_ = nullptr;
    QLabel* flag_ = nullptr;
    QLabel* ends_in_ = nullptr;
    QLabel* finished_ = nullptr;
    std::array<QLabel*, kSlotCount> positions_{};
};
