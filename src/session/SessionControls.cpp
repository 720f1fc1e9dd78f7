#include "SessionControls.h"

#include <QMouseEvent>
#include <QPainter>

ImageButton::ImageButton(QPixmap normal, QPixmap pressed, QWidget* parent)
    : QAbstractButton(parent), normal_(std::move(normal)), pressed_(std::move(pressed)) {
    setFocusPolicy(Qt::NoFocus);
    resize(normal_.size());
}

void ImageButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!isEnabled()) {
        painter.setOpacity(0.35);
    }
    painter.drawPixmap(0, 0, isDown() ? pressed_ : normal_);
}

IndicatorLamp::IndicatorLamp(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    resize(13, 13);
}

void IndicatorLamp::setOn(bool on) {
    if (on_ == on) {
        return;
    }
    on_ = on;
    update();
}

void IndicatorLamp::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colour = ToQColor(on_ ? kOnColour : kOffColour);
    painter.setPen(QPen(colour.darker(200), 1));
    QRadialGradient gradient(QPointF(4.5, 4.5), 8);
    gradient.setColorAt(0, colour.lighter(160));
    gradient.setColorAt(1, colour);
    painter.setBrush(gradient);
    painter.drawEllipse(QRectF(0.5, 0.5, width() - 1.0, height() - 1.0));
}

void ClickablePanel::mouseReleaseEvent(QMouseEvent* event) {
    QFrame::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}
