#pragma once

#include <array>
#include <cstdint>
#include <random>

#include "SimFrames.h"

namespace soak {

// Five units in slots 1..5 and one heard on the track but configured nowhere.
inline constexpr int kSlotUnits = 5;
inline constexpr int kStrangerUnit = kSlotUnits;
inline constexpr int kUnits = kSlotUnits + 1;

std::uint32_t UnitSerial(int unit);
std::uint16_t UnitNode(int unit);

// A reproducible pseudo-random source: the same seed gives the same run.
class Random {
  public:
    explicit Random(std::uint64_t seed) : engine_(seed) {}
    std::uint32_t Below(std::uint32_t n) { return std::uint32_t(engine_() % n); }
    bool OneIn(std::uint32_t n) { return Below(n) == 0; }
    std::uint32_t Between(std::uint32_t low, std::uint32_t high) {
        return low + Below(high - low + 1);
    }

  private:
    std::mt19937_64 engine_;
};

// How many of each inbound event the traffic put on the receiver's timeline.
struct QueuedCounts {
    long frames = 0;  // whole 64-byte frames of every kind
    long lap_frames = 0;
    long temperature_frames = 0;
    long stranger_frames = 0;
    long no_report_frames = 0;  // serial FF FF FF FF
    long unknown_type_frames = 0;
    long idle_frames = 0;  // race flag 0
    long cut_frames = 0;   // short reads carrying the first bytes of a unit's frame
    long timeouts = 0;
    long errors = 0;
    long delays = 0;
    long unplugs = 0;
};

// A practice session as the receiver passes it on: each unit reports several
// frames per lap, its lap-in-progress counter stepping (and wrapping through 0)
// at each lap, with faults queued between frames at random points.
class Traffic {
  public:
    Traffic(std::uint64_t seed, int device) : random_(seed), device_(device) {}

    // Queues events until `frames` whole frames have been queued in total or the
    // timeline holds `backlog` events.
    void Fill(long frames, size_t backlog);
    const QueuedCounts& counts() const { return counts_; }

  private:
    struct UnitState {
        std::uint8_t lap_in_progress = 1;
        std::uint8_t lap_completed = 0;
        std::uint32_t lap_time = 0;
        int frames_left_in_lap = 0;
        std::uint8_t counter = 0;
        std::uint16_t lap_max = 0;
        std::uint16_t lap_min = 0;
    };

    void QueueOne();
    sim::Bytes64 NextUnitFrame(int unit);
    void QueueFrame(const sim::Bytes64& frame);

    Random random_;
    int device_;
    std::array<UnitState, kUnits> units_{};
    QueuedCounts counts_;
};

}  // namespace soak
