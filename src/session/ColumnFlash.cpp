#include "ColumnFlash.h"

#include <QPainter>

#include "Colour.h"

namespace {
constexpr int kAcceptedFrame = 5;
constexpr int kRefusedFrame = 2;
constexpr Colour kFlashYellow = 0x00FFFF;
}  // namespace

ColumnFlash::ColumnFlash(QWidget* parent, const QRect& area) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(area);
    hide();
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
        sign_ = Sign::kNone;
        hide();
    });
}

void ColumnFlash::Show(Sign sign) {
    if (sign == Sign::kNone) {
        return;
    }
    sign_ = sign;
    raise();
    show();
    update();
    timer_.start(sign == Sign::kAccepted ? kAcceptedMs : kRefusedMs);
}

void ColumnFlash::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (sign_ == Sign::kAccepted) {
        // Yellow that reads at a glance on the black, grey and navy of the column,
        // with the times still legible through the tint.
        const QColor yellow = ToQColor(kFlashYellow);
        QColor tint = yellow;
        tint.setAlpha(70);
        painter.fillRect(rect(), tint);
        painter.setPen(QPen(yellow, kAcceptedFrame, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.drawRect(QRectF(rect()).adjusted(kAcceptedFrame / 2.0, kAcceptedFrame / 2.0,
                                                 -kAcceptedFrame / 2.0, -kAcceptedFrame / 2.0));
        return;
    }
    if (sign_ == Sign::kRefused) {
        painter.setPen(QPen(ToQColor(Colours::kGrey), kRefusedFrame, Qt::DashLine));
        painter.drawRect(QRectF(rect()).adjusted(kRefusedFrame / 2.0, kRefusedFrame / 2.0,
                                                 -kRefusedFrame / 2.0, -kRefusedFrame / 2.0));
    }
}
