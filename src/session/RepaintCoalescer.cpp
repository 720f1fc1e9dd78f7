#include "RepaintCoalescer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

RepaintCoalescer::RepaintCoalescer(QWidget* window) : QObject(window), window_(window) {
    repost_.setSingleShot(true);
    repost_.setTimerType(Qt::PreciseTimer);
    connect(&repost_, &QTimer::timeout, this, &RepaintCoalescer::RepostUpdateRequest);
    window_->installEventFilter(this);
}

bool RepaintCoalescer::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_ || event->type() != QEvent::UpdateRequest) {
        return false;
    }
    if (since_paint_.isValid() && since_paint_.elapsed() < kIntervalMs) {
        if (!repost_.isActive()) {
            repost_.start(int(kIntervalMs - since_paint_.elapsed()));
        }
        return true;
    }
    repost_.stop();
    since_paint_.start();
    ++paints_;
    return false;
}

void RepaintCoalescer::RepostUpdateRequest() {
    QCoreApplication::postEvent(window_, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
}
