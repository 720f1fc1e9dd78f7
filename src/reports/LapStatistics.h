#pragma once

#include <QDateTime>
#include <QtGlobal>
#include <vector>

#include "LapRecord.h"

// One lap as a timesheet lists it.
struct SheetLap {
    qint32 lap_number = 0;
    qint32 lap_time = 0;  // centiseconds
    // The lap stands among its kart's ten fastest at the end of the session.
    bool in_top_ten = false;
    bool deleted = false;  // taken back by a lap correction: struck out, counted nowhere
    QDateTime deleted_at;  // when it was taken back, when known
    SectorTimes sectors{};
    qint64 session_time = -1;  // centiseconds from the session start to its end; -1 unknown
};

// One lap of a driver with what the sheet says about it.
struct LapLine {
    qint32 lap_number = 0;
    qint32 lap_time = 0;
    qint32 gap = 0;  // to the driver's best lap, centiseconds, never negative
    bool best = false;
    bool in_top_ten = false;
};

// Figures of one driver's laps, in the order they were driven. Deleted laps and laps
// without a time are left out of everything.
// The clean laps are those that tell the driver's pace: all but the first (the out
// lap from the pits) and those over 107% of the best. Their average is the clean
// average and consistency is their population standard deviation (divided by n, not
// n - 1): they are every such lap of the session, not a sample of a larger set.
class LapStatistics {
  public:
    explicit LapStatistics(const std::vector<SheetLap>& laps);

    const std::vector<LapLine>& laps() const { return lines_; }
    bool empty() const { return lines_.empty(); }

    qint32 best() const { return best_; }
    qint32 best_lap_number() const { return best_lap_number_; }
    // Centiseconds, not rounded; average and median of all counted laps.
    double average() const { return average_; }
    double median() const { return median_; }
    double clean_average() const { return clean_average_; }
    double consistency() const { return consistency_; }
    // How many laps the clean average and consistency are taken over.
    int clean_laps() const { return clean_laps_; }

    // A lap counts as clean when it is at most 107% of the best.
    static bool WithinConsistencyLimit(qint32 lap_time, qint32 best);

  private:
    std::vector<LapLine> lines_;
    qint32 best_ = 0;
    qint32 best_lap_number_ = 0;
    double average_ = 0.0;
    double median_ = 0.0;
    double clean_average_ = 0.0;
    double consistency_ = 0.0;
    int clean_laps_ = 0;
};

// A figure in centiseconds rounded to the nearest hundredth (halves away from zero)
// for FormatLapTime.
quint32 RoundedCentiseconds(double centiseconds);
