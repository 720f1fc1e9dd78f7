#include "RaceGenerator.h"

#include <algorithm>
#include <cmath>
#include <thread>
#include <tuple>
#include <utility>

namespace sim {
namespace {

constexpr Micros kCentisecond{10'000};
constexpr std::array<double, 3> kSectorEnds = {0.31, 0.66, 1.0};
constexpr std::uint8_t kStrips = 3;  // one timing strip per sector end
constexpr double kAmbient = 175.0;   // tenths
constexpr double kWarmUpSeconds = 150.0;

// The frames carry lap numbers in one byte; 0 would read as "unit not seen yet".
std::uint8_t LapByte(int lap) {
    return lap <= 0 ? 0 : std::uint8_t((lap - 1) % 255 + 1);
}

std::uint32_t Centiseconds(Micros duration) {
    return duration.count() <= 0 ? 0 : std::uint32_t(duration / kCentisecond);
}

}  // namespace

Micros SteadyRaceTime::Now() const {
    return std::chrono::duration_cast<Micros>(std::chrono::steady_clock::now().time_since_epoch());
}

void SteadyRaceTime::Wait(Micros duration) {
    if (duration.count() > 0) {
        std::this_thread::sleep_for(duration);
    }
}

const std::array<DemoKart, kDemoKartCount>& DemoKarts() {
    static const std::array<DemoKart, kDemoKartCount> karts = {{
        {0x0A1B01, 0x0101, "ADAM NOWAK  ", "Adam Nowak", 3250},
        {0x0A1B02, 0x0102, "EWA KOWALSKA", "Ewa Kowalska", 3480},
        {0x0A1B03, 0x0103, "PIOTR ZIELIN", "Piotr Zielinski", 3820},
        {0x0A1B04, 0x0104, "OLA WOJCIK  ", "Ola Wojcik", 4560},
    }};
    return karts;
}

// How the engine speed runs through one lap: four straights of different length,
// each a rise to its peak and a short fall under braking.
struct LapShape {
    double high = 13600;
    double low = 5200;
    std::array<double, 4> straights = {1.0, 0.9, 0.96, 0.85};

    double Rpm(double fraction) const {
        const double q = std::clamp(fraction, 0.0, 0.999999) * 4.0;
        const int straight = int(q);
        const double p = q - straight;
        const double rise = p < 0.8 ? std::pow(p / 0.8, 0.7) : 1.0 - (p - 0.8) / 0.2;
        return low + (high - low) * straights[size_t(straight)] * rise;
    }
    // The curve only turns at the start of a straight and at its braking point, so
    // the ends of the span and those points inside it hold its extremes.
    std::pair<std::uint16_t, std::uint16_t> Extremes(double from, double to) const {
        double top = std::max(Rpm(from), Rpm(to));
        double bottom = std::min(Rpm(from), Rpm(to));
        for (int straight = 0; straight < 4; ++straight) {
            for (const double turn : {straight / 4.0, (straight + 0.8) / 4.0}) {
                if (turn > from && turn < to) {
                    top = std::max(top, Rpm(turn));
                    bottom = std::min(bottom, Rpm(turn));
                }
            }
        }
        return {std::uint16_t(std::lround(top)), std::uint16_t(std::lround(bottom))};
    }
};

struct RaceGenerator::Unit {
    int index = 0;
    DemoKart kart{};
    int lap = 1;  // in progress
    Micros lap_start{0};
    std::uint32_t lap_time = 0;  // planned length of the lap in progress
    LapShape shape;
    LapShape previous_shape;
    std::uint32_t last_lap = 0;
    std::uint32_t best = 0;
    std::uint16_t last_max = 0;
    std::uint16_t last_min = 0;
    Micros timing_due{0};
    Micros temperature_due{0};
    Micros quiet_from{Micros::max()};
    Micros quiet_to{Micros::max()};
    std::uint8_t counter = 0;
    std::array<double, 3> targets{};  // warm temperatures, tenths
    std::array<double, 3> drift{};
};

RaceGenerator::RaceGenerator(std::shared_ptr<RaceTime> time)
    : RaceGenerator(std::move(time), Options{}) {}

RaceGenerator::RaceGenerator(std::shared_ptr<RaceTime> time, Options options)
    : time_(std::move(time)), options_(options), random_(options.seed) {}

RaceGenerator::~RaceGenerator() = default;

double RaceGenerator::Uniform(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(random_);
}

void RaceGenerator::Start(Micros now) {
    started_ = true;
    start_ = now;
    units_.resize(DemoKarts().size());
    for (size_t i = 0; i < units_.size(); ++i) {
        Unit& unit = units_[i];
        unit.index = int(i);
        unit.kart = DemoKarts()[i];
        unit.lap_start = now;
        unit.counter = std::uint8_t(random_() & 0xFF);
        // Interleaved, so the four units do not all report in the same instant.
        unit.timing_due = now + options_.frame_period * int(i) / int(units_.size());
        unit.temperature_due = now + Micros(std::int64_t(Uniform(0.3, 2.0) * 1e6));
        if (options_.silences) {
            unit.quiet_from = now + Micros(std::int64_t(Uniform(12, 60) * 1e6));
            unit.quiet_to = unit.quiet_from + Micros(std::int64_t(Uniform(2, 3) * 1e6));
        }
        unit.targets = {600.0 + 20 * i, 1800.0 + 45 * i, 240.0};
        PlanLap(unit);
    }
}

void RaceGenerator::PlanLap(Unit& unit) {
    double factor = 1.0 + std::normal_distribution<double>(0.0, 0.009)(random_);
    if (unit.lap == 1) {
        factor += 0.06;  // standing start
    }
    const bool slow = unit.lap > 1 && Uniform(0, 1) < 0.08;  // traffic, a spin, a wide line
    if (slow) {
        factor *= Uniform(1.07, 1.3);
    }
    unit.lap_time =
        std::clamp<std::uint32_t>(std::uint32_t(std::lround(unit.kart.pace * factor)), 2500, 6000);
    unit.previous_shape = unit.shape;
    unit.shape.high =
        13500 + 150.0 * unit.index + std::normal_distribution<double>(0.0, 110)(random_);
    unit.shape.low = 5300 - 100.0 * unit.index + std::normal_distribution<double>(0.0, 90)(random_);
    if (slow) {
        unit.shape.low -= 1200;
    }
}

void RaceGenerator::Advance(Unit& unit, Micros now) {
    while (now >= unit.lap_start + kCentisecond * unit.lap_time) {
        const auto [top, bottom] = unit.shape.Extremes(0.0, 1.0);
        laps_.push_back({unit.index, unit.lap, unit.lap_time, top, bottom});
        unit.last_lap = unit.lap_time;
        unit.best = unit.best == 0 ? unit.lap_time : std::min(unit.best, unit.lap_time);
        unit.last_max = top;
        unit.last_min = bottom;
        unit.lap_start += kCentisecond * unit.lap_time;
        ++unit.lap;
        PlanLap(unit);
    }
}

Micros RaceGenerator::EffectiveDue(const Unit& unit, Micros now) const {
    const Micros due = std::min(unit.timing_due, unit.temperature_due);
    const Micros sent_at = std::max(due, now);
    if (sent_at >= unit.quiet_from && sent_at < unit.quiet_to) {
        return unit.quiet_to;
    }
    return due;
}

bool RaceGenerator::IsSilent(int kart) const {
    if (kart < 0 || size_t(kart) >= units_.size()) {
        return false;
    }
    const Micros now = time_->Now();
    return now >= units_[size_t(kart)].quiet_from && now < units_[size_t(kart)].quiet_to;
}

std::optional<Bytes64> RaceGenerator::Next(int timeout_ms) {
    if (timeout_ms <= 0 || timeout_ms > 100) {
        timeout_ms = 100;
    }
    Micros now = time_->Now();
    if (!started_) {
        Start(now);
    }
    const Micros deadline = now + Micros(std::int64_t(timeout_ms) * 1000);
    for (;;) {
        Unit* next = &units_.front();
        for (Unit& unit : units_) {
            if (EffectiveDue(unit, now) < EffectiveDue(*next, now)) {
                next = &unit;
            }
        }
        const Micros due = EffectiveDue(*next, now);
        if (due <= now) {
            return Emit(*next, now);
        }
        if (now >= deadline) {
            return std::nullopt;
        }
        time_->Wait(std::min(due, deadline) - now);
        now = time_->Now();
    }
}

Bytes64 RaceGenerator::Emit(Unit& unit, Micros now) {
    if (now >= unit.quiet_to) {
        unit.quiet_from = now + Micros(std::int64_t(Uniform(25, 70) * 1e6));
        unit.quiet_to = unit.quiet_from + Micros(std::int64_t(Uniform(2, 3) * 1e6));
    }
    Advance(unit, now);
    ++unit.counter;  // every transmission, whatever its type
    if (unit.temperature_due <= unit.timing_due) {
        unit.temperature_due += Micros(std::int64_t(Uniform(2, 4) * 1e6));
        unit.temperature_due = std::max(unit.temperature_due, now + options_.frame_period);
        return TemperatureFrame(unit, now);
    }
    // A little jitter, as radio slots never line up exactly.
    unit.timing_due += Micros(std::int64_t(options_.frame_period.count() * Uniform(0.9, 1.1)));
    if (unit.timing_due < now) {
        unit.timing_due = now + options_.frame_period;  // no burst after a drop-out
    }
    return TimingFrame(unit, now);
}

Bytes64 RaceGenerator::TimingFrame(Unit& unit, Micros now) {
    const std::uint32_t running = Centiseconds(now - unit.lap_start);
    const double fraction = double(running) / unit.lap_time;
    int sector = 1;
    while (sector < 3 && fraction >= kSectorEnds[size_t(sector - 1)]) {
        ++sector;
    }
    TimingFields f;
    f.serial = unit.kart.serial;
    f.node = unit.kart.node;
    f.counter = unit.counter;
    f.driver = unit.kart.driver_text;
    f.race = 1;
    f.lap = LapByte(unit.lap - 1);
    f.lap_in_progress = LapByte(unit.lap);
    f.sector_in_progress = std::uint8_t(sector);
    f.strips = kStrips;
    if (sector > 1) {  // the sector just finished in this lap
        const double from = sector > 2 ? kSectorEnds[size_t(sector - 3)] : 0.0;
        const double to = kSectorEnds[size_t(sector - 2)];
        f.sector = std::uint8_t(sector - 1);
        f.sector_lap = LapByte(unit.lap);
        f.sector_time = std::uint32_t(std::lround((to - from) * unit.lap_time));
        std::tie(f.sector_rpm_max, f.sector_rpm_min) = unit.shape.Extremes(from, to);
    } else if (unit.lap > 1) {  // the last sector of the previous lap
        f.sector = 3;
        f.sector_lap = LapByte(unit.lap - 1);
        f.sector_time = std::uint32_t(std::lround((1.0 - kSectorEnds[1]) * unit.last_lap));
        std::tie(f.sector_rpm_max, f.sector_rpm_min) =
            unit.previous_shape.Extremes(kSectorEnds[1], 1.0);
    }
    f.lap_time = unit.last_lap;
    f.lap_rpm_max = unit.last_max;
    f.lap_rpm_min = unit.last_min;
    f.running_lap_time = running;
    f.session_time = Centiseconds(now - start_);
    const double rpm = unit.shape.Rpm(fraction) + std::normal_distribution<double>(0, 25)(random_);
    f.rpm = std::uint16_t(std::lround(std::clamp(rpm, unit.shape.low, unit.shape.high)));
    f.best_lap = unit.best;
    return MakeTimingFrame(f);
}

Bytes64 RaceGenerator::TemperatureFrame(Unit& unit, Micros now) {
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double warm = 1.0 - std::exp(-seconds / kWarmUpSeconds);
    std::array<std::int16_t, 3> tenths{};
    for (size_t i = 0; i < tenths.size(); ++i) {
        unit.drift[i] = std::clamp(unit.drift[i] + std::normal_distribution<double>(0, 4)(random_),
                                   -40.0, 40.0);
        const double value = kAmbient + (unit.targets[i] - kAmbient) * warm + unit.drift[i];
        tenths[i] = std::int16_t(std::lround(value));
    }
    TemperatureFields f;
    f.serial = unit.kart.serial;
    f.node = unit.kart.node;
    f.counter = unit.counter;
    f.temp1 = tenths[0];
    f.temp2 = tenths[1];
    f.temp3 = tenths[2];
    return MakeTemperatureFrame(f);
}

int RaceGenerator::NetworkValue() {
    network_ = std::clamp(network_ + std::normal_distribution<double>(0, 1.5)(random_), 70.0, 99.0);
    return int(std::lround(network_));
}

}  // namespace sim
