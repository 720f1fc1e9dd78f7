#include "SimFrames.h"

#include <algorithm>

namespace sim {
namespace {

void Put16(Bytes64& frame, size_t at, std::uint16_t value) {
    frame.at(at) = std::uint8_t(value);
    frame.at(at + 1) = std::uint8_t(value >> 8);
}

void Put32(Bytes64& frame, size_t at, std::uint32_t value) {
    for (size_t i = 0; i < 4; ++i) {
        frame.at(at + i) = std::uint8_t(value >> (8 * i));
    }
}

void PutHeader(Bytes64& frame, std::uint32_t serial, std::uint16_t node, std::uint8_t counter,
               std::uint8_t type) {
    Put32(frame, 0, serial);
    Put16(frame, 4, node);
    frame[8] = counter;
    frame[9] = type;
}

}  // namespace

Bytes64 MakeTimingFrame(const TimingFields& f) {
    Bytes64 frame{};
    PutHeader(frame, f.serial, f.node, f.counter, f.type);
    const size_t driver_bytes = std::min<size_t>(f.driver.size(), 12);
    std::copy_n(f.driver.begin(), driver_bytes, frame.begin() + 12);
    frame[24] = f.race;
    frame[25] = f.lap;
    frame[26] = f.sector;
    frame[27] = f.strips;
    frame[28] = f.sector_lap;
    frame[29] = f.lap_in_progress;
    frame[30] = f.sector_in_progress;
    Put32(frame, 32, f.lap_time);
    Put32(frame, 36, f.sector_time);
    Put16(frame, 40, f.lap_rpm_max);
    Put16(frame, 42, f.lap_rpm_min);
    Put16(frame, 44, f.sector_rpm_max);
    Put16(frame, 46, f.sector_rpm_min);
    Put32(frame, 48, f.running_lap_time);
    Put32(frame, 52, f.session_time);
    Put16(frame, 56, f.rpm);
    Put32(frame, 60, f.best_lap);
    return frame;
}

Bytes64 MakeTemperatureFrame(const TemperatureFields& f) {
    Bytes64 frame{};
    PutHeader(frame, f.serial, f.node, f.counter, 1);
    Put16(frame, 28, std::uint16_t(f.temp1));
    Put16(frame, 30, std::uint16_t(f.temp2));
    Put16(frame, 32, std::uint16_t(f.temp3));
    return frame;
}

}  // namespace sim
