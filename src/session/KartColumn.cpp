#include "KartColumn.h"

#include <QLocale>

#include "BestLapsGrid.h"
#include "KartTiming.h"
#include "LiveLabel.h"
#include "ScreenWidgets.h"
#include "SessionControls.h"
#include "TFrame1.h"
#include "TimeFormat.h"

namespace {

constexpr int kHeaderHeight = 62;
constexpr int kRightEdge = BestLapsGrid::kColumnWidth - 2;
constexpr int kSensorFrameTop = 190;
constexpr int kSensorFrameHeight = 396;
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

// The "Actual" row: lap number and running time each in a room of its own, with
// more than a blank between them and before the next column's lap number, so two
// values never read as one. Two-digit values fit at the design size.
constexpr int kActualFont = 27;
constexpr int kLapNumberLeft = 6;
constexpr int kLapNumberWidth = 58;
constexpr int kRunningTimeLeft = 72;
constexpr int kRunningTimeRight = 178;

QString Name(int number) {
    return QStringLiteral("Label%1").arg(number);
}

// "%1.1f" with the locale's decimal separator: no digit grouping and an ASCII
// minus, whatever the locale would do with them. QLocale() is the system's locale
// unless the program sets another default.
QString Temperature(double value) {
    QString text = QString::number(value, 'f', 1);
    const QString point = QLocale().decimalPoint();
    if (point != QLatin1String(".")) {
        text.replace(QLatin1Char('.'), point);
    }
    return text;
}

}  // namespace

KartColumn::KartColumn(QWidget* centre_panel, int slot) {
    const int left = BestLapsGrid::kColumnLefts[size_t(slot - 1)];

    header_ = new ClickableLabel(QStringLiteral("Panel%1").arg(3 + slot), centre_panel);
    header_->setObjectName(QStringLiteral("Panel%1").arg(3 + slot));
    header_->setProperty("tag", slot);
    header_->setGeometry(left, 1, BestLapsGrid::kColumnWidth, kHeaderHeight);
    header_->setFont(ArialFont(13, true));
    header_->setAlignment(Qt::AlignCenter);
    QPalette palette = header_->palette();
    palette.setColor(QPalette::WindowText, ToQColor(Colours::kWhite));
    header_->setPalette(palette);
    SetBackground(header_, Colours::kGrey);

    lamp_ = new IndicatorLamp(header_);
    lamp_->setObjectName(QStringLiteral("L%1").arg(slot));
    lamp_->move(8, 8);

    lap_number_ = PlaceLabel<LiveLabel>(centre_panel, Name(5 + slot), QStringLiteral("L:01"),
                                        left + kLapNumberLeft, 63, kLapNumberWidth, {kActualFont});
    running_time_ = PlaceLabel<LiveLabel>(
        centre_panel, Name(slot), QStringLiteral("00:00:00"), left + kRunningTimeLeft, 64,
        kRunningTimeRight - kRunningTimeLeft, {kActualFont, Colours::kWhite, kRight});
    rpm_ = PlaceLabel<LiveLabel>(centre_panel, Name(112 + slot), QStringLiteral("0"),
                                 left + kRightEdge - 157, 91, 157, {21, Colours::kWhite, kRight});
    last_lap_ = PlaceLabel<LiveLabel>(centre_panel, Name(10 + slot), QStringLiteral("--:--:--"),
                                      left, 112, kRightEdge, {35, Colours::kWhite, kRight});
    last_gap_ = PlaceLabel<LiveLabel>(centre_panel, Name(15 + slot), QStringLiteral("--:--"), left,
                                      149, kRightEdge, {35, Colours::kWhite, kRight});

    const std::pair<LiveLabel*, const char*> live[] = {{lap_number_, "Lap number"},
                                                       {running_time_, "Running time"},
                                                       {rpm_, "RPM"},
                                                       {last_lap_, "Last lap"},
                                                       {last_gap_, "Gap of the last lap"}};
    for (const auto& [label, what] : live) {
        MakeLiveLabel(label, QStringLiteral("%1, kart %2").arg(QLatin1String(what)).arg(slot));
    }

    sensor_frame_ = new TFrame1(centre_panel, Colours::kGrey);
    sensor_frame_->setObjectName(QStringLiteral("Frame%1").arg(10 + slot));
    sensor_frame_->setGeometry(left, kSensorFrameTop, BestLapsGrid::kColumnWidth,
                               kSensorFrameHeight);
    sensor_frame_->hide();
}

void KartColumn::Draw(const KartSlot& slot, qint32 current_lap_time) {
    const bool all = !drawn_;
    drawn_ = true;
    if (all || shown_.running_time != current_lap_time) {
        shown_.running_time = current_lap_time;
        SetFittedText(running_time_, FormatLapTime(quint32(current_lap_time)), kActualFont);
    }
    if (all || shown_.lap_number != slot.current_lap_number) {
        shown_.lap_number = slot.current_lap_number;
        SetFittedText(lap_number_, FormatLapNumber(slot.current_lap_number), kActualFont);
    }
    if (slot.radio && (all || shown_.rpm != slot.current_rpm)) {
        shown_.rpm = slot.current_rpm;
        SetLabelText(rpm_, QString::number(slot.current_rpm));
    }
    if (all || shown_.last_lap != slot.last_lap_time) {
        shown_.last_lap = slot.last_lap_time;
        SetLabelText(last_lap_, FormatLapTime(quint32(slot.last_lap_time)));
    }
    const double temperatures[3] = {slot.temperature1, slot.temperature2, slot.temperature3};
    for (int i = 0; i < 3; ++i) {
        if (all || shown_.temperatures[i] != temperatures[i]) {
            shown_.temperatures[i] = temperatures[i];
            SetLabelText(sensor_frame_->Value(i), Temperature(temperatures[i]));
        }
    }
    if (all || shown_.lap_rpm_max != slot.lap_rpm_max) {
        shown_.lap_rpm_max = slot.lap_rpm_max;
        SetLabelText(sensor_frame_->Value(3), QString::number(slot.lap_rpm_max));
    }
    if (all || shown_.lap_rpm_min != slot.lap_rpm_min) {
        shown_.lap_rpm_min = slot.lap_rpm_min;
        SetLabelText(sensor_frame_->Value(4), QString::number(slot.lap_rpm_min));
    }
    if (all || shown_.gap != slot.best_lap_delta || shown_.gap_sign != slot.best_lap_delta_sign) {
        shown_.gap = slot.best_lap_delta;
        shown_.gap_sign = slot.best_lap_delta_sign;
        SetLabelColour(last_gap_, LastGapColour(slot));
        SetLabelText(last_gap_, LastGapText(slot));
    }
}

void KartColumn::RaiseLiveLabels() {
    for (LiveLabel* label : live_labels()) {
        label->raise();
    }
}

void KartColumn::SetRunningTimeColour(Colour colour) {
    if (colour == running_colour_) {
        return;
    }
    running_colour_ = colour;
    SetLabelColour(running_time_, colour);
}
