#include "CallOutSettings.h"

#include "IniFile.h"

namespace {
const QString kSection = QStringLiteral("CallOuts");
const QString kSpeak = QStringLiteral("Speak");
const QString kBeep = QStringLiteral("Beep");
}  // namespace

CallOutSettings LoadCallOutSettings(const QString& ini_path) {
    const IniFile file = IniFile::Load(ini_path);
    CallOutSettings settings;
    settings.speak = file.ReadInteger(kSection, kSpeak, 0) == 1;
    settings.beep = file.ReadInteger(kSection, kBeep, 0) == 1;
    return settings;
}

bool SaveCallOutSettings(const QString& ini_path, const CallOutSettings& settings,
                         QString* error_message) {
    IniFile file = IniFile::Load(ini_path);
    file.WriteInteger(kSection, kSpeak, settings.speak ? 1 : 0);
    file.WriteInteger(kSection, kBeep, settings.beep ? 1 : 0);
    return file.Save(ini_path, error_message);
}
