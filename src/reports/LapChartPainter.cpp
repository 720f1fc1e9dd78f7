#include "LapChartPainter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>

#include "Timesheet.h"

namespace {

// A step of 1, 2 or 5 times a power of ten that gives about `ticks` steps over span.
double NiceStep(double span, int ticks) {
    const double raw = span / std::max(ticks, 1);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0}) {
        if (m * power >= raw) {
            return m * power;
        }
    }
    return 10.0 * power;
}

struct Range {
    double x_max = 1;
    double y_min = 0;  // centiseconds
    double y_max = 1;
};

Range RangeOf(const std::vector<ChartSeries>& series) {
    Range range;
    qint32 fastest = 0;
    qint32 slowest_best = 0;
    qint32 slowest_shown = 0;
    for (const ChartSeries& s : series) {
        qint32 best = 0;
        for (const LapLine& lap : s.laps) {
            range.x_max = std::max(range.x_max, double(lap.lap_number));
            best = best == 0 ? lap.lap_time : std::min(best, lap.lap_time);
        }
        if (best == 0) {
            continue;
        }
        fastest = fastest == 0 ? best : std::min(fastest, best);
        slowest_best = std::max(slowest_best, best);
    }
    const double cap = slowest_best * 1.3;
    for (const ChartSeries& s : series) {
        for (const LapLine& lap : s.laps) {
            if (lap.lap_time <= cap) {
                slowest_shown = std::max(slowest_shown, lap.lap_time);
            }
        }
    }
    if (fastest == 0) {
        return range;
    }
    // Room above and below the points so that rings are not cut by the frame.
    const double span = std::max(double(slowest_shown - fastest), 100.0);
    range.y_min = fastest - span * 0.08;
    range.y_max = slowest_shown + span * 0.08;
    return range;
}

}  // namespace

std::vector<ChartSeries> ChartSeriesOf(const Timesheet& sheet) {
    std::vector<ChartSeries> series;
    for (const DriverSheet& driver : sheet.drivers) {
        LapStatistics stats(driver.laps);
        series.push_back({driver.slot, driver.driver_name, stats.laps(), !sheet.only_fastest});
    }
    return series;
}

QColor SlotColour(int slot) {
    // Apart on paper and on screen, and for the commonest colour blindness.
    static const std::array<QColor, 5> colours = {
        QColor(0x00, 0x72, 0xB2), QColor(0xD5, 0x5E, 0x00), QColor(0x00, 0x9E, 0x73),
        QColor(0xCC, 0x79, 0xA7), QColor(0x44, 0x44, 0x44)};
    return colours[size_t(std::clamp(slot, 1, 5) - 1)];
}

std::vector<double> LapTicks(double last_lap, int most) {
    std::vector<double> ticks;
    if (last_lap < 1) {
        return ticks;
    }
    // Round lap numbers (5, 10, 15 or 50, 100, 150), and lap 1 where the step is wide
    // enough for it to stand apart.
    const double step = std::max(1.0, NiceStep(last_lap, std::max(most, 1)));
    if (step >= 5) {
        ticks.push_back(1);
    }
    for (double lap = step; lap <= last_lap + 1e-9; lap += step) {
        ticks.push_back(lap);
    }
    return ticks;
}

TimeTicks TimeTicksFor(double low, double high, int most) {
    TimeTicks ticks;
    if (high <= low) {
        return ticks;
    }
    ticks.step = NiceStep((high - low) / 100.0, std::max(most, 1)) * 100.0;
    // As many decimals as the step needs, so that no two labels read the same.
    ticks.decimals = std::clamp(int(std::ceil(-std::log10(ticks.step / 100.0) - 1e-9)), 0, 2);
    for (double k = std::ceil(low / ticks.step); k * ticks.step <= high + 1e-9; k += 1) {
        ticks.values.push_back(k * ticks.step);
    }
    return ticks;
}

namespace {

// One entry of the legend: a coloured dot with a name, or the key to the ring.
struct LegendItem {
    QString text;
    QColor colour;  // invalid for the key
};

// The legend's entries flowed into rows no wider than width.
std::vector<std::vector<LegendItem>> LegendRows(const std::vector<ChartSeries>& series,
                                                const QFontMetricsF& metrics, double dot,
                                                double font_size, double width) {
    std::vector<LegendItem> items;
    for (const ChartSeries& s : series) {
        items.push_back({s.name.trimmed().isEmpty() ? QString::number(s.slot) : s.name.trimmed(),
                         SlotColour(s.slot)});
    }
    items.push_back({QStringLiteral("ring: best lap"), QColor()});
    std::vector<std::vector<LegendItem>> rows(1);
    double x = 0;
    for (const LegendItem& item : items) {
        const double item_width = 4 * dot + metrics.horizontalAdvance(item.text);
        if (x > 0 && x + item_width > width) {
            rows.emplace_back();
            x = 0;
        }
        rows.back().push_back(item);
        x += item_width + 2 * font_size;
    }
    return rows;
}

}  // namespace

void PaintLapChart(QPainter& painter, const QRectF& area, const std::vector<ChartSeries>& series,
                   int font_size) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(std::max(font_size, 1));
    painter.setFont(font);
    const QFontMetricsF metrics(font, painter.device());

    const double unit = font_size / 10.0;
    const double dot = 2.2 * unit;
    const double line = font_size * 1.4;
    const Range range = RangeOf(series);
    const TimeTicks y_ticks =
        TimeTicksFor(range.y_min, range.y_max, std::max(2, int(area.height() / (font_size * 3.0))));
    QString widest_label;
    for (const double t : y_ticks.values) {
        const QString label = QString::number(t / 100.0, 'f', y_ticks.decimals);
        widest_label = label.size() > widest_label.size() ? label : widest_label;
    }
    const double left = metrics.horizontalAdvance(widest_label + QStringLiteral("0")) + 6 * unit;
    // Under the plot: lap numbers, the axis caption, then the legend in as many rows
    // as it needs, so that nothing is drawn over anything else.
    const auto legend = LegendRows(series, metrics, dot, font_size, area.width() - left);
    const double below = line * (2 + double(legend.size())) + font_size * 0.4;
    const QRectF plot = area.adjusted(left, font_size * 0.5, -font_size, -below);
    painter.fillRect(area, Qt::white);

    // Half a lap of room at both ends keeps the first and last points off the frame.
    auto to_x = [&](double lap) { return plot.left() + (lap - 0.5) / range.x_max * plot.width(); };
    auto to_y = [&](double time) {
        const double y =
            plot.bottom() - (time - range.y_min) / (range.y_max - range.y_min) * plot.height();
        return std::clamp(y, plot.top(), plot.bottom());
    };

    // Grid and axis labels: seconds up, lap numbers across.
    const QPen grid_pen(QColor(0xDD, 0xDD, 0xDD), 0.5 * unit);
    for (const double t : y_ticks.values) {
        const double y = to_y(t);
        painter.setPen(grid_pen);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(Qt::black);
        painter.drawText(
            QRectF(area.left(), y - font_size, plot.left() - area.left() - 4 * unit, 2 * font_size),
            Qt::AlignRight | Qt::AlignVCenter, QString::number(t / 100.0, 'f', y_ticks.decimals));
    }
    const int x_room = std::max(1, int(plot.width() / (font_size * 4.0)));
    for (const double lap : LapTicks(range.x_max, std::min(10, x_room))) {
        const double x = to_x(lap);
        painter.setPen(grid_pen);
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        painter.setPen(Qt::black);
        painter.drawText(
            QRectF(x - 3 * font_size, plot.bottom() + 2 * unit, 6 * font_size, font_size * 1.3),
            Qt::AlignHCenter | Qt::AlignTop, QString::number(int(lap)));
    }
    painter.setPen(QPen(Qt::black, 0.8 * unit));
    painter.drawRect(plot);
    painter.drawText(QRectF(plot.left(), plot.bottom() + line, plot.width(), line),
                     Qt::AlignHCenter | Qt::AlignTop,
                     QStringLiteral("lap number; lap time in seconds"));

    for (const ChartSeries& s : series) {
        const QColor colour = SlotColour(s.slot);
        if (s.joined) {
            painter.setPen(QPen(colour, 1.2 * unit));
            for (size_t i = 1; i < s.laps.size(); ++i) {
                // A lap number that does not go up (the stopwatch was restarted)
                // starts a new line.
                if (s.laps[i].lap_number <= s.laps[i - 1].lap_number) {
                    continue;
                }
                painter.drawLine(
                    QPointF(to_x(s.laps[i - 1].lap_number), to_y(s.laps[i - 1].lap_time)),
                    QPointF(to_x(s.laps[i].lap_number), to_y(s.laps[i].lap_time)));
            }
        }
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        // Lone points need more ink than points on a line to be seen.
        const double size = s.joined ? dot : dot * 1.6;
        for (const LapLine& lap : s.laps) {
            const QPointF at(to_x(lap.lap_number), to_y(lap.lap_time));
            if (lap.lap_time > range.y_max) {
                QPainterPath up;
                up.moveTo(at + QPointF(0, -size));
                up.lineTo(at + QPointF(size, size));
                up.lineTo(at + QPointF(-size, size));
                up.closeSubpath();
                painter.drawPath(up);
            } else {
                painter.drawEllipse(at, size, size);
            }
            if (lap.best) {
                painter.setPen(QPen(colour, 1.2 * unit));
                painter.setBrush(Qt::NoBrush);
                painter.drawEllipse(at, size * 2.4, size * 2.4);
                painter.setPen(Qt::NoPen);
                painter.setBrush(colour);
            }
        }
    }
    painter.setBrush(Qt::NoBrush);

    // The legend, from the left edge of the plot, row under row.
    double y = plot.bottom() + 2 * line + line * 0.5;
    for (const std::vector<LegendItem>& row : legend) {
        double x = plot.left();
        for (const LegendItem& item : row) {
            if (item.colour.isValid()) {
                painter.setPen(Qt::NoPen);
                painter.setBrush(item.colour);
                painter.drawEllipse(QPointF(x + dot, y), dot * 1.4, dot * 1.4);
            } else {
                painter.setPen(QPen(Qt::black, 1.2 * unit));
                painter.setBrush(Qt::NoBrush);
                painter.drawEllipse(QPointF(x + dot, y), dot * 1.6, dot * 1.6);
            }
            painter.setBrush(Qt::NoBrush);
            painter.setPen(Qt::black);
            painter.drawText(QPointF(x + 4 * dot, y + font_size * 0.35), item.text);
            x += 4 * dot + metrics.horizontalAdvance(item.text) + 2 * font_size;
        }
        y += line;
    }
    painter.restore();
}
