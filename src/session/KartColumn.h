#pragma once

#include <QString>
#include <vector>

#include "Colour.h"
#include "KartSlot.h"
#include "LiveLabel.h"

class ClickableLabel;
class IndicatorLamp;
class QLabel;
class QWidget;
class TFrame1;

// The live part of one kart column of the session screen: header with lamp, the
// lap in progress, engine speed, last lap with its gap, and the sensor frame. The
// best-laps rows belong to BestLapsGrid.
class KartColumn {
  public:
    // Builds the column's controls on the centre panel for slot 1..5.
    KartColumn(QWidget* centre_panel, int slot);

    // Redraws the column from the slot. A label is touched only when the value
    // behind it changed since the last draw, so a refresh that changes nothing
    // costs a few integer compares.
    void Draw(const KartSlot& slot, qint32 current_lap_time);
    void SetRunningTimeColour(Colour colour);

    // Puts the frame-driven labels on top of their panel, keeping their order among
    // themselves. Each repaint of a widget works out which siblings stacked above it
    // cover it; these labels repaint up to a hundred times a second, and only they
    // touch each other, so on top nothing has to be looked at.
    void RaiseLiveLabels();
    // The frame-driven labels, bottom to top.
    std::vector<LiveLabel*> live_labels() const {
        return {lap_number_, running_time_, rpm_, last_lap_, last_gap_};
    }

    ClickableLabel* header() const { return header_; }
    IndicatorLamp* lamp() const { return lamp_; }
    QLabel* running_time() const { return running_time_; }
    QLabel* lap_number() const { return lap_number_; }
    QLabel* rpm() const { return rpm_; }
    QLabel* last_lap() const { return last_lap_; }
    QLabel* last_gap() const { return last_gap_; }
    TFrame1* sensor_frame() const { return sensor_frame_; }

  private:
    // Values behind the labels as last drawn; drawn_ false forces a full draw.
    struct Shown {
        qint32 running_time = 0;
        qint32 lap_number = 0;
        qint32 last_lap = 0;
        qint32 rpm = 0;
        double temperatures[3] = {0, 0, 0};
        qint32 lap_rpm_max = 0;
        qint32 lap_rpm_min = 0;
        qint32 gap = 0;
        QString gap_sign;
    };

    ClickableLabel* header_ = nullptr;
    IndicatorLamp* lamp_ = nullptr;
    LiveLabel* lap_number_ = nullptr;
    LiveLabel* running_time_ = nullptr;
    LiveLabel* rpm_ = nullptr;
    LiveLabel* last_lap_ = nullptr;
    LiveLabel* last_gap_ = nullptr;
    TFrame1* sensor_frame_ = nullptr;
    bool drawn_ = false;
    Shown shown_;
    Colour running_colour_ = Colours::kWhite;
};
