#pragma once

#include "Station.h"

// Applies the frame last read (station.receive_buffer) to memdane and the kart
// slots: timing frames mirror the unit into memdane, update the first slot with
// that serial number and report completed laps to the session screen; temperature
// frames set the slot's three temperatures. Any 64 bytes are accepted.
void DecodeFrame(Station& station);
// The same for a frame that arrived at performance counter `now`: the serve loop
// reads the clock once per frame for the decoder and its frame rate.
void DecodeFrame(Station& station, qint64 now);
