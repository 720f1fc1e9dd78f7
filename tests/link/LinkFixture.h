#pragma once

#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <string>
#include <vector>

#include "ReceiverLink.h"
#include "SimFixture.h"

// A link over the simulated receiver whose hotplug watch looks at a temporary
// folder, so a test wakes it by creating a file there.
using Texts = std::vector<std::string>;

inline const Texts kOpenSequence = {
    "usb_init()",
    "usb_find_busses()",
    "usb_find_devices()",
    "usb_get_busses()",
    "usb_open(device 1) = handle",
    "usb_set_configuration(1) = 0",
    "usb_claim_interface(1) = 0",
};

inline Texts Concat(Texts a, const Texts& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline sim::Bytes64 Racing(std::uint32_t serial, std::uint8_t lap_in_progress, std::uint8_t counter,
                           std::uint32_t lap_time = 0) {
    sim::TimingFields f;
    f.serial = serial;
    f.node = 0x0101;
    f.counter = counter;
    f.race = 1;
    f.lap_in_progress = lap_in_progress;
    f.lap = std::uint8_t(lap_in_progress - 1);
    f.lap_time = lap_time;
    return sim::MakeTimingFrame(f);
}

inline int CountCalls(const std::string& text) {
    const Texts texts = sim::SimReceiver::Instance().CallTexts();
    return int(std::count(texts.begin(), texts.end(), text));
}

inline int CountFunction(const std::string& function) {
    const auto& calls = sim::SimReceiver::Instance().calls();
    return int(std::count_if(calls.begin(), calls.end(),
                             [&](const sim::Call& call) { return call.function == function; }));
}

class LinkFixture : public SimFixture {
  protected:
    LinkFixture() {
        link.set_idle_pause(std::chrono::milliseconds(5));
        station.slot(1).serial_number = 0x42;
    }

    // Runs the poll loop until stop_requested, with a safety stop after 5 s.
    void RunUntilStopped() {
        QTimer safety;
        safety.setSingleShot(true);
        QObject::connect(&safety, &QTimer::timeout, [this] {
            timed_out = true;
            station.stop_requested = true;
        });
        safety.start(5000);
        link.RunPollLoop();
        EXPECT_FALSE(timed_out) << "the poll loop did not stop by itself";
    }

    // A device node appearing in the watched folder.
    void CreateNode(const QString& name) {
        QFile node(hotplug.filePath(name));
        EXPECT_TRUE(node.open(QIODevice::WriteOnly));
    }

    QTemporaryDir hotplug;
    ReceiverLink link{station, hotplug.path()};
    RecordingSessionView view{station};
    bool timed_out = false;
};
