#pragma once

#include <QColor>
#include <QRectF>
#include <QString>
#include <vector>

#include "LapStatistics.h"

class QPainter;
struct Timesheet;

// One kart's laps on a lap chart.
struct ChartSeries {
    int slot = 0;
    QString name;
    std::vector<LapLine> laps;  // in the order driven
    // Consecutive laps are joined by a line. Off where only the ten fastest laps are
    // known: joining them would draw a sequence that never happened.
    bool joined = true;
};

// The karts of a sheet, each with its counted laps.
std::vector<ChartSeries> ChartSeriesOf(const Timesheet& sheet);

// Where the lap axis is labelled: round lap numbers, about `most` of them at most.
std::vector<double> LapTicks(double last_lap, int most);

// The time axis: labels every `step` centiseconds from low to high, each with as
// many decimals as the step needs.
struct TimeTicks {
    double step = 0;
    int decimals = 0;
    std::vector<double> values;
};
TimeTicks TimeTicksFor(double low, double high, int most);

// The colour of a kart slot on every chart.
QColor SlotColour(int slot);

// Lap time (up) against lap number (across), one colour per kart, each best lap as a
// large ring; the legend under the axis caption takes as many rows as it needs. Laps slower than
// the chart's top (130% of the slowest kart's best) sit on the top edge as triangles so that a pit
// lap does not flatten the others. Sizes are in the painter's units; font_size is the text height
// in those units.
void PaintLapChart(QPainter& painter, const QRectF& area, const std::vector<ChartSeries>& series,
                   int font_size);
