#pragma once

#include <QString>

#include "Station.h"

// The kart configuration in ustawienia.ini, section Parametry: Radio<n>, SN<n> and
// NAME<n> for slots 1..5; section CameraKarts: Camera<n>, 1 for a camera-timed kart.
QString KartSettingsPath(const Station& station);

// Loads radio, camera_timed, serial_number and driver_name of slots 1..5; a missing file or key
// takes the defaults (no radio, serial 0, the slot number as the name).
void LoadKartSettings(Station& station);

// Writes the 15 keys of all slots, keeping every other line of the file. Returns
// false with a message naming the file when it cannot be written.
bool SaveKartSettings(const Station& station, QString* error_message);
