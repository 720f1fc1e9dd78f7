#pragma once

#include <QWidget>
#include <vector>

#include "RecordsIndex.h"

// A driver's best lap of each day driven, over time: a line from the first day to
// the last, lower is faster; the best of all is marked.
class BestLapsChart : public QWidget {
    Q_OBJECT

  public:
    explicit BestLapsChart(QWidget* parent = nullptr);
    void SetDays(std::vector<DayBest> days);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::vector<DayBest> days_;
};
