#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "CallOutSettings.h"
#include "LapCallOuts.h"

class QCheckBox;
class QWidget;

// The launcher's two call-out switches in the free room above "Session start":
// "Call out lap times" and "Beep on hand-timed laps", kept in ustawienia.ini,
// section CallOuts. A speech engine or sound output that does not work is told
// once, in a box in front of the window the operator is looking at, and the check
// box keeps the reason as its tooltip; the station carries on silently.
class CallOutSwitch : public QObject {
    Q_OBJECT

  public:
    // dialog_parent gives the window a report belongs to (the session screen while
    // it is shown).
    CallOutSwitch(QWidget* launcher, QString ini_path, std::function<QWidget*()> dialog_parent,
                  CallOutSounds sounds);
    ~CallOutSwitch() override;

    LapCallOuts& call_outs() { return call_outs_; }

  private:
    void Save();
    void Report(LapCallOuts::Sound sound, const QString& reason);

    QWidget* launcher_;
    QString ini_path_;
    std::function<QWidget*()> dialog_parent_;
    LapCallOuts call_outs_;
    QCheckBox* speak_box_ = nullptr;
    QCheckBox* beep_box_ = nullptr;
};
