#include "TimesheetRenderer.h"

#include <QFont>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <algorithm>
#include <iterator>

#include "LapChartPainter.h"
#include "LapStatistics.h"
#include "TimeFormat.h"
#include "Timesheet.h"

namespace {

// The page is laid out in points (1/72 inch), whatever the device's resolution.
constexpr double kRowHeight = 11.5;
constexpr int kTableColumns = 3;
constexpr double kChartHeight = 190;

QFont SheetFont(int size, bool bold = false, bool italic = false) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(size);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

QString SecondsText(double centiseconds) {
    return QStringLiteral("%1 s").arg(centiseconds / 100.0, 0, 'f', 2);
}

class SheetPainter {
  public:
    SheetPainter(QPagedPaintDevice& device, QPainter& painter, const Timesheet& sheet)
        : device_(device), painter_(painter), sheet_(sheet) {
        const double scale = device.logicalDpiX() / 72.0;
        painter_.scale(scale, device.logicalDpiY() / 72.0);
        width_ = device.width() / scale;
        height_ = device.height() / (device.logicalDpiY() / 72.0);
    }

    void PaintDriver(const DriverSheet& driver) {
        const LapStatistics stats(driver.laps);
        double y = Header(driver, false);
        y = Figures(stats, y);
        ChartSeries series{driver.slot, driver.driver_name, stats.laps(), !sheet_.only_fastest};
        PaintLapChart(painter_, QRectF(0, y, width_, kChartHeight), {series}, 9);
        y += kChartHeight + 12;
        Table(driver, stats, y);
    }

    // The whole session on one page: each kart's figures and all karts on one chart.
    void PaintSummary() {
        double y = Header(QStringLiteral("Session summary"),
                          QStringLiteral("%1 karts").arg(sheet_.drivers.size()), false);
        const double columns[] = {0, 34, 170, 208, 268, 296, 356, 416};
        const char* titles[] = {"Kart", "Driver",  "Laps",   "Best",
                                "Lap",  "Average", "Median", "Consistency"};
        painter_.setFont(SheetFont(9, true));
        for (size_t i = 0; i < std::size(columns); ++i) {
            painter_.drawText(QPointF(columns[i], y), QString::fromLatin1(titles[i]));
        }
        painter_.setFont(SheetFont(9));
        for (const DriverSheet& driver : sheet_.drivers) {
            y += kRowHeight;
            const LapStatistics stats(driver.laps);
            const QString cells[] = {QString::number(driver.slot),
                                     driver.driver_name,
                                     QString::number(stats.laps().size()),
                                     FormatLapTime(quint32(stats.best())),
                                     QString::number(stats.best_lap_number()),
                                     FormatLapTime(RoundedCentiseconds(stats.average())),
                                     FormatLapTime(RoundedCentiseconds(stats.median())),
                                     SecondsText(stats.consistency())};
            for (size_t i = 0; i < std::size(columns); ++i) {
                painter_.drawText(QPointF(columns[i], y), cells[i]);
            }
        }
        y += 16;
        PaintLapChart(painter_, QRectF(0, y, width_, std::min(320.0, height_ - y)),
                      ChartSeriesOf(sheet_), 9);
    }

  private:
    // Station, date, session and driver; returns where the page goes on.
    double Header(const DriverSheet& driver, bool continued) {
        return Header(QStringLiteral("Driver: %1").arg(driver.driver_name),
                      QStringLiteral("Kart %1").arg(driver.slot), continued);
    }

    double Header(const QString& title, const QString& aside, bool continued) {
        painter_.setPen(Qt::black);
        painter_.setFont(SheetFont(16, true));
        painter_.drawText(QPointF(0, 16), sheet_.station);
        painter_.setFont(SheetFont(12));
        painter_.drawText(
            QRectF(0, 0, width_, 20), Qt::AlignRight | Qt::AlignBottom,
            continued ? QStringLiteral("Timesheet (continued)") : QStringLiteral("Timesheet"));
        painter_.setFont(SheetFont(10));
        painter_.drawText(QPointF(0, 34), QStringLiteral("Date: %1").arg(sheet_.date));
        painter_.drawText(QPointF(width_ * 0.35, 34),
                          QStringLiteral("Session: %1").arg(sheet_.session_label));
        painter_.setFont(SheetFont(14, true));
        painter_.drawText(QPointF(0, 54), title);
        painter_.setFont(SheetFont(10));
        painter_.drawText(QPointF(width_ * 0.7, 54), aside);
        painter_.setPen(QPen(Qt::black, 0.8));
        painter_.drawLine(QPointF(0, 60), QPointF(width_, 60));
        double y = 74;
        if (sheet_.only_fastest) {
            painter_.setFont(SheetFont(10, false, true));
            painter_.drawText(QPointF(0, y), QString::fromLatin1(kOnlyFastestNote));
            y += 14;
        }
        return y;
    }

    double Figures(const LapStatistics& stats, double y) {
        painter_.setFont(SheetFont(10));
        if (stats.empty()) {
            painter_.drawText(QPointF(0, y), QStringLiteral("No laps."));
            return y + 14;
        }
        painter_.drawText(QPointF(0, y), QStringLiteral("Best lap: %1 (lap %2)")
                                             .arg(FormatLapTime(quint32(stats.best())))
                                             .arg(stats.best_lap_number()));
        painter_.drawText(
            QPointF(width_ * 0.35, y),
            QStringLiteral("Average: %1").arg(FormatLapTime(RoundedCentiseconds(stats.average()))));
        painter_.drawText(
            QPointF(width_ * 0.65, y),
            QStringLiteral("Median: %1").arg(FormatLapTime(RoundedCentiseconds(stats.median()))));
        y += 14;
        painter_.drawText(QPointF(0, y),
                          QStringLiteral("Consistency: %1 (standard deviation of the %2 laps "
                                         "within 107% of the best)")
                              .arg(SecondsText(stats.consistency()))
                              .arg(stats.consistent_laps()));
        y += 14;
        painter_.setFont(SheetFont(9, false, true));
        painter_.drawText(QPointF(0, y),
                          QStringLiteral("Gap: to the driver's best lap.  best: the best lap.  "
                                         "top 10: the lap entered the ten fastest."));
        return y + 10;
    }

    // The laps in columns, top to bottom then left to right, going on over further
    // pages when they do not fit.
    void Table(const DriverSheet& driver, const LapStatistics& stats, double y) {
        const std::vector<LapLine>& laps = stats.laps();
        const double column_width = width_ / kTableColumns;
        size_t next = 0;
        double top = y;
        while (true) {
            const int rows = std::max(1, int((height_ - top - kRowHeight) / kRowHeight));
            for (int column = 0; column < kTableColumns; ++column) {
                const double x = column * column_width;
                painter_.setFont(SheetFont(9, true));
                painter_.setPen(Qt::black);
                painter_.drawText(QRectF(x, top, 28, kRowHeight), Qt::AlignRight | Qt::AlignBottom,
                                  QStringLiteral("Lap"));
                painter_.drawText(QPointF(x + 36, top + kRowHeight - 2), QStringLiteral("Time"));
                painter_.drawText(QPointF(x + 90, top + kRowHeight - 2), QStringLiteral("Gap"));
                for (int row = 0; row < rows && next < laps.size(); ++row, ++next) {
                    Row(laps[next], x, top + kRowHeight * (row + 1), column_width);
                }
                if (next >= laps.size()) {
                    return;
                }
            }
            device_.newPage();
            top = Header(driver, true);
        }
    }

    void Row(const LapLine& lap, double x, double y, double column_width) {
        if (lap.best) {
            painter_.fillRect(QRectF(x, y + 1, column_width - 8, kRowHeight),
                              QColor(0xE6, 0xE6, 0xE6));
        }
        painter_.setPen(Qt::black);
        painter_.setFont(SheetFont(9, lap.best));
        const double base = y + kRowHeight - 2;
        painter_.drawText(QRectF(x, y, 28, kRowHeight), Qt::AlignRight | Qt::AlignBottom,
                          QString::number(lap.lap_number));
        painter_.drawText(QPointF(x + 36, base), FormatLapTime(quint32(lap.lap_time)));
        painter_.drawText(QPointF(x + 90, base), FormatGap(lap.gap));
        if (lap.best) {
            painter_.drawText(QPointF(x + 128, base), QStringLiteral("best"));
        } else if (lap.entered_top_ten) {
            painter_.drawText(QPointF(x + 128, base), QStringLiteral("top 10"));
        }
    }

    QPagedPaintDevice& device_;
    QPainter& painter_;
    const Timesheet& sheet_;
    double width_ = 0;
    double height_ = 0;
};

}  // namespace

bool RenderTimesheet(QPagedPaintDevice& device, const Timesheet& sheet, QString* error) {
    QPainter painter;
    if (!painter.begin(&device)) {
        if (error) {
            *error = QStringLiteral("The timesheet could not be started on this device.");
        }
        return false;
    }
    SheetPainter pages(device, painter, sheet);
    if (sheet.drivers.empty()) {
        DriverSheet none;
        pages.PaintDriver(none);
    }
    // A sheet of more than one driver starts with the session on one page.
    const bool summary = sheet.drivers.size() > 1;
    if (summary) {
        painter.save();
        pages.PaintSummary();
        painter.restore();
    }
    for (size_t i = 0; i < sheet.drivers.size(); ++i) {
        if (i > 0 || summary) {
            device.newPage();
        }
        painter.save();
        pages.PaintDriver(sheet.drivers[i]);
        painter.restore();
    }
    painter.end();
    return true;
}

bool WriteTimesheetPdf(const QString& path, const Timesheet& sheet, QString* error) {
    // Written aside and renamed when complete, so a full disk never leaves half a sheet.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) {
            *error = QStringLiteral("%1 could not be written: %2").arg(path, file.errorString());
        }
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setTitle(QStringLiteral("Timesheet %1").arg(sheet.session_label));
        writer.setCreator(sheet.station);
        writer.setResolution(300);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
        if (!RenderTimesheet(writer, sheet, error)) {
            file.cancelWriting();
            return false;
        }
    }
    if (!file.commit()) {
        if (error) {
            *error = QStringLiteral("%1 could not be written: %2").arg(path, file.errorString());
        }
        return false;
    }
    return true;
}

bool PrintTimesheet(QPrinter& printer, const Timesheet& sheet, QString* error) {
    return RenderTimesheet(printer, sheet, error);
}
