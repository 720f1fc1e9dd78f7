#include "VoiceChoice.h"

namespace {

// The best locale of one engine for a language: the wanted country if offered,
// else the first of that language.
std::optional<QLocale> Match(const QList<QLocale>& locales, QLocale::Language language,
                             QLocale::Territory territory) {
    std::optional<QLocale> same_language;
    for (const QLocale& locale : locales) {
        if (locale.language() != language) {
            continue;
        }
        if (locale.territory() == territory) {
            return locale;
        }
        if (!same_language) {
            same_language = locale;
        }
    }
    return same_language;
}

std::optional<VoiceChoice> FirstWith(const QList<EngineVoices>& engines, QLocale::Language language,
                                     QLocale::Territory territory) {
    for (const EngineVoices& engine : engines) {
        if (const auto locale = Match(engine.locales, language, territory)) {
            return VoiceChoice{engine.engine, *locale};
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<VoiceChoice> ChooseVoice(const QList<EngineVoices>& engines, const QLocale& system) {
    if (engines.isEmpty()) {
        return std::nullopt;
    }
    if (const auto own = FirstWith(engines, system.language(), system.territory())) {
        return own;
    }
    if (const auto english = FirstWith(engines, QLocale::English, QLocale::UnitedStates)) {
        return english;
    }
    const EngineVoices& first = engines.front();
    return VoiceChoice{first.engine,
                       first.locales.isEmpty() ? QLocale(QLocale::English) : first.locales.front()};
}
