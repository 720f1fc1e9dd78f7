// The USB-Key emulator's own parts, checked on the host: a scripted timing frame
// has the simulator's (and so the decoder's) layout, bad script lines are named,
// and each descriptor variant is self-consistent. The guest run trusts all three.
#include <gtest/gtest.h>

#include "EmulatorScript.h"
#include "SimFrames.h"
#include "UsbKeyDevice.h"

namespace {

TEST(EmulatorScriptTest, TimingLineBuildsTheSimulatorsFrame) {
    const ParsedScript script = ParseScript(
        "# comment\n"
        "timing sn=0x12345678 node=0x0A0B counter=7 race=1 lap=4 in-progress=5 lap-time=6233 "
        "rpm-max=11000 rpm-min=4800 running=1234 session=99999 rpm=9000 best=6100 "
        "driver=ADAM-NOWAK12\n");
    ASSERT_TRUE(script.errors.empty()) << script.errors.front();
    ASSERT_EQ(script.steps.size(), 1u);

    sim::TimingFields fields;
    fields.serial = 0x12345678;
    fields.node = 0x0A0B;
    fields.counter = 7;
    fields.race = 1;
    fields.lap = 4;
    fields.lap_in_progress = 5;
    fields.lap_time = 6233;
    fields.lap_rpm_max = 11000;
    fields.lap_rpm_min = 4800;
    fields.running_lap_time = 1234;
    fields.session_time = 99999;
    fields.rpm = 9000;
    fields.best_lap = 6100;
    fields.driver = "ADAM-NOWAK12";
    const sim::Bytes64 expected = sim::MakeTimingFrame(fields);
    EXPECT_EQ(script.steps[0].frame, expected);
}

TEST(EmulatorScriptTest, UnnamedTimingFieldsAreZeroAndHexFramesArePadded) {
    const ParsedScript script = ParseScript("timing sn=1\nframe ff FF 0102\n");
    ASSERT_TRUE(script.errors.empty());
    Frame64 timing{};
    timing[0] = 1;
    EXPECT_EQ(script.steps[0].frame, timing);  // race flag 0 unless given
    Frame64 hex{};
    hex[0] = 0xFF;
    hex[1] = 0xFF;
    hex[2] = 0x01;
    hex[3] = 0x02;
    EXPECT_EQ(script.steps[1].frame, hex);
}

TEST(EmulatorScriptTest, BadLinesAreNamedAndGoodOnesKept) {
    const ParsedScript script = ParseScript(
        "delay 300\n"
        "delay soon\n"
        "timing lap=x\n"
        "timing colour=3\n"
        "frame 0\n"
        "network 70000\n"
        "message-reply maybe\n"
        "jump\n"
        "unplug\n"
        "replug\n"
        "network 4660\n"
        "message-reply off\n");
    const std::vector<std::string> expected_errors = {
        "line 2: delay needs milliseconds",
        "line 3: not a number: 'x'",
        "line 4: unknown timing field 'colour'",
        "line 5: a frame is at most 64 whole bytes of hex",
        "line 6: network needs a number 0..65535",
        "line 7: message-reply needs on or off",
        "line 8: unknown command 'jump'",
    };
    EXPECT_EQ(script.errors, expected_errors);
    ASSERT_EQ(script.steps.size(), 5u);
    EXPECT_EQ(script.steps[0].kind, ScriptStep::Kind::kDelay);
    EXPECT_EQ(script.steps[0].value, 300);
    EXPECT_EQ(script.steps[1].kind, ScriptStep::Kind::kUnplug);
    EXPECT_EQ(script.steps[2].kind, ScriptStep::Kind::kReplug);
    EXPECT_EQ(script.steps[3].value, 4660);
    EXPECT_EQ(script.steps[4].value, 0);
}

TEST(EmulatorScriptTest, AFrameOfMoreThan64BytesIsRefused) {
    EXPECT_EQ(ParseScript("frame " + std::string(130, '0') + "\n").errors.size(), 1u);
    EXPECT_TRUE(ParseScript("frame " + std::string(128, '0') + "\n").errors.empty());
}

ControlAnswer GetDescriptor(const UsbKeyDevice& device, int type, int length) {
    return device.Control({0x80, 6, 0, std::uint8_t(type), 0, 0, std::uint8_t(length & 0xFF),
                           std::uint8_t(length >> 8)});
}

struct Endpoint {
    int address;
    int type;
    int packet;
};

// Interfaces (by number) and their endpoints, walked from a configuration descriptor
// the way the kernel does, checking the lengths on the way.
std::vector<std::vector<Endpoint>> WalkConfiguration(const usbip::Bytes& config) {
    std::vector<std::vector<Endpoint>> interfaces;
    EXPECT_EQ(config.at(0), 9);
    EXPECT_EQ(config.at(1), 2);
    EXPECT_EQ(size_t(config.at(2) | (config.at(3) << 8)), config.size());
    for (size_t at = config.at(0); at < config.size(); at += config.at(at)) {
        if (config.at(at + 1) == 4) {
            EXPECT_EQ(config.at(at + 2), interfaces.size());
            interfaces.emplace_back();
        } else if (config.at(at + 1) == 5) {
            interfaces.back().push_back({config.at(at + 2), config.at(at + 3) & 3,
                                         config.at(at + 4) | (config.at(at + 5) << 8)});
        }
    }
    EXPECT_EQ(size_t(config.at(4)), interfaces.size());
    return interfaces;
}

TEST(UsbKeyDeviceTest, DescriptorVariants) {
    using Interfaces = std::vector<std::vector<Endpoint>>;
    const auto walk = [](DescriptorVariant variant) {
        return WalkConfiguration(GetDescriptor(UsbKeyDevice(variant), 2, 255).data);
    };
    const Interfaces usb_key = walk(DescriptorVariant::kUsbKey);
    ASSERT_EQ(usb_key.size(), 2u);
    EXPECT_TRUE(usb_key[0].empty());
    ASSERT_EQ(usb_key[1].size(), 2u);
    EXPECT_EQ(usb_key[1][0].address, 0x05);
    EXPECT_EQ(usb_key[1][0].type, 2);
    EXPECT_EQ(usb_key[1][0].packet, 64);
    EXPECT_EQ(usb_key[1][1].address, 0x82);
    EXPECT_EQ(usb_key[1][1].type, 2);

    EXPECT_EQ(walk(DescriptorVariant::kNoInterface1).size(), 1u);

    const Interfaces wrong = walk(DescriptorVariant::kWrongEndpoints);
    ASSERT_EQ(wrong.size(), 2u);
    ASSERT_EQ(wrong[1].size(), 2u);
    EXPECT_EQ(wrong[1][0].type, 3);
    EXPECT_EQ(wrong[1][0].packet, 32);

    EXPECT_FALSE(ParseDescriptorVariant("usb-keys").has_value());
}

TEST(UsbKeyDeviceTest, ControlRequests) {
    const UsbKeyDevice device(DescriptorVariant::kUsbKey);
    const ControlAnswer device_descriptor = GetDescriptor(device, 1, 18);
    ASSERT_EQ(device_descriptor.data.size(), 18u);
    EXPECT_EQ(device_descriptor.data[8] | (device_descriptor.data[9] << 8), 0x1234);
    EXPECT_EQ(device_descriptor.data[10] | (device_descriptor.data[11] << 8), 0x1236);
    // The kernel reads the first 9 bytes of the configuration for its length.
    EXPECT_EQ(GetDescriptor(device, 2, 9).data.size(), 9u);
    EXPECT_EQ(GetDescriptor(device, 6, 10).status, usbip::kStatusStall);  // qualifier

    const ControlAnswer configure = device.Control({0x00, 9, 1, 0, 0, 0, 0, 0});
    EXPECT_EQ(configure.status, 0);
    EXPECT_EQ(configure.log, "set_configuration 1");
    EXPECT_EQ(device.Control({0x01, 11, 0, 0, 1, 0, 0, 0}).log, "set_interface 1 0");
    const ControlAnswer vendor = device.Control({0x40, 0x55, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(vendor.status, usbip::kStatusStall);
    EXPECT_EQ(vendor.log, "stall 4055000000000000");
}

}  // namespace
