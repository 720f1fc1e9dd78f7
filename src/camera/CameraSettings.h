#pragma once

#include <QString>
#include <array>

#include "KartSlot.h"

class IniFile;

// The camera at the line, kept in its own section of ustawienia.ini ("Camera").
struct CameraSettings {
    bool enabled = false;                  // a camera times karts during sessions
    QString device = QStringLiteral("0");  // a V4L2 index or a device path
    int width = 640;
    int height = 480;
    int fps = 60;
    int shutter_us = 0;  // manual exposure; 0 leaves the camera's own
    int line_x = -1;     // the line's column; -1: the middle of the picture
    int band_half_width = 80;
    int marker_mm = 200;
    int top_speed_kmh = 90;
    // The marker id each kart slot carries (-1: none); index 0 is slot 1.
    std::array<int, kSlotCount> marker_of_slot{-1, -1, -1, -1, -1};

    // The line's column in a picture this wide.
    int LineFor(int picture_width) const { return line_x >= 0 ? line_x : picture_width / 2; }
    // The slot whose marker this is, or 0.
    int SlotOfMarker(int marker_id) const;
};

CameraSettings LoadCameraSettings(const QString& ini_path);
// The same from a file already read.
CameraSettings CameraSettingsFrom(const IniFile& file);
bool SaveCameraSettings(const QString& ini_path, const CameraSettings& settings,
                        QString* error_message);

// The longest shutter that still reads a marker of this size at this speed: the
// blur must stay under about one module of the printed pattern (0.18 of its side).
double LongestShutterSeconds(double marker_m, double speed_m_s);
// The narrowest field of view (metres across) that sees the marker whole on each side
// of the line at this frame rate.
double NarrowestFieldMetres(double marker_m, double speed_m_s, double fps);
// What the setup window says of these settings' shutter, marker size and speed.
QString ShutterAdvice(const CameraSettings& settings);
