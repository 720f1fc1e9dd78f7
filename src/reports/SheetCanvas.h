#pragma once

#include <QFont>
#include <QString>

class QPagedPaintDevice;
class QPainter;
struct Timesheet;

// A page of a timesheet, laid out in points (1/72 inch) whatever the device's
// resolution, with the header every page carries.
class SheetCanvas {
  public:
    static constexpr double kRowHeight = 11.5;

    SheetCanvas(QPagedPaintDevice& device, QPainter& painter, const Timesheet& sheet);

    QPainter& painter() const { return painter_; }
    const Timesheet& sheet() const { return sheet_; }
    double width() const { return width_; }
    double height() const { return height_; }

    // Station and track, date, session and its number of the day, start, end and
    // duration, then the page's title and the text beside it. Returns where the page
    // goes on.
    double Header(const QString& title, const QString& aside, bool continued);
    void NewPage();

    // One line of text with its baseline at y.
    void Text(double x, double y, const QString& text, const QFont& font);
    // Text wrapped at the page's width from y; returns the y below it.
    double Paragraph(double y, const QString& text, const QFont& font);
    double TextWidth(const QString& text, const QFont& font) const;
    // text cut with "..." to fit width.
    QString Elided(const QString& text, const QFont& font, double width) const;

  private:
    QPagedPaintDevice& device_;
    QPainter& painter_;
    const Timesheet& sheet_;
    double width_ = 0;
    double height_ = 0;
};

QFont SheetFont(int size, bool bold = false, bool italic = false);
