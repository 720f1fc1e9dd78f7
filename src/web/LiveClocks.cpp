#include "LiveClocks.h"

#include <cstdlib>

#include "LiveBoard.h"
#include "Station.h"

namespace {

qint64 CountsToMs(qint64 counts, qint64 frequency) {
    return frequency > 0 ? counts * 1000 / frequency : 0;
}

}  // namespace

bool KartNotHeard(const Station& station, const KartSlot& kart) {
    if (!kart.radio) {
        return false;
    }
    const qint64 now = station.clock().PerformanceCounter();
    const qint64 frequency = station.clock().PerformanceFrequency();
    qint64 since = kart.last_change_counter;
    if (const UnitLink* unit = station.link_quality.Find(kart.serial_number)) {
        since = unit->last_heard;
    } else if (since == 0) {
        return true;  // never heard in this run
    }
    return CountsToCentiseconds(now - since, frequency) > kNotHeardAfter;
}

void LiveClocks::Update(const Station& station, qint64 now_ms) {
    at_ms_ = now_ms;
    const qint64 now = station.clock().PerformanceCounter();
    const qint64 frequency = station.clock().PerformanceFrequency();
    const bool running = station.poll_mode == kPollSession;

    const qint64 start_counter = running && station.session_screen != nullptr
                                     ? station.session_screen->SessionStartCounter()
                                     : 0;
    if (start_counter == 0) {
        session_start_ms_ = 0;
    } else if (start_counter != session_start_counter_ || session_start_ms_ == 0) {
        session_start_ms_ = now_ms - CountsToMs(now - start_counter, frequency);
    }
    session_start_counter_ = start_counter;

    for (int n = 1; n <= kSlotCount; ++n) {
        const KartSlot& slot = station.slot(n);
        Kart& kart = karts_.at(size_t(n - 1));
        const qint32 reported = station.current_lap_time(n);
        if (reported != kart.seen_running_cs) {
            kart.seen_running_cs = reported;
            kart.seen_change_counter = now;
        }
        qint32 elapsed = reported;
        bool ticking = false;
        if (running && slot.radio) {
            ticking =
                !KartNotHeard(station, slot) &&
                CountsToCentiseconds(now - kart.seen_change_counter, frequency) <= kStandingAfterCs;
        } else if (running && slot.stopwatch_running) {
            // The stopwatch's start is known exactly: no estimate needed.
            ticking = true;
            elapsed = qint32(CountsToCentiseconds(now - slot.timing_mark, frequency));
        }
        const qint64 estimate = now_ms - qint64(elapsed) * 10;
        const bool same_lap = kart.ticking && ticking &&
                              kart.lap_number == slot.current_lap_number &&
                              std::abs(estimate - kart.lap_start_ms) <= kToleranceMs;
        if (!same_lap) {
            kart.lap_start_ms = ticking ? estimate : 0;
        }
        kart.ticking = ticking;
        kart.standing_cs = ticking ? 0 : elapsed;
        kart.lap_number = slot.current_lap_number;
    }
}

qint32 LiveClocks::RunningCs(int slot) const {
    const Kart& k = kart(slot);
    return k.ticking ? qint32((at_ms_ - k.lap_start_ms) / 10) : k.standing_cs;
}
