#include "SessionKeyRouter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

SessionKeyRouter::SessionKeyRouter(QWidget* screen, std::function<bool(QKeyEvent*)> take_key)
    : QObject(screen), screen_(screen), take_key_(std::move(take_key)) {
    qApp->installEventFilter(this);
}

SessionKeyRouter::~SessionKeyRouter() {
    if (qApp != nullptr) {
        qApp->removeEventFilter(this);
    }
}

bool SessionKeyRouter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) {
        return false;
    }
    // Key events reach the window object first and then the focus widget: taken at
    // the widget, where a window's own key handling would see them.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || !screen_->isVisible() || widget->window() == screen_) {
        return false;
    }
    // Another session screen (an ended one still shown, in tests) takes its own keys.
    if (widget->window()->findChild<SessionKeyRouter*>(QString(), Qt::FindDirectChildrenOnly)) {
        return false;
    }
    if (QApplication::activeModalWidget() != nullptr ||
        QApplication::activePopupWidget() != nullptr) {
        return false;
    }
    if (!take_key_(static_cast<QKeyEvent*>(event))) {
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        // The keyboard goes back to the screen, so the next key needs no detour.
        screen_->raise();
        screen_->activateWindow();
    }
    return true;
}
