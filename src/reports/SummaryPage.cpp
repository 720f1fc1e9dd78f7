#include "SummaryPage.h"

#include <QPainter>
#include <algorithm>
#include <vector>

#include "LapChartPainter.h"
#include "LapStatistics.h"
#include "ReportFormat.h"
#include "SectorStatistics.h"
#include "SessionResult.h"
#include "SheetCanvas.h"
#include "TimeFormat.h"
#include "Timesheet.h"

namespace {

constexpr double kSummaryRow = SheetCanvas::kRowHeight;
constexpr double kCellGap = 8;

// A table whose columns are as wide as their widest cell, so that no name runs into
// the next column; when the page is too narrow the driver column gives way and a name
// that still does not fit is cut with "...".
class Table {
  public:
    Table(SheetCanvas& canvas, QStringList heads, int name_column)
        : canvas_(canvas), heads_(std::move(heads)), name_column_(name_column) {
        for (const QString& head : heads_) {
            widths_.push_back(canvas_.TextWidth(head, head_font_));
        }
    }

    void AddRow(const QStringList& cells) {
        for (qsizetype i = 0; i < cells.size() && i < heads_.size(); ++i) {
            double& width = widths_[size_t(i)];
            width = std::max(width, canvas_.TextWidth(cells.at(i), font_));
        }
        rows_.push_back(cells);
    }

    // Draws the heads with their baseline at y, then the rows; returns the y below.
    double Paint(double y) {
        double total = 0;
        for (const double width : widths_) {
            total += width + kCellGap;
        }
        double& name = widths_[size_t(name_column_)];
        if (total > canvas_.width()) {
            name = std::max(40.0, name - (total - canvas_.width()));
        }
        std::vector<double> lefts;
        double x = 0;
        for (const double width : widths_) {
            lefts.push_back(x);
            x += width + kCellGap;
        }
        for (qsizetype i = 0; i < heads_.size(); ++i) {
            canvas_.Text(lefts[size_t(i)], y, heads_.at(i), head_font_);
        }
        for (const QStringList& cells : rows_) {
            y += kSummaryRow;
            for (qsizetype i = 0; i < cells.size() && i < heads_.size(); ++i) {
                const QString text =
                    i == name_column_ ? canvas_.Elided(cells.at(i), font_, name) : cells.at(i);
                canvas_.Text(lefts[size_t(i)], y, text, font_);
            }
        }
        return y + kSummaryRow;
    }

  private:
    SheetCanvas& canvas_;
    QStringList heads_;
    int name_column_;
    std::vector<double> widths_;
    std::vector<QStringList> rows_;
    const QFont font_ = SheetFont(9);
    const QFont head_font_ = SheetFont(9, true);
};

double ResultTable(SheetCanvas& canvas, double y) {
    const Timesheet& sheet = canvas.sheet();
    canvas.Text(0, y, QStringLiteral("Result"), SheetFont(11, true));
    y += kSummaryRow + 2;
    Table table(canvas,
                {QStringLiteral("Pos"), QStringLiteral("Kart"), QStringLiteral("Driver"),
                 QStringLiteral("Laps"), QStringLiteral("Best lap"), QStringLiteral("On lap"),
                 QStringLiteral("Gap"), QStringLiteral("Interval"), QStringLiteral("Timing")},
                2);
    for (const ResultRow& row : RankSession(sheet)) {
        const bool first = row.position == 1;
        table.AddRow({QString::number(row.position), QString::number(row.slot), row.driver_name,
                      QString::number(row.laps), FormatLapTime(quint32(row.best)),
                      QString::number(row.best_lap_number),
                      first ? QStringLiteral("-") : FormatFullGap(row.gap_to_fastest),
                      first ? QStringLiteral("-") : FormatFullGap(row.gap_to_ahead),
                      row.hand_timed ? QStringLiteral("hand-timed") : QStringLiteral("radio")});
    }
    y = table.Paint(y);
    return y + 6;
}

// The result of the session's format (a race, a timed session), as it was filed.
double RunResultTable(SheetCanvas& canvas, double y) {
    const QList<QStringList>& result = canvas.sheet().run_result;
    if (result.size() < 2) {
        return y;
    }
    canvas.Text(0, y, QStringLiteral("Result of the session format"), SheetFont(11, true));
    y += kSummaryRow + 2;
    Table table(canvas, result.first(), 2);
    for (qsizetype i = 1; i < result.size(); ++i) {
        table.AddRow(result.at(i));
    }
    return table.Paint(y) + 6;
}

double FiguresTable(SheetCanvas& canvas, double y) {
    const Timesheet& sheet = canvas.sheet();
    const bool sectors = sheet.HasSectors();
    QStringList heads = {QStringLiteral("Kart"),          QStringLiteral("Driver"),
                         QStringLiteral("Average"),       QStringLiteral("Median"),
                         QStringLiteral("Clean average"), QStringLiteral("Consistency")};
    if (sectors) {
        heads << QStringLiteral("Best possible");
    }
    Table table(canvas, heads, 1);
    for (const DriverSheet& driver : sheet.drivers) {
        const LapStatistics stats(driver.laps);
        if (stats.empty()) {
            continue;
        }
        const bool clean = stats.clean_laps() > 0;
        QStringList row = {
            QString::number(driver.slot),
            driver.driver_name,
            FormatLapTime(RoundedCentiseconds(stats.average())),
            FormatLapTime(RoundedCentiseconds(stats.median())),
            clean ? FormatLapTime(RoundedCentiseconds(stats.clean_average())) : QStringLiteral("-"),
            clean ? FormatSeconds(stats.consistency()) : QStringLiteral("-")};
        if (sectors) {
            const qint32 possible = SectorStatisticsOf(driver.laps).best_possible;
            row << (possible > 0 ? FormatLapTime(quint32(possible)) : QStringLiteral("-"));
        }
        table.AddRow(row);
    }
    return table.Paint(y);
}

}  // namespace

void PaintSummaryPage(SheetCanvas& canvas) {
    const Timesheet& sheet = canvas.sheet();
    double y = canvas.Header(QStringLiteral("Session summary"),
                             QStringLiteral("%1 drivers").arg(sheet.drivers.size()), false);
    y = RunResultTable(canvas, y);
    y = ResultTable(canvas, y);
    y = FiguresTable(canvas, y);
    y = canvas.Paragraph(
        y,
        QStringLiteral("Gap: to the fastest best lap.  Interval: to the driver one place "
                       "ahead.  Clean average and consistency (standard deviation): without "
                       "the first lap and laps over 107% of the best."),
        SheetFont(9, false, true));
    y += 8;
    PaintLapChart(canvas.painter(),
                  QRectF(0, y, canvas.width(), std::min(340.0, canvas.height() - y)),
                  ChartSeriesOf(sheet), 9);
}
