#pragma once

#include <QColor>
#include <QtGlobal>

// Colours are 32-bit values laid out 0x00BBGGRR: red in the lowest byte. This is
// the form stored in messages.ini and sent (as RGB565) to the dashboards.
using Colour = quint32;

namespace Colours {
inline constexpr Colour kBlack = 0x000000;
inline constexpr Colour kWhite = 0xFFFFFF;
inline constexpr Colour kRed = 0x0000FF;
inline constexpr Colour kLime = 0x00FF00;
inline constexpr Colour kGrey = 0x808080;
inline constexpr Colour kNavy = 0x800000;
inline constexpr Colour kSilver = 0xC0C0C0;
inline constexpr Colour kDarkGrey = 0x101010;
inline constexpr Colour kBlue = 0xFF0000;
}  // namespace Colours

inline QColor ToQColor(Colour colour) {
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

inline Colour FromQColor(const QColor& colour) {
    return Colour(colour.red()) | (Colour(colour.green()) << 8) | (Colour(colour.blue()) << 16);
}

// "#rrggbb" for style sheets.
inline QString ColourName(Colour colour) {
    return ToQColor(colour).name();
}
