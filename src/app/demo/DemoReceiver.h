#pragma once

#include <memory>

#include "RaceGenerator.h"

// Sets up the simulated receiver for the demo: unless RUVOTIMER_SIM_SCRIPT names a
// script, a receiver with the demo race appears at the first bus scan; every
// message frame written to it is echoed on stderr. Returns the race.
std::shared_ptr<sim::RaceGenerator> StartDemoReceiver(std::shared_ptr<sim::RaceTime> time);
