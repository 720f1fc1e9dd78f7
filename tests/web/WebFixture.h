#pragma once

#include "FakeClock.h"
#include "LapTable.h"
#include "Station.h"
#include "TempFolder.h"

// A station in a program folder of its own, with helpers to give karts laps.
class StationFixture {
  public:
    StationFixture() : station_(clock_, folder_.path()) {}

    // A kart in use with the given serial (radio) and name.
    void Kart(int slot, const QString& name, qint32 serial, bool radio = true) {
        KartSlot& kart = station_.slot(slot);
        kart.driver_name = name;
        kart.serial_number = serial;
        kart.radio = radio;
    }
    // Completes laps in order, as the lap table does in a session.
    void Laps(int slot, std::initializer_list<qint32> times) {
        KartSlot& kart = station_.slot(slot);
        for (qint32 time : times) {
            ++kart.current_lap_number;
            EnterLap(kart, time, 0, 0);
        }
    }

    TempFolder folder_;
    FakeClock clock_;
    Station station_;
};
