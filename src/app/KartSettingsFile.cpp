#include "KartSettingsFile.h"

#include "IniFile.h"

namespace {
const QString kSection = QStringLiteral("Parametry");
}

QString KartSettingsPath(const Station& station) {
    return station.program_folder() + QStringLiteral("ustawienia.ini");
}

void LoadKartSettings(Station& station) {
    const IniFile ini = IniFile::Load(KartSettingsPath(station));
    for (int n = 1; n <= kSlotCount; ++n) {
        KartSlot& slot = station.slot(n);
        const QString suffix = QString::number(n);
        slot.radio = ini.ReadInteger(kSection, QStringLiteral("Radio") + suffix, 0) == 1;
        slot.serial_number = ini.ReadInteger(kSection, QStringLiteral("SN") + suffix, 0);
        slot.driver_name = ini.ReadString(kSection, QStringLiteral("NAME") + suffix, suffix);
        slot.stopwatch_running = false;
        station.current_lap_time(n) = 0;
    }
}

bool SaveKartSettings(const Station& station, QString* error_message) {
    IniFile ini = IniFile::Load(KartSettingsPath(station));
    for (int n = 1; n <= kSlotCount; ++n) {
        const KartSlot& slot = station.slot(n);
        const QString suffix = QString::number(n);
        ini.WriteInteger(kSection, QStringLiteral("Radio") + suffix, slot.radio ? 1 : 0);
        ini.WriteInteger(kSection, QStringLiteral("SN") + suffix, slot.serial_number);
        ini.WriteString(kSection, QStringLiteral("NAME") + suffix, slot.driver_name);
    }
    return ini.Save(KartSettingsPath(station), error_message);
}
