#include "LapStatistics.h"

#include <algorithm>
#include <cmath>

LapStatistics::LapStatistics(const std::vector<SheetLap>& laps) {
    std::vector<qint32> times;
    for (const SheetLap& lap : laps) {
        if (lap.deleted || lap.lap_time <= 0) {
            continue;
        }
        lines_.push_back({lap.lap_number, lap.lap_time, 0, false, lap.in_top_ten});
        times.push_back(lap.lap_time);
    }
    if (lines_.empty()) {
        return;
    }

    // The first lap with the best time is the best lap; a later equal lap is not.
    auto best = std::min_element(
        lines_.begin(), lines_.end(),
        [](const LapLine& a, const LapLine& b) { return a.lap_time < b.lap_time; });
    best->best = true;
    best_ = best->lap_time;
    best_lap_number_ = best->lap_number;
    for (LapLine& line : lines_) {
        line.gap = line.lap_time - best_;
    }

    double sum = 0.0;
    for (qint32 t : times) {
        sum += t;
    }
    average_ = sum / double(times.size());

    // Clean laps, before the times are sorted: the first one driven is the out lap.
    std::vector<qint32> clean;
    for (size_t i = 1; i < times.size(); ++i) {
        if (WithinConsistencyLimit(times[i], best_)) {
            clean.push_back(times[i]);
        }
    }
    clean_laps_ = int(clean.size());
    if (!clean.empty()) {
        double clean_sum = 0.0;
        for (qint32 t : clean) {
            clean_sum += t;
        }
        clean_average_ = clean_sum / double(clean.size());
        double squares = 0.0;
        for (qint32 t : clean) {
            squares += (t - clean_average_) * (t - clean_average_);
        }
        consistency_ = std::sqrt(squares / double(clean.size()));
    }

    std::sort(times.begin(), times.end());
    const size_t mid = times.size() / 2;
    median_ = times.size() % 2 == 1 ? double(times[mid])
                                    : (double(times[mid - 1]) + double(times[mid])) / 2.0;
}

bool LapStatistics::WithinConsistencyLimit(qint32 lap_time, qint32 best) {
    // In integers, so a lap of exactly 107% is in.
    return qint64(lap_time) * 100 <= qint64(best) * 107;
}

quint32 RoundedCentiseconds(double centiseconds) {
    if (centiseconds <= 0.0) {
        return 0;
    }
    return quint32(std::llround(centiseconds));
}
