#include "ReceiverStatusLine.h"

#include <QLabel>

#include "ScreenWidgets.h"
#include "SessionControls.h"

namespace {

constexpr int kLampSize = 16;
constexpr int kTextLeft = kLampSize + 8;

}  // namespace

ReceiverStatusLine::ReceiverStatusLine(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ReceiverStatusLine"));
    lamp_ = new IndicatorLamp(this);
    lamp_->setObjectName(QStringLiteral("LampReceiverStatus"));
    lamp_->resize(kLampSize, kLampSize);
    // Black on the grey bar reads better than white at this size; a reason of a
    // device that is not usable may take a second line.
    label_ = PlaceLabel(this, QStringLiteral("LabelReceiverStatus"), QString(), kTextLeft, 0, 1,
                        {kFontPixels, Colours::kBlack, Qt::AlignLeft | Qt::AlignVCenter, true});
    label_->setWordWrap(true);
    Show(ReceiverStatus{});
}

void ReceiverStatusLine::Show(const ReceiverStatus& status) {
    if (shown_ == status) {
        return;
    }
    shown_ = status;
    const QString text = ReceiverStatusText(status);
    label_->setText(text);
    label_->setToolTip(text);
    lamp_->setOn(status.state == ReceiverState::kConnected);
}

void ReceiverStatusLine::ShowText(const QString& text, bool lamp_on) {
    shown_.reset();
    if (label_->text() != text) {
        label_->setText(text);
        label_->setToolTip(text);
    }
    lamp_->setOn(lamp_on);
}

void ReceiverStatusLine::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    lamp_->move(0, (height() - kLampSize) / 2);
    label_->setGeometry(kTextLeft, 0, qMax(0, width() - kTextLeft), height());
}
