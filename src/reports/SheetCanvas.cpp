#include "SheetCanvas.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include "ReportFormat.h"
#include "Timesheet.h"

QFont SheetFont(int size, bool bold, bool italic) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(size);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

SheetCanvas::SheetCanvas(QPagedPaintDevice& device, QPainter& painter, const Timesheet& sheet)
    : device_(device), painter_(painter), sheet_(sheet) {
    const double scale_x = device.logicalDpiX() / 72.0;
    const double scale_y = device.logicalDpiY() / 72.0;
    painter_.scale(scale_x, scale_y);
    width_ = device.width() / scale_x;
    height_ = device.height() / scale_y;
}

void SheetCanvas::NewPage() {
    device_.newPage();
}

void SheetCanvas::Text(double x, double y, const QString& text, const QFont& font) {
    painter_.setFont(font);
    painter_.drawText(QPointF(x, y), text);
}

double SheetCanvas::Paragraph(double y, const QString& text, const QFont& font) {
    painter_.setFont(font);
    const QRectF area(0, y, width_, height_);
    const QRectF used = painter_.boundingRect(area, Qt::TextWordWrap | Qt::AlignLeft, text);
    painter_.drawText(area, Qt::TextWordWrap | Qt::AlignLeft, text);
    return y + used.height();
}

double SheetCanvas::TextWidth(const QString& text, const QFont& font) const {
    return QFontMetricsF(font, painter_.device()).horizontalAdvance(text);
}

QString SheetCanvas::Elided(const QString& text, const QFont& font, double width) const {
    return QFontMetricsF(font, painter_.device()).elidedText(text, Qt::ElideRight, width);
}

double SheetCanvas::Header(const QString& title, const QString& aside, bool continued) {
    painter_.setPen(Qt::black);
    const QFont station_font = SheetFont(16, true);
    Text(0, 16, sheet_.station, station_font);
    if (!sheet_.track.isEmpty()) {
        const QFont track_font = SheetFont(13);
        const double x = TextWidth(sheet_.station, station_font) + 12;
        Text(x, 16, Elided(sheet_.track, track_font, width_ * 0.75 - x), track_font);
    }
    painter_.setFont(SheetFont(12));
    painter_.drawText(
        QRectF(0, 0, width_, 20), Qt::AlignRight | Qt::AlignBottom,
        continued ? QStringLiteral("Timesheet (continued)") : QStringLiteral("Timesheet"));

    const QFont font = SheetFont(10);
    Text(0, 33, QStringLiteral("Date: %1").arg(sheet_.date), font);
    Text(width_ * 0.25, 33, QStringLiteral("Session: %1").arg(sheet_.session_label), font);
    if (sheet_.session_number > 0) {
        Text(width_ * 0.62, 33, QStringLiteral("Session %1 of the day").arg(sheet_.session_number),
             font);
    }
    const bool timed = sheet_.started.isValid() && sheet_.ended.isValid();
    Text(0, 46, QStringLiteral("Start: %1").arg(FormatClockTime(sheet_.started)), font);
    Text(width_ * 0.25, 46, QStringLiteral("End: %1").arg(FormatClockTime(sheet_.ended)), font);
    Text(width_ * 0.62, 46,
         QStringLiteral("Duration: %1")
             .arg(timed ? FormatDuration(sheet_.started.secsTo(sheet_.ended))
                        : QStringLiteral("--")),
         font);

    const QFont title_font = SheetFont(14, true);
    Text(0, 66, Elided(title, title_font, width_ * 0.58), title_font);
    Text(width_ * 0.62, 66, aside, font);
    painter_.setPen(QPen(Qt::black, 0.8));
    painter_.drawLine(QPointF(0, 72), QPointF(width_, 72));
    double y = 86;
    if (sheet_.only_fastest) {
        Text(0, y, QString::fromLatin1(kOnlyFastestNote), SheetFont(10, false, true));
        y += 14;
    }
    return y;
}
