#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace sim {

using Bytes64 = std::array<std::uint8_t, 64>;

// The fields of a unit's timing frame (type 0). Times in centiseconds.
struct TimingFields {
    std::uint32_t serial = 0;
    std::uint16_t node = 0;
    std::uint8_t counter = 0;
    std::uint8_t type = 0;
    std::string driver;  // up to 12 bytes, taken as they are
    std::uint8_t race = 1;
    std::uint8_t lap = 0;  // lap completed last
    std::uint8_t sector = 0;
    std::uint8_t strips = 0;
    std::uint8_t sector_lap = 0;
    std::uint8_t lap_in_progress = 0;
    std::uint8_t sector_in_progress = 0;
    std::uint32_t lap_time = 0;
    std::uint32_t sector_time = 0;
    std::uint16_t lap_rpm_max = 0;
    std::uint16_t lap_rpm_min = 0;
    std::uint16_t sector_rpm_max = 0;
    std::uint16_t sector_rpm_min = 0;
    std::uint32_t running_lap_time = 0;
    std::uint32_t session_time = 0;
    std::uint16_t rpm = 0;
    std::uint32_t best_lap = 0;
};

// The fields of a temperature frame (type 1); temperatures in tenths.
struct TemperatureFields {
    std::uint32_t serial = 0;
    std::uint16_t node = 0;
    std::uint8_t counter = 0;
    std::int16_t temp1 = 0;
    std::int16_t temp2 = 0;
    std::int16_t temp3 = 0;
};

Bytes64 MakeTimingFrame(const TimingFields& fields);
Bytes64 MakeTemperatureFrame(const TemperatureFields& fields);

}  // namespace sim
