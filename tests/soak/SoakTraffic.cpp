#include "SoakTraffic.h"

#include "SimReceiver.h"

namespace soak {
namespace {

sim::SimReceiver& Sim() {
    return sim::SimReceiver::Instance();
}

// Error codes a receiver that misbehaves returns besides the timeout: EIO, EPIPE
// (stall), EPROTO, EOVERFLOW, and ENODEV without the device leaving the bus.
constexpr std::array<int, 5> kErrorCodes = {-5, -32, -71, -75, -19};

}  // namespace

std::uint32_t UnitSerial(int unit) {
    return 0x0A1000 + std::uint32_t(unit) * 0x111;
}

std::uint16_t UnitNode(int unit) {
    return std::uint16_t(0x0B00 + unit);
}

void Traffic::Fill(long frames, size_t backlog) {
    while (counts_.frames < frames && Sim().PendingInbound(device_) < backlog) {
        QueueOne();
    }
}

void Traffic::QueueFrame(const sim::Bytes64& frame) {
    Sim().QueueFrame(device_, frame);
    ++counts_.frames;
}

void Traffic::QueueOne() {
    const std::uint32_t pick = random_.Below(10000);
    if (pick < 30) {
        // A frame cut off: the unit's report is lost, later frames repeat its lap.
        const int unit = int(random_.Below(kSlotUnits));
        Sim().QueueShortRead(device_, int(random_.Below(64)), NextUnitFrame(unit));
        ++counts_.cut_frames;
    } else if (pick < 60) {
        Sim().QueueTimeout(device_);
        ++counts_.timeouts;
    } else if (pick < 85) {
        Sim().QueueError(device_, kErrorCodes[random_.Below(kErrorCodes.size())]);
        ++counts_.errors;
    } else if (pick < 95) {
        Sim().QueueDelay(device_, int(random_.Between(50, 400)));
        ++counts_.delays;
    } else if (pick < 102) {
        Sim().QueueUnplug(device_);
        Sim().QueueReplug(device_, int(random_.Between(1, 3)));
        ++counts_.unplugs;
        // The unit's report right behind the re-plug shows whether the link reads
        // again at once.
        QueueFrame(NextUnitFrame(int(random_.Below(kSlotUnits))));
        ++counts_.lap_frames;
    } else if (pick < 140) {
        const int unit = int(random_.Below(kSlotUnits));
        sim::TemperatureFields t;
        t.serial = UnitSerial(unit);
        t.node = UnitNode(unit);
        t.temp1 = std::int16_t(int(random_.Below(2000)) - 500);
        t.temp2 = std::int16_t(int(random_.Below(2000)) - 500);
        t.temp3 = std::int16_t(int(random_.Below(2000)) - 500);
        QueueFrame(sim::MakeTemperatureFrame(t));
        ++counts_.temperature_frames;
    } else if (pick < 160) {
        QueueFrame(NextUnitFrame(kStrangerUnit));
        ++counts_.stranger_frames;
    } else if (pick < 170) {
        sim::Bytes64 frame = NextUnitFrame(int(random_.Below(kSlotUnits)));
        frame[0] = frame[1] = frame[2] = frame[3] = 0xFF;
        QueueFrame(frame);
        ++counts_.no_report_frames;
    } else if (pick < 180) {
        sim::Bytes64 frame = NextUnitFrame(int(random_.Below(kSlotUnits)));
        frame[9] = std::uint8_t(random_.Between(2, 255));
        QueueFrame(frame);
        ++counts_.unknown_type_frames;
    } else if (pick < 190) {
        sim::Bytes64 frame = NextUnitFrame(int(random_.Below(kSlotUnits)));
        frame[24] = 0;  // the unit reports no race: no lap step
        QueueFrame(frame);
        ++counts_.idle_frames;
    } else {
        QueueFrame(NextUnitFrame(int(random_.Below(kSlotUnits))));
        ++counts_.lap_frames;
    }
}

sim::Bytes64 Traffic::NextUnitFrame(int unit) {
    UnitState& u = units_[size_t(unit)];
    if (u.frames_left_in_lap == 0) {
        u.lap_completed = u.lap_in_progress;
        ++u.lap_in_progress;  // wraps 255 -> 0 like the unit's byte counter
        u.lap_time = random_.Between(2500, 9000);
        u.lap_max = std::uint16_t(random_.Between(9000, 14000));
        u.lap_min = std::uint16_t(random_.Between(2000, 6000));
        u.frames_left_in_lap = int(random_.Between(1, 6));
    }
    --u.frames_left_in_lap;
    sim::TimingFields f;
    f.serial = UnitSerial(unit) | (random_.OneIn(4) ? 0x5A000000u : 0u);  // top byte ignored
    f.node = UnitNode(unit);
    f.counter = ++u.counter;
    f.driver = "Unit " + std::to_string(unit + 1);
    f.race = 1;
    f.lap = u.lap_completed;
    f.lap_in_progress = u.lap_in_progress;
    f.lap_time = u.lap_time;
    f.lap_rpm_max = u.lap_max;
    f.lap_rpm_min = u.lap_min;
    f.running_lap_time = random_.Below(9000);
    f.session_time = random_.Below(1000000);
    f.rpm = std::uint16_t(random_.Between(2000, 14000));
    return sim::MakeTimingFrame(f);
}

}  // namespace soak
