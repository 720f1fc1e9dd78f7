#include "CallOutSwitch.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QWidget>
#include <utility>

namespace {

// Above "Session start" (top 48), at the buttons' left edge and width.
constexpr int kLeft = 72;
constexpr int kWidth = 241;
constexpr int kSpeakTop = 3;
constexpr int kBeepTop = 24;
constexpr int kHeight = 21;

}  // namespace

CallOutSwitch::CallOutSwitch(QWidget* launcher, QString ini_path,
                             std::function<QWidget*()> dialog_parent, CallOutSounds sounds)
    : launcher_(launcher),
      ini_path_(std::move(ini_path)),
      dialog_parent_(std::move(dialog_parent)),
      call_outs_(std::move(sounds), [this](LapCallOuts::Sound sound, const QString& reason) {
          Report(sound, reason);
      }) {
    QFont small = launcher->font();
    small.setPixelSize(14);
    speak_box_ = new QCheckBox(QStringLiteral("Call out lap times"), launcher);
    speak_box_->setObjectName(QStringLiteral("CheckBoxCallOuts"));
    beep_box_ = new QCheckBox(QStringLiteral("Beep on hand-timed laps"), launcher);
    beep_box_->setObjectName(QStringLiteral("CheckBoxBeep"));
    speak_box_->setGeometry(kLeft, kSpeakTop, kWidth, kHeight);
    beep_box_->setGeometry(kLeft, kBeepTop, kWidth, kHeight);
    speak_box_->setFont(small);
    beep_box_->setFont(small);

    const CallOutSettings settings = LoadCallOutSettings(ini_path_);
    speak_box_->setChecked(settings.speak);
    beep_box_->setChecked(settings.beep);
    call_outs_.SetSpeak(settings.speak);
    call_outs_.SetBeep(settings.beep);

    connect(speak_box_, &QCheckBox::toggled, this, [this](bool on) {
        call_outs_.SetSpeak(on);
        Save();
    });
    connect(beep_box_, &QCheckBox::toggled, this, [this](bool on) {
        call_outs_.SetBeep(on);
        Save();
    });
}

CallOutSwitch::~CallOutSwitch() = default;

void CallOutSwitch::Save() {
    QString error;
    if (!SaveCallOutSettings(ini_path_, {speak_box_->isChecked(), beep_box_->isChecked()},
                             &error)) {
        QMessageBox::warning(
            dialog_parent_ ? dialog_parent_() : launcher_, QStringLiteral("RUVOTimer"),
            QStringLiteral("The call-out settings were not saved.\n\n%1").arg(error));
    }
}

void CallOutSwitch::Report(LapCallOuts::Sound sound, const QString& reason) {
    // The check box that the failure belongs to keeps it as its tooltip.
    QCheckBox* box = sound == LapCallOuts::Sound::kBeep ? beep_box_ : speak_box_;
    box->setToolTip(reason);
    // Not modal: during a session the receiver is read on while the box is open.
    auto* message = new QMessageBox(QMessageBox::Warning, QStringLiteral("RUVOTimer"),
                                    reason + QStringLiteral("\n\nThe station works on without it."),
                                    QMessageBox::Ok, dialog_parent_ ? dialog_parent_() : launcher_);
    message->setObjectName(QStringLiteral("CallOutFailure"));
    message->setModal(false);
    // Shown without the keyboard: the hand-timing keys stay with the session screen.
    message->setAttribute(Qt::WA_ShowWithoutActivating);
    message->show();
}
