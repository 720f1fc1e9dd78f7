#include "BestLapsGrid.h"

#include "ScreenWidgets.h"

namespace {

constexpr std::array<int, BestLapsGrid::kRows> kLapNumberTops = {204, 284, 361, 436, 515};
constexpr std::array<int, BestLapsGrid::kRows> kLapTimeTops = {202, 282, 359, 434, 513};
constexpr std::array<int, BestLapsGrid::kRows> kGapTops = {223, 303, 380, 455, 534};

// Designer numbers of the lap time and gap labels, [row][column]. Column 2 has the
// two numbers in the other order.
constexpr int kTimeNumbers[5][5] = {{21, 24, 25, 27, 29},
                                    {31, 34, 35, 37, 39},
                                    {41, 44, 45, 47, 49},
                                    {51, 54, 55, 57, 59},
                                    {61, 64, 65, 67, 69}};
constexpr int kGapNumbers[5][5] = {{22, 23, 26, 28, 30},
                                   {32, 33, 36, 38, 40},
                                   {42, 43, 46, 48, 50},
                                   {52, 53, 56, 58, 60},
                                   {62, 63, 66, 68, 70}};

QString LabelName(int number) {
    return QStringLiteral("Label%1").arg(number);
}

bool InRange(int slot, int row) {
    return IsValidSlot(slot) && row >= 1 && row <= BestLapsGrid::kRows;
}

}  // namespace

QString BestLapsGrid::LapNumberName(int slot, int row) {
    return LabelName(78 + 5 * (slot - 1) + (row - 1));
}
QString BestLapsGrid::LapTimeName(int slot, int row) {
    return LabelName(kTimeNumbers[row - 1][slot - 1]);
}
QString BestLapsGrid::GapName(int slot, int row) {
    return LabelName(kGapNumbers[row - 1][slot - 1]);
}

BestLapsGrid::BestLapsGrid(QWidget* parent, int gap_width,
                           const std::function<void(int tag)>& on_click) {
    constexpr int kRightEdge = kColumnWidth - 2;  // right-aligned texts end here
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        const int left = kColumnLefts[size_t(slot - 1)];
        for (int row = 1; row <= kRows; ++row) {
            const int tag = 10 * slot + row;
            Cell& cell = cells_[size_t((slot - 1) * kRows + (row - 1))];
            const auto r = size_t(row - 1);
            cell.lap_number = PlaceLabel<ClickableLabel>(
                parent, LapNumberName(slot, row), QStringLiteral("L--"), left, kLapNumberTops[r],
                61, {24, Colours::kWhite, Qt::AlignRight | Qt::AlignVCenter});
            cell.lap_time = PlaceLabel<ClickableLabel>(
                parent, LapTimeName(slot, row), QStringLiteral("--:--"), left + kRightEdge - 140,
                kLapTimeTops[r], 140, {24, Colours::kWhite, Qt::AlignRight | Qt::AlignVCenter});
            cell.gap = PlaceLabel<ClickableLabel>(
                parent, GapName(slot, row), QStringLiteral("--:--"), left + kRightEdge - gap_width,
                kGapTops[r], gap_width, {35, Colours::kWhite, Qt::AlignRight | Qt::AlignVCenter});
            for (ClickableLabel* label : {cell.lap_number, cell.lap_time, cell.gap}) {
                label->setProperty("tag", tag);
                QObject::connect(label, &ClickableLabel::clicked, label,
                                 [on_click, tag] { on_click(tag); });
            }
        }
    }
}

const BestLapsGrid::Cell* BestLapsGrid::CellAt(int slot, int row) const {
    return InRange(slot, row) ? &cells_[size_t((slot - 1) * kRows + (row - 1))] : nullptr;
}

QLabel* BestLapsGrid::LapNumber(int slot, int row) const {
    const Cell* cell = CellAt(slot, row);
    return cell ? cell->lap_number : nullptr;
}
QLabel* BestLapsGrid::LapTime(int slot, int row) const {
    const Cell* cell = CellAt(slot, row);
    return cell ? cell->lap_time : nullptr;
}
QLabel* BestLapsGrid::Gap(int slot, int row) const {
    const Cell* cell = CellAt(slot, row);
    return cell ? cell->gap : nullptr;
}
