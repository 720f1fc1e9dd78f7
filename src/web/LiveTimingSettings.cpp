#include "LiveTimingSettings.h"

#include "IniFile.h"

namespace {
const QString kSection = QStringLiteral("LiveTiming");
}  // namespace

LiveTimingSettings LoadLiveTimingSettings(const QString& ini_path) {
    const IniFile file = IniFile::Load(ini_path);
    LiveTimingSettings settings;
    settings.enabled = file.ReadInteger(kSection, QStringLiteral("Enabled"), 0) == 1;
    const qint32 port = file.ReadInteger(kSection, QStringLiteral("Port"), kDefaultLiveTimingPort);
    settings.port = (port >= 1 && port <= 65535) ? quint16(port) : kDefaultLiveTimingPort;
    settings.address = file.ReadString(kSection, QStringLiteral("Address"), QString()).trimmed();
    for (const QString& name : file.ReadString(kSection, QStringLiteral("HostNames"), QString())
                                   .split(QLatin1Char(','))) {
        if (!name.trimmed().isEmpty()) {
            settings.host_names << name.trimmed();
        }
    }
    return settings;
}

bool SaveLiveTimingSettings(const QString& ini_path, const LiveTimingSettings& settings,
                            QString* error_message) {
    IniFile file = IniFile::Load(ini_path);
    file.WriteInteger(kSection, QStringLiteral("Enabled"), settings.enabled ? 1 : 0);
    file.WriteInteger(kSection, QStringLiteral("Port"), settings.port);
    file.WriteString(kSection, QStringLiteral("Address"), settings.address);
    file.WriteString(kSection, QStringLiteral("HostNames"),
                     settings.host_names.join(QLatin1Char(',')));
    return file.Save(ini_path, error_message);
}
