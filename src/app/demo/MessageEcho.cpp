#include "MessageEcho.h"

#include <cmath>
#include <cstdio>

namespace {

std::uint32_t Widen(unsigned value, unsigned top) {
    return std::uint32_t(std::lround(value * 255.0 / top));
}

std::uint16_t Get16(const sim::Bytes64& frame, size_t at) {
    return std::uint16_t(frame[at] | (frame[at + 1] << 8));
}

std::string Line(const sim::Bytes64& frame, size_t at) {
    std::string text;
    for (size_t i = at; i < at + 12; ++i) {
        const unsigned char c = frame[i];
        text += c >= 0x20 && c != 0x7F ? char(c) : '?';  // keep the terminal line intact
    }
    return text;
}

std::string ColourText(std::uint16_t rgb565) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%04X (~0x%06X)", unsigned(rgb565),
                  unsigned(Rgb565ToColour(rgb565)));
    return text;
}

}  // namespace

std::uint32_t Rgb565ToColour(std::uint16_t rgb565) {
    const std::uint32_t red = Widen(rgb565 >> 11, 31);
    const std::uint32_t green = Widen((rgb565 >> 5) & 0x3F, 63);
    const std::uint32_t blue = Widen(rgb565 & 0x1F, 31);
    return red | (green << 8) | (blue << 16);
}

std::string DescribeMessageFrame(const sim::Bytes64& frame) {
    char node[16];
    std::snprintf(node, sizeof node, "0x%04X", unsigned(Get16(frame, 1)));
    return std::string("demo dashboard: message to node ") + node + ": \"" + Line(frame, 13) +
           "\" / \"" + Line(frame, 25) + "\", background " + ColourText(Get16(frame, 9)) +
           ", text " + ColourText(Get16(frame, 11)) +
           (frame[6] == 1 ? ", shown at once" : ", shown after the lap");
}
