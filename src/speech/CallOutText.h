#pragma once

#include <QString>

#include "KartSlot.h"

// The name a call-out starts with: the driver's surname, taken as the last word of
// the name that is not an initial ("Jan Nowak" and "Nowak J." both give "Nowak"),
// or "Kart N" for a slot without a name.
QString SpokenName(const QString& driver_name, int slot_number);

// "Nowak, thirty-four fifty-five", with ", best lap" on a new best.
QString CallOutText(const QString& spoken_name, qint32 lap_time, bool new_best);

// Whether the lap just entered into the slot beat every earlier lap of the session.
// The first lap of a session has nothing to beat, and a lap equal to the best is
// no new best.
bool IsNewBest(const KartSlot& slot);

// The call-out of the lap just entered into the slot.
QString CallOutForLap(const KartSlot& slot, int slot_number, qint32 lap_time);
