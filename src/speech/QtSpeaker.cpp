#include "QtSpeaker.h"

#include <QTextToSpeech>

namespace {

QList<EngineVoices> InstalledEngines() {
    QList<EngineVoices> engines;
    for (const QString& name : QTextToSpeech::availableEngines()) {
        QTextToSpeech engine(name);
        engines.append({name, engine.availableLocales()});
    }
    return engines;
}

}  // namespace

QString QtSpeaker::NoEngineMessage() {
    return QStringLiteral(
        "No speech engine is installed, so lap times are not called out. On Debian the "
        "package qt6-speech-flite-plugin provides one.");
}

QtSpeaker::QtSpeaker(const QLocale& system) {
    const std::optional<VoiceChoice> choice = ChooseVoice(InstalledEngines(), system);
    if (!choice) {
        failure_ = NoEngineMessage();
        return;
    }
    choice_ = *choice;
    engine_ = std::make_unique<QTextToSpeech>(choice_.engine);
    engine_->setLocale(choice_.locale);
    connect(engine_.get(), &QTextToSpeech::stateChanged, this, &QtSpeaker::EngineStateChanged);
    EngineStateChanged();
}

QtSpeaker::~QtSpeaker() = default;

Speaker::State QtSpeaker::state() const {
    if (!failure_.isEmpty()) {
        return State::kFailed;
    }
    return saying_ || engine_->state() != QTextToSpeech::Ready ? State::kBusy : State::kReady;
}

void QtSpeaker::Say(const QString& text) {
    if (state() != State::kReady) {
        return;
    }
    // Busy from here on, even before the engine says so: a second say() would cut
    // this call-out off.
    saying_ = true;
    engine_->say(text);
}

void QtSpeaker::EngineStateChanged() {
    const QTextToSpeech::State state = engine_->state();
    if (state == QTextToSpeech::Error && failure_.isEmpty()) {
        failure_ = QStringLiteral(
                       "The speech engine \"%1\" failed, so lap times are no longer "
                       "called out: %2")
                       .arg(choice_.engine, engine_->errorString().isEmpty()
                                                ? QStringLiteral("no reason given")
                                                : engine_->errorString());
    }
    if (state == QTextToSpeech::Ready) {
        saying_ = false;
    }
    if (on_state_changed) {
        on_state_changed();
    }
}
