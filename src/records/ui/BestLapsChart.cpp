#include "BestLapsChart.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "TimeFormat.h"

BestLapsChart::BestLapsChart(QWidget* parent) : QWidget(parent) {
    setMinimumSize(360, 180);
}

void BestLapsChart::SetDays(std::vector<DayBest> days) {
    days_ = std::move(days);
    update();
}

void BestLapsChart::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF plot = QRectF(rect()).adjusted(64, 12, -12, -28);
    painter.setPen(Qt::gray);
    painter.drawRect(plot);
    if (days_.empty()) {
        painter.drawText(plot, Qt::AlignCenter, QStringLiteral("No laps"));
        return;
    }
    const auto [fastest, slowest] = std::minmax_element(
        days_.begin(), days_.end(),
        [](const DayBest& a, const DayBest& b) { return a.best_lap < b.best_lap; });
    const double low = fastest->best_lap;
    const double span = std::max(1.0, double(slowest->best_lap) - low);
    const qint64 first = days_.front().day.toJulianDay();
    const double days = std::max<qint64>(1, days_.back().day.toJulianDay() - first);
    const auto point = [&](const DayBest& day) {
        return QPointF(plot.left() + plot.width() * double(day.day.toJulianDay() - first) / days,
                       plot.bottom() - plot.height() * (double(day.best_lap) - low) / span);
    };
    painter.setPen(Qt::black);
    painter.drawText(QRectF(0, plot.bottom() - 10, 60, 20), Qt::AlignRight | Qt::AlignVCenter,
                     FormatLapTime(quint32(fastest->best_lap)));
    painter.drawText(QRectF(0, plot.top() - 8, 60, 20), Qt::AlignRight | Qt::AlignVCenter,
                     FormatLapTime(quint32(slowest->best_lap)));
    painter.drawText(QRectF(plot.left(), plot.bottom() + 4, plot.width(), 20), Qt::AlignLeft,
                     days_.front().day.toString(Qt::ISODate));
    painter.drawText(QRectF(plot.left(), plot.bottom() + 4, plot.width(), 20), Qt::AlignRight,
                     days_.back().day.toString(Qt::ISODate));
    QPainterPath line;
    line.moveTo(point(days_.front()));
    for (const DayBest& day : days_) {
        line.lineTo(point(day));
    }
    painter.setPen(QPen(QColor(0, 0, 128), 1.5));
    painter.drawPath(line);
    painter.setBrush(Qt::red);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(point(*fastest), 4, 4);
}
