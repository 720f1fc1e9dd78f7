#pragma once

#include <QObject>
#include <functional>

class QKeyEvent;
class QWidget;

// Brings the keys of the station's other windows to the session screen while it
// is shown: a warning box that took the keyboard, or the launcher behind the
// always-on-top screen after Alt+Tab, must not swallow a hand-timed lap. Only a
// modal dialog or a popup menu the operator opened keeps its keys. Installed on
// the application; the screen decides which keys are its own.
class SessionKeyRouter : public QObject {
    Q_OBJECT

  public:
    // take_key: offered every key press and release meant for another window;
    // true when it was the screen's (it is then not delivered there).
    SessionKeyRouter(QWidget* screen, std::function<bool(QKeyEvent*)> take_key);
    ~SessionKeyRouter() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* screen_;
    std::function<bool(QKeyEvent*)> take_key_;
};
