#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "Speaker.h"
#include "VoiceChoice.h"

class QTextToSpeech;

// Call-outs spoken by Qt TextToSpeech, with the engine and voice ChooseVoice picks
// for the system's language. Without an installed engine it fails at once. The
// engine speaks on its own; an engine error (no sound output, a broken voice)
// fails it for good, with the engine's reason.
class QtSpeaker : public QObject, public Speaker {
    Q_OBJECT

  public:
    explicit QtSpeaker(const QLocale& system = QLocale::system());
    ~QtSpeaker() override;

    State state() const override;
    QString failure() const override { return failure_; }
    void Say(const QString& text) override;

    // What the operator is told when no engine is installed.
    static QString NoEngineMessage();

    // What was chosen: empty engine when none is installed.
    const VoiceChoice& choice() const { return choice_; }

  private:
    void EngineStateChanged();

    std::unique_ptr<QTextToSpeech> engine_;
    VoiceChoice choice_;
    QString failure_;
    bool saying_ = false;  // from Say until the engine is ready again
};
