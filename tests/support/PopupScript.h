#pragma once

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <functional>

// Answers the next popup menu that opens while it lives (QMenu::exec runs its own
// loop, and a popup is no modal widget, so ModalScript does not see it).
class PopupScript {
  public:
    explicit PopupScript(std::function<void(QMenu*)> answer) : answer_(std::move(answer)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu || !menu->isVisible() || answered_) {
                return;
            }
            answered_ = true;
            answer_(menu);
        });
        timer_.start();
    }
    bool answered() const { return answered_; }

  private:
    std::function<void(QMenu*)> answer_;
    bool answered_ = false;
    QTimer timer_;
};

// Chooses the menu's action of that object name as the operator can: made the
// active one and taken with Return. Not with a click: the menu opened on a right
// press whose release QTest has not sent yet, and Qt 6.8 closes a menu on a left
// press that arrives while the right button still counts as held. A missing or
// disabled action closes the menu with Escape instead (and the test sees that
// nothing happened).
inline void ClickMenuAction(QMenu* menu, const QString& object_name) {
    QAction* action = menu->findChild<QAction*>(object_name);
    if (!action || !action->isEnabled() || !menu->actions().contains(action)) {
        QTest::keyClick(menu, Qt::Key_Escape);
        return;
    }
    menu->setActiveAction(action);
    QTest::keyClick(menu, Qt::Key_Return);
}
