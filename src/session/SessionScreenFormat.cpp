// The session screen's part in a session format: the run, its board and the
// automatic dashboard messages.
#include <QPushButton>

#include "FormatBoard.h"
#include "KartColumn.h"
#include "KartTiming.h"
#include "ScreenWidgets.h"
#include "SessionRun.h"
#include "Tfekranglowny.h"

void Tfekranglowny::StartFormat() {
    if (!format_.Active()) {
        return;  // today's session: nothing added, nothing drawn
    }
    run_ = std::make_unique<SessionRun>(format_);
    run_->Start(0);
    std::array<QWidget*, kSlotCount> headers{};
    for (int s = 1; s <= kSlotCount; ++s) {
        headers[size_t(s - 1)] = columns_[size_t(s - 1)]->header();
    }
    format_board_ = std::make_unique<FormatBoard>(panel10_, headers);
    format_board_->Show(*run_, 0);
}

qint64 Tfekranglowny::SessionClockNow() const {
    const Clock& clock = station_.clock();
    return ElapsedCentiseconds(session_start_counter_, clock.PerformanceCounter(),
                               clock.PerformanceFrequency());
}

bool Tfekranglowny::FormatLap(int slot, qint32 lap_time) {
    const qint64 now = SessionClockNow();
    const SessionRun::Crossing crossing =
        run_->Cross(slot, lap_time, now, station_.slot(slot).radio);
    run_crossing_of_lap_.push_back(crossing.index);
    const FormatSettings& format = run_->settings();
    if (crossing.personal_best) {
        auto_messages_.Push(station_, slot, format.best_lap, 0, lap_time);
    }
    if (crossing.starts_last_lap) {
        auto_messages_.Push(station_, slot, format.last_lap, 0, lap_time);
    }
    if (crossing.finished) {
        int position = 0;
        for (const Standing& standing : run_->Standings()) {
            if (standing.slot == slot) {
                position = standing.position;
            }
        }
        auto_messages_.Push(station_, slot, format.finish, position, lap_time);
    }
    // The leader's last lap may have brought the flag out for the others too.
    for (int other : run_->Tick(now)) {
        auto_messages_.Push(station_, other, format.last_lap, 0, 0);
    }
    format_board_->Show(*run_, now);
    return crossing.valid;
}

void Tfekranglowny::FormatCorrection(const SessionLap& lap) {
    if (!run_ || lap.id < 1 || lap.id > int(run_crossing_of_lap_.size())) {
        return;
    }
    const qint64 now = SessionClockNow();
    run_->Withdraw(run_crossing_of_lap_[size_t(lap.id - 1)], lap.deleted, now);
    // A flag taken back or brought out shows at once; an end it allows waits for the
    // next second's tick, as any end by itself does.
    format_board_->Show(*run_, now);
}

void Tfekranglowny::FormatTick() {
    if (!run_ || run_->phase() == SessionRun::Phase::kOver) {
        return;
    }
    const qint64 now = SessionClockNow();
    for (int slot : run_->Tick(now)) {
        auto_messages_.Push(station_, slot, run_->settings().last_lap, 0, 0);
    }
    format_board_->Show(*run_, now);
    if (run_->ShouldEnd(now) && button1_->isEnabled()) {
        // Once only: if the session file cannot be written and the operator keeps
        // the session, ending it again is the operator's.
        run_->MarkOver();
        Button1Click();
    }
}

namespace {
// The standing of a kart in a race run; null for best-lap order or no run.
const Standing* RaceStanding(const SessionRun* run, int slot, std::vector<Standing>& holder) {
    if (run == nullptr || run->settings().scoring != Scoring::kRace) {
        return nullptr;
    }
    holder = run->Standings();
    for (const Standing& standing : holder) {
        if (standing.slot == slot) {
            return &standing;
        }
    }
    return nullptr;
}
}  // namespace

int Tfekranglowny::RacePosition(int slot) const {
    std::vector<Standing> standings;
    const Standing* standing = RaceStanding(run_.get(), slot, standings);
    return standing ? standing->position : 0;
}

QString Tfekranglowny::RaceGap(int slot) const {
    std::vector<Standing> standings;
    const Standing* standing = RaceStanding(run_.get(), slot, standings);
    return standing ? GapText(standing->to_leader) : QString();
}
