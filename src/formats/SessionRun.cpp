#include "SessionRun.h"

#include <algorithm>
#include <utility>

SessionRun::SessionRun(FormatSettings settings) : settings_(std::move(settings)) {}

void SessionRun::Start(qint64 now) {
    if (settings_.rolling_start) {
        return;  // the first crossing starts the clock
    }
    started_ = true;
    start_at_ = now;
    phase_ = Phase::kRunning;
    clock_start_ = now;
}

SessionRun::Crossing SessionRun::Cross(int slot, qint32 lap_time, qint64 now, bool radio) {
    if (!IsValidSlot(slot) || phase_ == Phase::kOver) {
        Crossing result;
        result.valid = !radio || settings_.window.Admits(lap_time);
        return result;
    }
    crossings_.push_back({slot, lap_time, now, radio, false});
    Crossing result = Apply(crossings_.back());
    result.index = int(crossings_.size()) - 1;
    return result;
}

bool SessionRun::Withdraw(int index, bool withdrawn, qint64 now) {
    if (index < 0 || index >= int(crossings_.size()) ||
        crossings_[size_t(index)].withdrawn == withdrawn) {
        return false;
    }
    crossings_[size_t(index)].withdrawn = withdrawn;
    Replay(now);
    return true;
}

void SessionRun::Replay(qint64 now) {
    // Everything but the start and the messages already sent follows from the
    // crossings that stand: told_last_lap_ stays, so no kart is told twice.
    const bool over = phase_ == Phase::kOver;
    phase_ = started_ ? Phase::kRunning : Phase::kWaitingForStart;
    clock_start_ = start_at_;
    flag_at_ = 0;
    karts_ = {};
    last_lap_invalid_ = {};
    last_lap_due_.clear();
    invalid_laps_.clear();
    for (const Recorded& crossing : crossings_) {
        if (!crossing.withdrawn) {
            Apply(crossing);
        }
    }
    CheckTime(now);
    if (over) {
        phase_ = Phase::kOver;
    }
}

SessionRun::Crossing SessionRun::Apply(const Recorded& crossing) {
    const int slot = crossing.slot;
    const qint32 lap_time = crossing.lap_time;
    const qint64 now = crossing.now;
    Crossing result;
    result.valid = !crossing.radio || settings_.window.Admits(lap_time);
    KartTally& kart = karts_[size_t(slot - 1)];
    last_lap_invalid_[size_t(slot - 1)] = !result.valid;
    if (!result.valid) {
        invalid_laps_.push_back({slot, lap_time, now});
    }
    if (phase_ == Phase::kWaitingForStart) {
        phase_ = Phase::kRunning;
        clock_start_ = now;
    }
    CheckTime(now);
    if (kart.finished) {
        return result;  // the lap after the flag
    }
    if (settings_.rolling_start && !kart.taking_part) {
        // Its first crossing only starts its race: the lap before was not timed from
        // the start.
        kart.taking_part = true;
        return result;
    }
    kart.taking_part = true;
    if (result.valid) {
        result.counted = true;
        result.personal_best = kart.best_lap > 0 && lap_time < kart.best_lap;
        if (kart.best_lap == 0 || lap_time < kart.best_lap) {
            kart.best_lap = lap_time;
        }
        ++kart.laps;
        kart.last_crossing = now - clock_start_;
        kart.total_time = kart.last_crossing;
    }
    if (phase_ == Phase::kFlag) {
        kart.finished = true;
        result.finished = true;
        // The flag came out with this very crossing: the lap just ended was the last.
        std::erase(last_lap_due_, slot);
        return result;
    }
    if (settings_.length == SessionLength::kLaps && kart.laps >= settings_.laps) {
        kart.finished = true;
        result.finished = true;
        ShowFlag(now);
        return result;
    }
    bool& told = told_last_lap_[size_t(slot - 1)];
    if (settings_.length == SessionLength::kLaps && kart.laps == settings_.laps - 1 && !told) {
        told = true;
        result.starts_last_lap = true;
    }
    return result;
}

std::vector<int> SessionRun::Tick(qint64 now) {
    CheckTime(now);
    return std::exchange(last_lap_due_, {});
}

void SessionRun::CheckTime(qint64 now) {
    const qint64 time_up = clock_start_ + qint64(settings_.minutes) * 6000;
    if (phase_ == Phase::kRunning && settings_.length == SessionLength::kMinutes &&
        now >= time_up) {
        // The flag is out from the moment time is up, however late this is called:
        // worked out again after a lap correction it comes out at the same time.
        ShowFlag(time_up);
    }
}

void SessionRun::ShowFlag(qint64 now) {
    phase_ = Phase::kFlag;
    flag_at_ = now;
    // Whatever lap a kart is on when the flag comes out is its last.
    for (int s = 1; s <= kSlotCount; ++s) {
        const KartTally& kart = karts_[size_t(s - 1)];
        bool& told = told_last_lap_[size_t(s - 1)];
        if (kart.taking_part && !kart.finished && !told) {
            told = true;
            last_lap_due_.push_back(s);
        }
    }
}

bool SessionRun::ShouldEnd(qint64 now) const {
    if (phase_ != Phase::kFlag) {
        return false;
    }
    if (now - flag_at_ >= kFlagGrace) {
        return true;
    }
    return KartsFinished() == KartsTakingPart();
}

std::optional<qint64> SessionRun::TimeLeft(qint64 now) const {
    if (settings_.length != SessionLength::kMinutes) {
        return std::nullopt;
    }
    const qint64 total = qint64(settings_.minutes) * 6000;
    if (phase_ == Phase::kWaitingForStart) {
        return total;
    }
    return std::max<qint64>(0, total - (now - clock_start_));
}

std::optional<int> SessionRun::LapsToGo() const {
    if (settings_.length != SessionLength::kLaps) {
        return std::nullopt;
    }
    int leader = 0;
    for (const KartTally& k : karts_) {
        leader = std::max(leader, k.laps);
    }
    return std::max(0, settings_.laps - leader);
}

std::optional<qint64> SessionRun::EndsIn(qint64 now) const {
    if (phase_ != Phase::kFlag) {
        return std::nullopt;
    }
    return std::max<qint64>(0, kFlagGrace - (now - flag_at_));
}

int SessionRun::KartsTakingPart() const {
    return int(std::count_if(karts_.begin(), karts_.end(),
                             [](const KartTally& k) { return k.taking_part; }));
}

int SessionRun::KartsFinished() const {
    return int(std::count_if(karts_.begin(), karts_.end(),
                             [](const KartTally& k) { return k.taking_part && k.finished; }));
}
