#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "SimFrames.h"

// A live demo race for the simulated receiver: four radio karts, each with its own
// pace, reporting about ten timing frames a second and a temperature frame now and
// then, as real units do. Time comes from a RaceTime, so tests can run a race on a
// virtual clock in a fraction of a second.
namespace sim {

using Micros = std::chrono::microseconds;

class RaceTime {
  public:
    virtual ~RaceTime() = default;
    virtual Micros Now() const = 0;  // steady, never goes back
    virtual void Wait(Micros duration) = 0;
};

// Real steady time: the demo looks live and idle reads sleep.
class SteadyRaceTime final : public RaceTime {
  public:
    Micros Now() const override;
    void Wait(Micros duration) override;
};

// Time that moves only when waited on or advanced: a read that finds nothing due
// jumps to the next frame at once.
class VirtualRaceTime final : public RaceTime {
  public:
    Micros Now() const override { return now_; }
    void Wait(Micros duration) override { now_ += duration; }
    void Advance(Micros duration) { now_ += duration; }

  private:
    Micros now_{0};
};

struct DemoKart {
    std::uint32_t serial;
    std::uint16_t node;
    const char* driver_text;  // the unit's 12-byte driver text
    const char* driver_name;  // as the demo's kart settings name the driver
    std::uint32_t pace;       // typical lap, centiseconds
};

inline constexpr int kDemoKartCount = 4;
const std::array<DemoKart, kDemoKartCount>& DemoKarts();

// One lap as the generator ran it.
struct GeneratedLap {
    int kart = 0;    // index into DemoKarts()
    int number = 0;  // 1, 2, ... (the frames carry it modulo 256, skipping 0)
    std::uint32_t time = 0;
    std::uint16_t rpm_max = 0;
    std::uint16_t rpm_min = 0;
};

class RaceGenerator {
  public:
    struct Options {
        std::uint32_t seed = 2012;
        Micros frame_period{100'000};  // timing frames of one unit
        bool silences = true;          // units drop out now and then for 2-3 s
    };

    explicit RaceGenerator(std::shared_ptr<RaceTime> time);
    RaceGenerator(std::shared_ptr<RaceTime> time, Options options);
    ~RaceGenerator();

    // The next frame due, waiting for it up to timeout_ms (at most 100 ms; 0 or less
    // also means 100, as libusb takes 0 for "no limit"). Nothing when none came in
    // time. The race starts at the first call.
    std::optional<Bytes64> Next(int timeout_ms);

    // A plausible figure of the radio network's state, for a test request.
    int NetworkValue();

    // Every lap completed so far, in order of completion.
    const std::vector<GeneratedLap>& laps() const { return laps_; }
    bool IsSilent(int kart) const;

  private:
    struct Unit;
    void Start(Micros now);
    void Advance(Unit& unit, Micros now);
    void PlanLap(Unit& unit);
    // When the unit sends next, taking a drop-out into account.
    Micros EffectiveDue(const Unit& unit, Micros now) const;
    Bytes64 Emit(Unit& unit, Micros now);
    Bytes64 TimingFrame(Unit& unit, Micros now);
    Bytes64 TemperatureFrame(Unit& unit, Micros now);
    double Uniform(double low, double high);

    std::shared_ptr<RaceTime> time_;
    Options options_;
    std::mt19937 random_;
    bool started_ = false;
    Micros start_{0};
    std::vector<Unit> units_;
    std::vector<GeneratedLap> laps_;
    double network_ = 88.0;
};

}  // namespace sim
