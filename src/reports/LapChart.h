#pragma once

#include <QDialog>
#include <QWidget>
#include <vector>

#include "LapChartPainter.h"

struct Timesheet;

// A lap chart on screen: lap time against lap number, one colour per kart.
class LapChart : public QWidget {
    Q_OBJECT

  public:
    explicit LapChart(QWidget* parent = nullptr);

    void SetSeries(std::vector<ChartSeries> series);
    const std::vector<ChartSeries>& series() const { return series_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::vector<ChartSeries> series_;
};

// The "Lap chart" window of one session, with a note where only the ten fastest
// laps are known.
class LapChartWindow : public QDialog {
    Q_OBJECT

  public:
    explicit LapChartWindow(const Timesheet& sheet, QWidget* parent = nullptr);

    LapChart& chart() const { return *chart_; }

  private:
    LapChart* chart_ = nullptr;
};

// Opens the chart of a session modally and destroys it when it closes.
void ShowLapChart(const Timesheet& sheet, QWidget* parent = nullptr);
