#pragma once

#include <array>

#include "KartSlot.h"

// Places of the session screen's parts, in pixels of its design client area.
namespace session_layout {

constexpr int kTopBarHeight = 56;
constexpr int kBottomBarHeight = 69;
constexpr int kLeftColumnWidth = 75;
constexpr int kRightColumnWidth = 278;
constexpr int kHistoryPanelWidth = 253;
// The receiver's status line in the bottom bar, between "END SESSION" (left 400,
// 245 wide) and the "History" panel at the right edge.
constexpr int kEndSessionRight = 400 + 245;
constexpr int kStatusLineMargin = 16;

// Right column: one row per slot.
constexpr std::array<int, kSlotCount> kRowTops = {11, 127, 244, 360, 477};
constexpr std::array<int, kSlotCount> kNameTops = {106, 222, 339, 455, 572};
constexpr int kStartStopLeft = 27;
constexpr int kStartStopSize = 105;
constexpr int kShownLeft = 155;   // lap or sensor button in sight
constexpr int kHiddenLeft = 400;  // beyond the 278-pixel column: out of sight
constexpr int kSensorDesignLeft = 261;
constexpr int kNameWidth = 84;

constexpr int kTopBarFont = 24;
// The part of a kart column a hand-timing key's sign covers: the header, the lap in
// progress and the last lap with its gap, above the sensor frame.
constexpr int kKeyFlashHeight = 189;

}  // namespace session_layout
