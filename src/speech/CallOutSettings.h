#pragma once

#include <QString>

// The call-out switches, kept in ustawienia.ini in section CallOuts (keys Speak and
// Beep, 1 for on). Older files lack the section: both are off.
struct CallOutSettings {
    bool speak = false;
    bool beep = false;
};

// A missing file, section or key, or any value but 1, reads as off.
CallOutSettings LoadCallOutSettings(const QString& ini_path);

// Writes both keys, keeping every other line of the file as it is.
bool SaveCallOutSettings(const QString& ini_path, const CallOutSettings& settings,
                         QString* error_message);
