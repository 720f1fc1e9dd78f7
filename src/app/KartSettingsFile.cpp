#include "KartSettingsFile.h"

#include "CameraSettings.h"
#include "IniFile.h"

namespace {
const QString kSection = QStringLiteral("Parametry");
// Which hand-timed karts the camera times, in a section of its own.
const QString kCameraKartsSection = QStringLiteral("CameraKarts");

QString CameraKey(int slot) {
    return QStringLiteral("Camera%1").arg(slot);
}
}  // namespace

QString KartSettingsPath(const Station& station) {
    return station.program_folder() + QStringLiteral("ustawienia.ini");
}

void LoadKartSettings(Station& station) {
    const IniFile ini = IniFile::Load(KartSettingsPath(station));
    // Before the kart settings had a "Camera" box, a hand-timed kart was camera-timed
    // when the camera's settings gave it a marker: a file without the section keeps that.
    const CameraSettings camera = CameraSettingsFrom(ini);
    for (int n = 1; n <= kSlotCount; ++n) {
        KartSlot& slot = station.slot(n);
        const QString suffix = QString::number(n);
        slot.radio = ini.ReadInteger(kSection, QStringLiteral("Radio") + suffix, 0) == 1;
        slot.serial_number = ini.ReadInteger(kSection, QStringLiteral("SN") + suffix, 0);
        slot.driver_name = ini.ReadString(kSection, QStringLiteral("NAME") + suffix, suffix);
        const bool has_marker = camera.marker_of_slot[size_t(n - 1)] >= 0;
        slot.camera_timed =
            !slot.radio && ini.ReadInteger(kCameraKartsSection, CameraKey(n), has_marker) == 1;
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
    // Written once it says something the camera's markers do not (see the loading), so
    // a station without a camera keeps its file as it was.
    const CameraSettings camera = CameraSettingsFrom(ini);
    bool write_camera_karts = !ini.Entries(kCameraKartsSection).isEmpty();
    for (int n = 1; n <= kSlotCount; ++n) {
        const KartSlot& slot = station.slot(n);
        const bool by_marker = !slot.radio && camera.marker_of_slot[size_t(n - 1)] >= 0;
        write_camera_karts = write_camera_karts || (slot.camera_timed && !slot.radio) != by_marker;
    }
    for (int n = 1; write_camera_karts && n <= kSlotCount; ++n) {
        const KartSlot& slot = station.slot(n);
        ini.WriteInteger(kCameraKartsSection, CameraKey(n), slot.camera_timed && !slot.radio);
    }
    return ini.Save(KartSettingsPath(station), error_message);
}
