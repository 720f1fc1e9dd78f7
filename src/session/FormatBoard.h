#pragma once

#include <array>

#include "KartSlot.h"

class QLabel;
class QWidget;
class SessionRun;

// What a session format adds to the session screen, all in room the screen leaves
// free: in the top bar the countdown or laps to go, then the chequered flag in its
// place; in each kart header a small position figure (or "INVALID" after a lap
// outside the lap time window). Without a format none of it exists.
class FormatBoard {
  public:
    FormatBoard(QWidget* top_bar, const std::array<QWidget*, kSlotCount>& headers);

    // Redraws from the run; now is the session clock in centiseconds.
    void Show(const SessionRun& run, qint64 now);
    // Marks the kart's last lap as outside the window, or clears the mark.
    void MarkInvalidLap(int slot, bool invalid);

    const QLabel* countdown() const { return countdown_; }
    const QLabel* flag() const { return flag_; }
    const QLabel* position(int slot) const { return positions_.at(size_t(slot - 1)); }

  private:
    QLabel* countdown_ = nullptr;
    QLabel* flag_ = nullptr;
    std::array<QLabel*, kSlotCount> positions_{};
    std::array<bool, kSlotCount> invalid_{};
};
