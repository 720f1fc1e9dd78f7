#include "RepaintCoalescer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

RepaintCoalescer::RepaintCoalescer(QWidget* window) : QObject(window), window_(window) {
    held_.setSingleShot(true);
    held_.setTimerType(Qt::PreciseTimer);
    connect(&held_, &QTimer::timeout, this, &RepaintCoalescer::PaintHeld);
    window_->installEventFilter(this);
}

bool RepaintCoalescer::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_ || event->type() != QEvent::UpdateRequest) {
        return false;
    }
    if (since_paint_.isValid() && since_paint_.elapsed() < kIntervalMs) {
        if (!held_.isActive()) {
            held_.start(int(kIntervalMs - since_paint_.elapsed()));
        }
        return true;
    }
    held_.stop();
    since_paint_.start();
    ++paints_;
    return false;
}

void RepaintCoalescer::PaintHeld() {
    // Sent, not posted: a posted request would wait for the next pass of the event
    // loop, which in a session comes only after the next frame.
    QEvent request(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(window_, &request);
}
