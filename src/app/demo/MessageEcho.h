#pragma once

#include <cstdint>
#include <string>

#include "SimFrames.h"

// What the simulated dashboard received, for the operator of the demo: the message
// frames themselves carry no receipt, so the demo prints each one on stderr.

// An RGB565 value back as a colour 0x00BBGGRR; the low bits lost on the way out are
// filled so that white stays white.
std::uint32_t Rgb565ToColour(std::uint16_t rgb565);

// One line: node, both text lines, both colours and the display mode of a message
// frame (0x02 ...).
std::string DescribeMessageFrame(const sim::Bytes64& frame);
