#pragma once

// What the emulated USB-Key says about itself: descriptors and the answers to
// control requests on endpoint 0.

#include <optional>
#include <string>

#include "UsbipProtocol.h"

enum class DescriptorVariant {
    kUsbKey,          // interface 0 without endpoints, interface 1 with bulk 0x05 / 0x82
    kNoInterface1,    // only interface 0
    kWrongEndpoints,  // interface 1 with interrupt endpoints of 32 bytes
};

std::optional<DescriptorVariant> ParseDescriptorVariant(const std::string& name);

struct ControlAnswer {
    int status = 0;     // 0 or usbip::kStatusStall
    usbip::Bytes data;  // IN data
    std::string log;    // a line for the emulator log, empty when not worth logging
};

class UsbKeyDevice {
  public:
    static constexpr std::uint16_t kVendor = 0x1234;
    static constexpr std::uint16_t kProduct = 0x1236;
    static constexpr std::uint32_t kBusNumber = 1;
    static constexpr std::uint32_t kDeviceNumber = 2;
    static constexpr const char* kBusId = "1-1";

    explicit UsbKeyDevice(DescriptorVariant variant) : variant_(variant) {}

    // struct usbip_usb_device of OP_REP_IMPORT / OP_REP_DEVLIST.
    usbip::Bytes DeviceInfo() const;
    // The interface triplets that follow the device in OP_REP_DEVLIST.
    usbip::Bytes InterfaceInfo() const;
    ControlAnswer Control(const std::array<std::uint8_t, 8>& setup) const;

  private:
    usbip::Bytes DeviceDescriptor() const;
    usbip::Bytes ConfigurationDescriptor() const;
    int InterfaceCount() const { return variant_ == DescriptorVariant::kNoInterface1 ? 1 : 2; }

    DescriptorVariant variant_;
};
