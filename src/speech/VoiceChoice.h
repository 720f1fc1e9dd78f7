#pragma once

#include <QList>
#include <QLocale>
#include <QString>
#include <optional>

// The languages one speech engine speaks.
struct EngineVoices {
    QString engine;
    QList<QLocale> locales;
};

struct VoiceChoice {
    QString engine;
    QLocale locale;
};

// The engine and language call-outs are spoken in: the first engine with a voice in
// the system's language (its own country preferred), else the first with an English
// voice (en_US preferred), else the first engine with its first language. Nothing
// when there is no engine. The words stay English in every case: a voice for
// another language reads them with its own accent, and says the drivers' names
// the way the station's language does.
std::optional<VoiceChoice> ChooseVoice(const QList<EngineVoices>& engines, const QLocale& system);
