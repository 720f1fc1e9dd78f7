#include "LapPressWatcher.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QWidget>

namespace {

const char* const kSlotProperty = "lap_menu_slot";
const char* const kRowProperty = "lap_menu_row";

}  // namespace

LapPressWatcher::LapPressWatcher(QObject* parent) : QObject(parent) {
    long_press_.setSingleShot(true);
    long_press_.setInterval(kLongPressMs);
    connect(&long_press_, &QTimer::timeout, this, &LapPressWatcher::LongPressed);
}

void LapPressWatcher::Watch(QWidget* label, int slot, int row) {
    label->setProperty(kSlotProperty, slot);
    label->setProperty(kRowProperty, row);
    label->installEventFilter(this);
}

bool LapPressWatcher::eventFilter(QObject* watched, QEvent* event) {
    auto* label = qobject_cast<QWidget*>(watched);
    if (!label) {
        return false;
    }
    const int slot = label->property(kSlotProperty).toInt();
    const int row = label->property(kRowProperty).toInt();
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            swallow_release_ = false;
            if (mouse->button() == Qt::RightButton) {
                long_press_.stop();
                emit requested(slot, row, mouse->globalPosition().toPoint());
                return true;
            }
            if (mouse->button() == Qt::LeftButton) {
                pressed_ = label;
                press_position_ = mouse->globalPosition().toPoint();
                long_press_.start();
            }
            return false;
        }
        case QEvent::MouseMove: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (long_press_.isActive() &&
                (mouse->globalPosition().toPoint() - press_position_).manhattanLength() >
                    QApplication::startDragDistance()) {
                long_press_.stop();  // a finger that slides is no long press
            }
            return false;
        }
        case QEvent::MouseButtonRelease: {
            long_press_.stop();
            if (swallow_release_) {
                swallow_release_ = false;
                return true;
            }
            return static_cast<QMouseEvent*>(event)->button() == Qt::RightButton;
        }
        case QEvent::ContextMenu: {
            // A right-click has been served at its press; only the keyboard's
            // context-menu key is left to serve here.
            const auto* menu = static_cast<QContextMenuEvent*>(event);
            if (menu->reason() != QContextMenuEvent::Mouse) {
                emit requested(slot, row, menu->globalPos());
            }
            return true;
        }
        default:
            return false;
    }
}

void LapPressWatcher::LongPressed() {
    if (!pressed_) {
        return;
    }
    swallow_release_ = true;
    emit requested(pressed_->property(kSlotProperty).toInt(),
                   pressed_->property(kRowProperty).toInt(), press_position_);
}
