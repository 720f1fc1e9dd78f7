#include "DriverPage.h"

#include <QPainter>
#include <algorithm>

#include "LapChartPainter.h"
#include "LapStatistics.h"
#include "RecordStandingText.h"
#include "ReportFormat.h"
#include "SectorStatistics.h"
#include "SheetCanvas.h"
#include "TimeFormat.h"
#include "Timesheet.h"

namespace {

constexpr double kChartHeight = 190;
constexpr double kRow = SheetCanvas::kRowHeight;

// Where the cells of a lap row start, from the left of its table column.
struct RowLayout {
    int columns = 3;  // table columns across the page
    double lap_right = 24;
    double time = 30;
    double gap = 76;
    double sectors[kSectorCount] = {0, 0, 0};  // right edges; unused without sectors
    double mark = 124;
};

RowLayout LayoutFor(bool sectors) {
    RowLayout layout;
    if (sectors) {
        layout.columns = 2;
        layout.sectors[0] = 150;
        layout.sectors[1] = 182;
        layout.sectors[2] = 214;
        layout.mark = 222;
    }
    return layout;
}

QString DriverTitle(const DriverSheet& driver) {
    return QStringLiteral("Driver: %1").arg(driver.driver_name);
}

QString KartText(const DriverSheet& driver) {
    return driver.hand_timed ? QStringLiteral("Kart %1, hand-timed").arg(driver.slot)
                             : QStringLiteral("Kart %1").arg(driver.slot);
}

class DriverPages {
  public:
    DriverPages(SheetCanvas& canvas, const DriverSheet& driver)
        : canvas_(canvas),
          driver_(driver),
          stats_(driver.laps),
          sectors_(SectorStatisticsOf(driver.laps)),
          layout_(LayoutFor(canvas.sheet().HasSectors())) {}

    void Paint() {
        double y = canvas_.Header(DriverTitle(driver_), KartText(driver_), false);
        y = Figures(y);
        ChartSeries series{driver_.slot, driver_.driver_name, stats_.laps(),
                           !canvas_.sheet().only_fastest};
        PaintLapChart(canvas_.painter(), QRectF(0, y, canvas_.width(), kChartHeight), {series}, 9);
        Table(y + kChartHeight + 12);
    }

  private:
    double Figures(double y) {
        const QFont font = SheetFont(10);
        if (stats_.empty()) {
            canvas_.Text(0, y, QStringLiteral("No laps."), font);
            return y + 14;
        }
        const double w = canvas_.width();
        canvas_.Text(0, y,
                     QStringLiteral("Best lap: %1 (lap %2)")
                         .arg(FormatLapTime(quint32(stats_.best())))
                         .arg(stats_.best_lap_number()),
                     font);
        canvas_.Text(
            w * 0.35, y,
            QStringLiteral("Average: %1").arg(FormatLapTime(RoundedCentiseconds(stats_.average()))),
            font);
        canvas_.Text(
            w * 0.65, y,
            QStringLiteral("Median: %1").arg(FormatLapTime(RoundedCentiseconds(stats_.median()))),
            font);
        y += 14;
        for (const QString& line :
             RecordStandingLines(driver_.standing, stats_.best(), stats_.best_lap_number())) {
            canvas_.Text(0, y, line, font);
            y += 14;
        }
        const QString clean =
            stats_.clean_laps() == 0
                ? QStringLiteral("no such lap")
                : QStringLiteral("average %1, consistency %2")
                      .arg(FormatLapTime(RoundedCentiseconds(stats_.clean_average())),
                           FormatSeconds(stats_.consistency()));
        canvas_.Text(
            0, y,
            QStringLiteral("Without the first lap and laps over 107% of the best "
                           "(%1 %2): %3")
                .arg(stats_.clean_laps())
                .arg(stats_.clean_laps() == 1 ? QStringLiteral("lap") : QStringLiteral("laps"))
                .arg(clean),
            font);
        y += 14;
        if (!sectors_.empty()) {
            QStringList parts;
            for (int n = 0; n < kSectorCount; ++n) {
                if (sectors_.best[size_t(n)] > 0) {
                    parts << QStringLiteral("S%1 %2 (lap %3)")
                                 .arg(n + 1)
                                 .arg(FormatShortTime(sectors_.best[size_t(n)]))
                                 .arg(sectors_.best_lap[size_t(n)]);
                }
            }
            QString text = QStringLiteral("Best sectors: ") + parts.join(QStringLiteral("  "));
            if (sectors_.best_possible > 0) {
                text += QStringLiteral("   Best possible lap: %1")
                            .arg(FormatLapTime(quint32(sectors_.best_possible)));
            }
            canvas_.Text(0, y, text, font);
            y += 14;
        }
        QString legend = QStringLiteral(
            "Gap: to the driver's best lap.  best: the best lap.  top 10: one of the kart's "
            "ten fastest laps at the end of the session.");
        if (personal_best_) {
            legend += QStringLiteral(
                "  PB: a personal best, faster than any lap of the driver before this session.");
        }
        if (canvas_.sheet().HasSectors()) {
            legend += QStringLiteral("  S1-S3: sector times in seconds.");
        }
        if (std::any_of(driver_.laps.begin(), driver_.laps.end(),
                        [](const SheetLap& lap) { return lap.deleted; })) {
            legend += QStringLiteral("  Struck out: deleted by lap correction at the time shown.");
        }
        return canvas_.Paragraph(y - 8, legend, SheetFont(9, false, true)) + 10;
    }

    // The laps in columns, top to bottom then left to right, going on over further
    // pages when they do not fit.
    void Table(double top) {
        const double column_width = canvas_.width() / layout_.columns;
        size_t next = 0;
        const size_t count = Rows();
        while (true) {
            const int rows = std::max(1, int((canvas_.height() - top - kRow) / kRow));
            for (int column = 0; column < layout_.columns; ++column) {
                const double x = column * column_width;
                ColumnHeads(x, top);
                for (int row = 0; row < rows && next < count; ++row, ++next) {
                    Row(driver_.laps[next], x, top + kRow * (row + 1), column_width);
                }
                if (next >= count) {
                    return;
                }
            }
            canvas_.NewPage();
            top = canvas_.Header(DriverTitle(driver_), KartText(driver_), true);
        }
    }

    // Every lap with a time is listed, deleted ones too.
    size_t Rows() const { return driver_.laps.size(); }

    void ColumnHeads(double x, double top) {
        QPainter& painter = canvas_.painter();
        painter.setPen(Qt::black);
        painter.setFont(bold_);
        const double base = top + kRow - 2;
        painter.drawText(QRectF(x, top, layout_.lap_right, kRow), Qt::AlignRight | Qt::AlignBottom,
                         QStringLiteral("Lap"));
        painter.drawText(QPointF(x + layout_.time, base), QStringLiteral("Time"));
        painter.drawText(QPointF(x + layout_.gap, base), QStringLiteral("Gap"));
        if (layout_.columns == 2) {
            for (int n = 0; n < kSectorCount; ++n) {
                painter.drawText(QRectF(x, top, layout_.sectors[n], kRow),
                                 Qt::AlignRight | Qt::AlignBottom,
                                 QStringLiteral("S%1").arg(n + 1));
            }
        }
    }

    void Row(const SheetLap& lap, double x, double y, double column_width) {
        QPainter& painter = canvas_.painter();
        const bool best = !lap.deleted && lap.lap_time == stats_.best() &&
                          lap.lap_number == stats_.best_lap_number() && !best_drawn_;
        if (best) {
            best_drawn_ = true;
            painter.fillRect(QRectF(x, y + 1, column_width - 8, kRow), QColor(0xE6, 0xE6, 0xE6));
        }
        painter.setPen(Qt::black);
        painter.setFont(best ? bold_ : lap.deleted ? struck_ : plain_);
        const double base = y + kRow - 2;
        painter.drawText(QRectF(x, y, layout_.lap_right, kRow), Qt::AlignRight | Qt::AlignBottom,
                         QString::number(lap.lap_number));
        painter.drawText(QPointF(x + layout_.time, base), FormatLapTime(quint32(lap.lap_time)));
        if (lap.deleted) {
            painter.setFont(italic_);
            const QString at =
                lap.deleted_at.isValid()
                    ? QStringLiteral("deleted %1").arg(FormatClockTime(lap.deleted_at))
                    : QStringLiteral("deleted");
            painter.drawText(QPointF(x + layout_.gap, base), at);
            return;
        }
        painter.drawText(QPointF(x + layout_.gap, base),
                         FormatFullGap(lap.lap_time - stats_.best()));
        if (layout_.columns == 2) {
            for (int n = 0; n < kSectorCount; ++n) {
                const qint32 time = lap.sectors[size_t(n)];
                if (time > 0) {
                    painter.drawText(QRectF(x, y, layout_.sectors[n], kRow),
                                     Qt::AlignRight | Qt::AlignBottom, FormatShortTime(time));
                }
            }
        }
        if (best) {
            painter.drawText(QPointF(x + layout_.mark, base),
                             personal_best_ ? QStringLiteral("best PB") : QStringLiteral("best"));
        } else if (lap.in_top_ten) {
            painter.drawText(QPointF(x + layout_.mark, base), QStringLiteral("top 10"));
        }
    }

    SheetCanvas& canvas_;
    const DriverSheet& driver_;
    const LapStatistics stats_;
    const SectorStatistics sectors_;
    const RowLayout layout_;
    const bool personal_best_ = IsPersonalBest(driver_.standing, stats_.best());
    bool best_drawn_ = false;
    // Made once: a sheet of 300 laps sets a font for every row.
    const QFont plain_ = SheetFont(9);
    const QFont bold_ = SheetFont(9, true);
    const QFont italic_ = SheetFont(9, false, true);
    const QFont struck_ = [] {
        QFont font = SheetFont(9);
        font.setStrikeOut(true);
        return font;
    }();
};

}  // namespace

void PaintDriverPages(SheetCanvas& canvas, const DriverSheet& driver) {
    DriverPages(canvas, driver).Paint();
}
