#include "UsbKeyDevice.h"

#include <cstdio>
#include <initializer_list>

namespace {

constexpr std::uint8_t kVendorClass = 0xFF;
constexpr std::uint8_t kBulk = 2;
constexpr std::uint8_t kInterrupt = 3;
constexpr std::uint16_t kPacketSize = 64;

// Byte by byte: GCC 12 at -O3 takes vector::insert of a short list for an overflow
// (-Wstringop-overflow, -Wstringop-overread), a false positive.
void Append(usbip::Bytes& out, std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) {
        out.push_back(b);
    }
}

void PutLe16(usbip::Bytes& out, std::uint16_t value) {
    out.push_back(std::uint8_t(value));
    out.push_back(std::uint8_t(value >> 8));
}

void PutInterface(usbip::Bytes& out, std::uint8_t number, std::uint8_t endpoints) {
    Append(out, {9, 4, number, 0, endpoints, kVendorClass, 0, 0, 0});
}

void PutEndpoint(usbip::Bytes& out, std::uint8_t address, std::uint8_t type,
                 std::uint16_t packet_size) {
    Append(out, {7, 5, address, type});
    PutLe16(out, packet_size);
    out.push_back(type == kInterrupt ? 1 : 0);  // bInterval
}

usbip::Bytes StringDescriptor(const std::string& text) {
    usbip::Bytes out{std::uint8_t(2 + 2 * text.size()), 3};
    for (char c : text) {
        PutLe16(out, std::uint8_t(c));
    }
    return out;
}

std::string SetupHex(const std::array<std::uint8_t, 8>& setup) {
    std::string text;
    char byte[4];
    for (std::uint8_t b : setup) {
        std::snprintf(byte, sizeof byte, "%02x", b);
        text += byte;
    }
    return text;
}

}  // namespace

std::optional<DescriptorVariant> ParseDescriptorVariant(const std::string& name) {
    if (name == "usb-key") {
        return DescriptorVariant::kUsbKey;
    }
    if (name == "no-interface-1") {
        return DescriptorVariant::kNoInterface1;
    }
    if (name == "wrong-endpoints") {
        return DescriptorVariant::kWrongEndpoints;
    }
    return std::nullopt;
}

usbip::Bytes UsbKeyDevice::DeviceDescriptor() const {
    usbip::Bytes out{18, 1};
    PutLe16(out, 0x0200);        // bcdUSB
    Append(out, {0, 0, 0, 64});  // class, subclass, protocol, ep0 packet size
    PutLe16(out, kVendor);
    PutLe16(out, kProduct);
    PutLe16(out, 0x0100);       // bcdDevice
    Append(out, {1, 2, 3, 1});  // strings, one configuration
    return out;
}

usbip::Bytes UsbKeyDevice::ConfigurationDescriptor() const {
    usbip::Bytes body;
    PutInterface(body, 0, 0);
    if (variant_ == DescriptorVariant::kUsbKey) {
        PutInterface(body, 1, 2);
        PutEndpoint(body, 0x05, kBulk, kPacketSize);
        PutEndpoint(body, 0x82, kBulk, kPacketSize);
    } else if (variant_ == DescriptorVariant::kWrongEndpoints) {
        PutInterface(body, 1, 2);
        PutEndpoint(body, 0x05, kInterrupt, 32);
        PutEndpoint(body, 0x82, kInterrupt, 32);
    }
    usbip::Bytes out{9, 2};
    PutLe16(out, std::uint16_t(9 + body.size()));
    Append(out, {std::uint8_t(InterfaceCount()), 1, 0, 0x80, 50});
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

usbip::Bytes UsbKeyDevice::DeviceInfo() const {
    usbip::Bytes out(256, 0);
    const std::string path = "/sys/devices/ruvo-usbkey-emulator/1-1";
    std::copy(path.begin(), path.end(), out.begin());
    const std::string busid = kBusId;
    usbip::Bytes busid_field(usbip::kBusIdSize, 0);
    std::copy(busid.begin(), busid.end(), busid_field.begin());
    out.insert(out.end(), busid_field.begin(), busid_field.end());
    usbip::PutU32(out, kBusNumber);
    usbip::PutU32(out, kDeviceNumber);
    usbip::PutU32(out, usbip::kSpeedFull);
    usbip::PutU16(out, kVendor);
    usbip::PutU16(out, kProduct);
    usbip::PutU16(out, 0x0100);
    Append(out, {0, 0, 0, 1, 1, std::uint8_t(InterfaceCount())});
    return out;
}

usbip::Bytes UsbKeyDevice::InterfaceInfo() const {
    usbip::Bytes out;
    for (int i = 0; i < InterfaceCount(); ++i) {
        Append(out, {kVendorClass, 0, 0, 0});
    }
    return out;
}

ControlAnswer UsbKeyDevice::Control(const std::array<std::uint8_t, 8>& setup) const {
    const std::uint8_t request_type = setup[0];
    const std::uint8_t request = setup[1];
    const std::uint16_t value = std::uint16_t(setup[2] | (setup[3] << 8));
    const std::uint16_t index = std::uint16_t(setup[4] | (setup[5] << 8));
    const std::uint16_t length = std::uint16_t(setup[6] | (setup[7] << 8));
    ControlAnswer answer;
    if (request_type == 0x80 && request == 6) {  // GET_DESCRIPTOR
        const int type = value >> 8;
        const int number = value & 0xFF;
        if (type == 1) {
            answer.data = DeviceDescriptor();
        } else if (type == 2) {
            answer.data = ConfigurationDescriptor();
        } else if (type == 3 && number == 0) {
            answer.data = {4, 3, 0x09, 0x04};  // English (US)
        } else if (type == 3 && number >= 1 && number <= 3) {
            static const char* const kStrings[] = {"RUVO test", "USB-Key emulator", "0001"};
            answer.data = StringDescriptor(kStrings[number - 1]);
        } else {  // device qualifier, BOS, ...: a full-speed device has none
            answer.status = usbip::kStatusStall;
            return answer;
        }
        if (answer.data.size() > length) {
            answer.data.resize(length);
        }
        return answer;
    }
    if (request_type == 0x00 && request == 9) {
        answer.log = "set_configuration " + std::to_string(value);
        return answer;
    }
    if (request_type == 0x01 && request == 11) {
        answer.log = "set_interface " + std::to_string(index) + " " + std::to_string(value);
        return answer;
    }
    if (request_type == 0x80 && request == 8) {  // GET_CONFIGURATION
        answer.data = {1};
        return answer;
    }
    if ((request_type & 0x80) != 0 && request == 0) {  // GET_STATUS
        answer.data = {0, 0};
        answer.data.resize(std::min<std::size_t>(2, length));
        return answer;
    }
    if (request_type == 0x02 && request == 1) {  // CLEAR_FEATURE(ENDPOINT_HALT)
        answer.log = "clear_halt " + std::to_string(index);
        return answer;
    }
    answer.status = usbip::kStatusStall;
    answer.log = "stall " + SetupHex(setup);
    return answer;
}
