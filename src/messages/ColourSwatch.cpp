#include "ColourSwatch.h"

#include <QMouseEvent>

#include "WindowLook.h"

ColourSwatch::ColourSwatch(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setCursor(Qt::PointingHandCursor);
    FillBackground(this, colour_);
}

void ColourSwatch::setColour(Colour colour) {
    colour_ = colour;
    FillBackground(this, colour);
}

void ColourSwatch::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
    QFrame::mouseReleaseEvent(event);
}
