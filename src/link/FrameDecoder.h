#pragma once

#include "Station.h"

// Applies the frame last read (station.receive_buffer) to memdane and the kart
// slots: timing frames mirror the unit into memdane, update the first slot with
// that serial number and report completed laps to the session screen; temperature
// frames set the slot's three temperatures. Any 64 bytes are accepted.
void DecodeFrame(Station& station);
