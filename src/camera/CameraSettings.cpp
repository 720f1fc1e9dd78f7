#include "CameraSettings.h"

#include "IniFile.h"

namespace {

const QString kCameraSection = QStringLiteral("Camera");

QString MarkerKey(int slot) {
    return QStringLiteral("Marker_%1").arg(slot);
}

// A value outside its range reads as the default: a hand-edited file must not
// start the camera at 0×0 or look for the line off the picture.
int ReadBounded(const IniFile& file, const QString& key, int low, int high, int fallback) {
    const int value = file.ReadInteger(kCameraSection, key, fallback);
    return value >= low && value <= high ? value : fallback;
}

}  // namespace

int CameraSettings::SlotOfMarker(int marker_id) const {
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        if (marker_id >= 0 && marker_of_slot[size_t(slot - 1)] == marker_id) {
            return slot;
        }
    }
    return 0;
}

CameraSettings LoadCameraSettings(const QString& ini_path) {
    return CameraSettingsFrom(IniFile::Load(ini_path));
}

CameraSettings CameraSettingsFrom(const IniFile& file) {
    CameraSettings s;
    s.enabled = file.ReadInteger(kCameraSection, QStringLiteral("Enabled"), 0) == 1;
    s.device = file.ReadString(kCameraSection, QStringLiteral("Device"), s.device).trimmed();
    s.width = ReadBounded(file, QStringLiteral("Width"), 160, 7680, s.width);
    s.height = ReadBounded(file, QStringLiteral("Height"), 120, 4320, s.height);
    s.fps = ReadBounded(file, QStringLiteral("Fps"), 1, 1000, s.fps);
    s.shutter_us = ReadBounded(file, QStringLiteral("ShutterUs"), 0, 1000000, s.shutter_us);
    s.line_x = ReadBounded(file, QStringLiteral("Line"), -1, 7679, s.line_x);
    s.band_half_width = ReadBounded(file, QStringLiteral("Band"), 8, 1000, s.band_half_width);
    s.marker_mm = ReadBounded(file, QStringLiteral("MarkerMm"), 20, 2000, s.marker_mm);
    s.top_speed_kmh = ReadBounded(file, QStringLiteral("TopSpeedKmh"), 5, 400, s.top_speed_kmh);
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        s.marker_of_slot[size_t(slot - 1)] = ReadBounded(file, MarkerKey(slot), -1, 49, -1);
    }
    return s;
}

bool SaveCameraSettings(const QString& ini_path, const CameraSettings& s, QString* error_message) {
    IniFile file = IniFile::Load(ini_path);
    QList<IniFile::Entry> entries = {
        {QStringLiteral("Enabled"), s.enabled ? QStringLiteral("1") : QStringLiteral("0")},
        {QStringLiteral("Device"), s.device},
        {QStringLiteral("Width"), QString::number(s.width)},
        {QStringLiteral("Height"), QString::number(s.height)},
        {QStringLiteral("Fps"), QString::number(s.fps)},
        {QStringLiteral("ShutterUs"), QString::number(s.shutter_us)},
        {QStringLiteral("Line"), QString::number(s.line_x)},
        {QStringLiteral("Band"), QString::number(s.band_half_width)},
        {QStringLiteral("MarkerMm"), QString::number(s.marker_mm)},
        {QStringLiteral("TopSpeedKmh"), QString::number(s.top_speed_kmh)},
    };
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        entries.append({MarkerKey(slot), QString::number(s.marker_of_slot[size_t(slot - 1)])});
    }
    file.WriteStrings(kCameraSection, entries);
    return file.Save(ini_path, error_message);
}

double LongestShutterSeconds(double marker_m, double speed_m_s) {
    return speed_m_s > 0 ? 0.18 * marker_m / speed_m_s : 0;
}

double NarrowestFieldMetres(double marker_m, double speed_m_s, double fps) {
    return fps > 0 ? marker_m + 2 * speed_m_s / fps : 0;
}

QString ShutterAdvice(const CameraSettings& s) {
    const double marker_m = s.marker_mm / 1000.0;
    const double speed = s.top_speed_kmh / 3.6;
    const double longest = LongestShutterSeconds(marker_m, speed);
    const int longest_us = qRound(longest * 1e6);
    QString text = QStringLiteral("Shutter at most 1/%1 s (%2 µs); field of view at least %3 m")
                       .arg(qRound(1 / longest))
                       .arg(longest_us)
                       .arg(NarrowestFieldMetres(marker_m, speed, s.fps), 0, 'f', 2);
    if (s.shutter_us == 0 || s.shutter_us > longest_us) {
        text += QStringLiteral(". Markers will blur: the band trigger alone times karts.");
    }
    return text;
}
