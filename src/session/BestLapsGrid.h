#pragma once

#include <QLabel>
#include <array>
#include <functional>

#include "KartSlot.h"

class ClickableLabel;

// The five best-laps rows of the five kart columns: a lap number, a lap time and a
// gap label per cell, 75 labels carrying the tag 10 x slot + row. Shared by the
// session screen and the history browser, which differ only in the gap width.
class BestLapsGrid {
  public:
    static constexpr int kRows = 5;
    static constexpr std::array<int, kSlotCount> kColumnLefts = {2, 187, 372, 557, 742};
    static constexpr int kColumnWidth = 185;
    // Tops of the "1." .. "5." rank captions in the left column beside the grid.
    static constexpr std::array<int, kRows> kRankTops = {194, 274, 353, 426, 506};

    // Builds the labels on parent (the centre panel). on_click receives the tag.
    BestLapsGrid(QWidget* parent, int gap_width, const std::function<void(int tag)>& on_click);

    // slot 1..5, row 1..5; anything else selects nothing (nullptr).
    QLabel* LapNumber(int slot, int row) const;
    QLabel* LapTime(int slot, int row) const;
    QLabel* Gap(int slot, int row) const;

    // The designer names of the three labels of a cell, as lap number / time / gap.
    static QString LapNumberName(int slot, int row);
    static QString LapTimeName(int slot, int row);
    static QString GapName(int slot, int row);

  private:
    struct Cell {
        ClickableLabel* lap_number = nullptr;
        ClickableLabel* lap_time = nullptr;
        ClickableLabel* gap = nullptr;
    };
    const Cell* CellAt(int slot, int row) const;

    std::array<Cell, kSlotCount * kRows> cells_{};
};
