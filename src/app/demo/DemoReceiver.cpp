#include "DemoReceiver.h"

#include <cstdio>

#include "MessageEcho.h"
#include "SimReceiver.h"

std::shared_ptr<sim::RaceGenerator> StartDemoReceiver(std::shared_ptr<sim::RaceTime> time) {
    auto race = std::make_shared<sim::RaceGenerator>(std::move(time));
    sim::SimReceiver& receiver = sim::SimReceiver::Instance();
    receiver.UseRaceWhenUnscripted(race);
    // A long demo must not keep a call log nobody reads.
    receiver.SetLogging(false);
    receiver.SetMessageObserver([](const sim::Bytes64& frame) {
        std::fprintf(stderr, "%s\n", DescribeMessageFrame(frame).c_str());
        std::fflush(stderr);
    });
    return race;
}
