#pragma once

#include <QtGlobal>
#include <vector>

// One lap as a timesheet lists it.
struct SheetLap {
    qint32 lap_number = 0;
    qint32 lap_time = 0;  // centiseconds
    bool entered_top_ten = false;
    bool deleted = false;  // taken back by a lap correction: listed nowhere, counted nowhere
};

// One lap of a driver with what the sheet says about it.
struct LapLine {
    qint32 lap_number = 0;
    qint32 lap_time = 0;
    qint32 gap = 0;  // to the driver's best lap, centiseconds, never negative
    bool best = false;
    bool entered_top_ten = false;
};

// Figures of one driver's laps, in the order they were driven. Deleted laps and laps
// without a time are left out of everything. Consistency is the population standard
// deviation (divided by n, not n - 1) of the laps within 107% of the best: those laps
// are every such lap of the session, not a sample of a larger set.
class LapStatistics {
  public:
    explicit LapStatistics(const std::vector<SheetLap>& laps);

    const std::vector<LapLine>& laps() const { return lines_; }
    bool empty() const { return lines_.empty(); }

    qint32 best() const { return best_; }
    qint32 best_lap_number() const { return best_lap_number_; }
    // Centiseconds, not rounded.
    double average() const { return average_; }
    double median() const { return median_; }
    double consistency() const { return consistency_; }
    // How many laps the consistency figure is taken over.
    int consistent_laps() const { return consistent_laps_; }

    // A lap counts for consistency when it is at most 107% of the best.
    static bool WithinConsistencyLimit(qint32 lap_time, qint32 best);

  private:
    std::vector<LapLine> lines_;
    qint32 best_ = 0;
    qint32 best_lap_number_ = 0;
    double average_ = 0.0;
    double median_ = 0.0;
    double consistency_ = 0.0;
    int consistent_laps_ = 0;
};

// A figure in centiseconds rounded to the nearest hundredth (halves away from zero)
// for FormatLapTime.
quint32 RoundedCentiseconds(double centiseconds);
