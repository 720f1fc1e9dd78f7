#pragma once

#include <array>
#include <optional>
#include <vector>

#include "FormatSettings.h"
#include "RaceScoring.h"

// The course of one session under a format: the clock (from "Session start" or from
// the first crossing of the line), the countdown or laps to go, the chequered flag,
// each kart's laps that count, and when the session ends by itself. Times are
// centiseconds on one clock of the caller's choosing (the session screen passes the
// time since "Session start").
class SessionRun {
  public:
    // After the flag, a kart that does not come round again (stopped out on the
    // track) would hold the session open for ever.
    static constexpr qint64 kFlagGrace = 3 * 60 * 100;

    enum class Phase { kWaitingForStart, kRunning, kFlag, kOver };

    // What one crossing of the line meant.
    struct Crossing {
        bool valid = true;             // inside the lap time window
        bool counted = false;          // counted for the ranking
        bool starts_last_lap = false;  // the kart has just begun its last lap
        bool finished = false;         // the kart took the flag with this crossing
        bool personal_best = false;    // faster than the kart's earlier laps that count
        int index = -1;                // in the run's record of crossings; -1 not recorded
    };

    explicit SessionRun(FormatSettings settings);

    // "Session start": starts the clock unless the start is rolling.
    void Start(qint64 now);
    // A kart crossed the line, ending a lap of lap_time. The lap time window holds
    // for radio laps only: a hand-timed lap is as the operator clicked it.
    Crossing Cross(int slot, qint32 lap_time, qint64 now, bool radio = true);
    // Shows the flag when time is up. Returns the karts that have begun their last
    // lap because the flag came out (by time, or by the leader's last lap) since the
    // last call.
    std::vector<int> Tick(qint64 now);
    // Every kart that took part has taken the flag, or the flag has been out long enough.
    bool ShouldEnd(qint64 now) const;
    // A lap correction: the crossing of that index is taken back (withdrawn) or brought
    // back. The run is worked out again from its crossings as if the ones taken back
    // had never been driven: laps, best laps, the flag, finishes, the invalid laps. The
    // automatic messages already sent stay sent; none are asked for again.
    bool Withdraw(int index, bool withdrawn, qint64 now);

    Phase phase() const { return phase_; }
    bool flag_shown() const { return phase_ == Phase::kFlag || phase_ == Phase::kOver; }
    void MarkOver() { phase_ = Phase::kOver; }
    // Centiseconds left of a session in minutes (never below 0), while it runs.
    std::optional<qint64> TimeLeft(qint64 now) const;
    // Laps the leader has still to drive, in a session of laps.
    std::optional<int> LapsToGo() const;
    // Centiseconds until the session ends by itself after the flag (never below 0),
    // while the flag is out.
    std::optional<qint64> EndsIn(qint64 now) const;
    // Karts that crossed the line in the session, and those of them that took the flag.
    int KartsTakingPart() const;
    int KartsFinished() const;
    // The kart's latest crossing was a lap outside the lap time window.
    bool LastLapInvalid(int slot) const { return last_lap_invalid_.at(size_t(slot - 1)); }
    const KartTally& kart(int slot) const { return karts_.at(size_t(slot - 1)); }
    std::vector<Standing> Standings() const { return Rank(settings_.scoring, karts_); }
    const FormatSettings& settings() const { return settings_; }
    // Laps outside the lap time window, in the order driven: slot, time and when
    // they ended on the session clock (the lap log's session time).
    struct InvalidLap {
        int slot = 0;
        qint32 lap_time = 0;
        qint64 ended_at = 0;
    };
    const std::vector<InvalidLap>& invalid_laps() const { return invalid_laps_; }

  private:
    struct Recorded {
        int slot = 0;
        qint32 lap_time = 0;
        qint64 now = 0;
        bool radio = true;
        bool withdrawn = false;
    };

    Crossing Apply(const Recorded& crossing);
    void Replay(qint64 now);
    void CheckTime(qint64 now);
    void ShowFlag(qint64 now);

    FormatSettings settings_;
    Phase phase_ = Phase::kWaitingForStart;
    bool started_ = false;  // by "Session start"; a rolling start waits for a crossing
    qint64 start_at_ = 0;
    qint64 clock_start_ = 0;
    qint64 flag_at_ = 0;
    std::vector<Recorded> crossings_;
    std::array<KartTally, kSlotCount> karts_{};
    std::array<bool, kSlotCount> told_last_lap_{};
    std::vector<int> last_lap_due_;
    std::vector<InvalidLap> invalid_laps_;
    std::array<bool, kSlotCount> last_lap_invalid_{};
};
