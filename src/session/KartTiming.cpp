#include "KartTiming.h"

#include <limits>

#include "TimeFormat.h"

std::optional<bool> StartOrStopStopwatch(KartSlot& slot, qint32& current_lap_time, qint64 now) {
    if (slot.radio) {
        return std::nullopt;
    }
    if (slot.stopwatch_running) {
        slot.stopwatch_running = false;
        return false;
    }
    slot.stopwatch_running = true;
    current_lap_time = 0;
    slot.timing_mark = now;
    slot.current_lap_number = 1;
    return true;
}

bool RestartStoppedStopwatch(KartSlot& slot, qint64 timing_mark, qint32 lap_number) {
    if (slot.radio || slot.stopwatch_running || slot.timing_mark != timing_mark ||
        slot.current_lap_number != lap_number) {
        return false;
    }
    slot.stopwatch_running = true;
    return true;
}

std::optional<HandLap> ReadHandLap(const KartSlot& slot, const Clock& clock) {
    return ReadHandLapAt(slot, clock.PerformanceCounter(), clock.PerformanceFrequency());
}

std::optional<HandLap> ReadHandLapAt(const KartSlot& slot, qint64 now, qint64 frequency) {
    if (slot.radio || !slot.stopwatch_running) {
        return std::nullopt;
    }
    const qint32 elapsed = ElapsedCentiseconds(slot.timing_mark, now, frequency);
    if (elapsed < kShortestHandLap) {
        return std::nullopt;
    }
    return HandLap{elapsed, now};
}

void StartNextHandLap(KartSlot& slot, qint32& current_lap_time, const HandLap& lap) {
    slot.timing_mark = lap.counter;
    slot.current_lap_number += 1;
    current_lap_time = 0;
}

qint32 ElapsedCentiseconds(qint64 from, qint64 to, qint64 frequency) {
    const qint64 centiseconds = CountsToCentiseconds(to - from, frequency);
    if (centiseconds > std::numeric_limits<qint32>::max()) {
        return std::numeric_limits<qint32>::max();
    }
    if (centiseconds < std::numeric_limits<qint32>::min()) {
        return std::numeric_limits<qint32>::min();
    }
    return qint32(centiseconds);
}

std::optional<Colour> UpdateStaleness(KartSlot& slot, qint32 current_lap_time, qint64 now,
                                      qint64 frequency) {
    if (slot.timing_mark == qint64(current_lap_time)) {
        if (CountsToCentiseconds(now - slot.last_change_counter, frequency) > kStaleAfter) {
            return Colours::kRed;
        }
        return std::nullopt;
    }
    slot.last_change_counter = now;
    slot.timing_mark = current_lap_time;
    return Colours::kWhite;
}

QString LastGapText(const KartSlot& slot) {
    return slot.best_lap_delta_sign + FormatGapFields(slot.best_lap_delta);
}

Colour LastGapColour(const KartSlot& slot) {
    return slot.best_lap_delta_sign == QLatin1String("+") ? Colours::kRed : Colours::kLime;
}

bool LampOnAtTick(qint32 packet_counter, qint32& seen_packet_counter) {
    const bool on = packet_counter != seen_packet_counter;
    seen_packet_counter = packet_counter;
    return on;
}

QString SessionClockText(qint64 start_counter, qint64 now, qint64 frequency) {
    return FormatClock(CountsToSeconds(now - start_counter, frequency));
}
