#pragma once

#include <gtest/gtest.h>

#include "Recorders.h"
#include "SimReceiver.h"

// Fresh simulated receiver state for every test; reads that find nothing return at
// once so the suite stays fast.
class SimFixture : public ::testing::Test {
  protected:
    SimFixture() {
        Sim().Reset();
        Sim().SetEmptyReadSleep(std::chrono::microseconds(100));
        Sim().SetTimeScale(0);
    }
    ~SimFixture() override { Sim().Reset(); }

    static sim::SimReceiver& Sim() { return sim::SimReceiver::Instance(); }

    TestStation test;
    Station& station = test.station;
};
