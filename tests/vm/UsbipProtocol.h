#pragma once

// The USB/IP wire format (the Linux kernel's Documentation/usb/usbip_protocol.rst):
// every number is big-endian. Only what a single full-speed device needs.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace usbip {

inline constexpr std::uint16_t kVersion = 0x0111;
inline constexpr std::uint16_t kOpReqDevlist = 0x8005;
inline constexpr std::uint16_t kOpRepDevlist = 0x0005;
inline constexpr std::uint16_t kOpReqImport = 0x8003;
inline constexpr std::uint16_t kOpRepImport = 0x0003;

inline constexpr std::uint32_t kCmdSubmit = 1;
inline constexpr std::uint32_t kCmdUnlink = 2;
inline constexpr std::uint32_t kRetSubmit = 3;
inline constexpr std::uint32_t kRetUnlink = 4;

inline constexpr std::uint32_t kDirOut = 0;
inline constexpr std::uint32_t kDirIn = 1;

inline constexpr int kSpeedFull = 2;
inline constexpr std::size_t kHeaderSize = 48;
inline constexpr std::size_t kDeviceInfoSize = 312;
inline constexpr std::size_t kBusIdSize = 32;

inline constexpr int kStatusStall = -32;      // -EPIPE
inline constexpr int kStatusUnlinked = -104;  // -ECONNRESET
inline constexpr std::uint32_t kNoIsoPackets = 0xFFFFFFFF;

using Bytes = std::vector<std::uint8_t>;

inline void PutU16(Bytes& out, std::uint16_t value) {
    out.push_back(std::uint8_t(value >> 8));
    out.push_back(std::uint8_t(value));
}

inline void PutU32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(std::uint8_t(value >> shift));
    }
}

inline std::uint32_t GetU32(const std::uint8_t* at) {
    return (std::uint32_t(at[0]) << 24) | (std::uint32_t(at[1]) << 16) |
           (std::uint32_t(at[2]) << 8) | std::uint32_t(at[3]);
}

inline std::uint16_t GetU16(const std::uint8_t* at) {
    return std::uint16_t((at[0] << 8) | at[1]);
}

// The fields of one URB command header that the device looks at.
struct Command {
    std::uint32_t command = 0;
    std::uint32_t seqnum = 0;
    std::uint32_t direction = 0;
    std::uint32_t endpoint = 0;
    std::uint32_t buffer_length = 0;  // CMD_SUBMIT
    std::uint32_t iso_packets = 0;    // CMD_SUBMIT
    std::uint32_t unlink_seqnum = 0;  // CMD_UNLINK
    std::array<std::uint8_t, 8> setup{};

    static Command Parse(const std::uint8_t* header) {
        Command c;
        c.command = GetU32(header);
        c.seqnum = GetU32(header + 4);
        c.direction = GetU32(header + 12);
        c.endpoint = GetU32(header + 16);
        c.buffer_length = GetU32(header + 24);
        c.iso_packets = GetU32(header + 32);
        c.unlink_seqnum = GetU32(header + 20);
        for (std::size_t i = 0; i < c.setup.size(); ++i) {
            c.setup[i] = header[40 + i];
        }
        return c;
    }
};

// RET_SUBMIT header plus the IN data.
inline Bytes RetSubmit(std::uint32_t seqnum, int status, const Bytes& in_data,
                       std::uint32_t actual_length) {
    Bytes out;
    PutU32(out, kRetSubmit);
    PutU32(out, seqnum);
    PutU32(out, 0);  // devid, direction, ep: zero in replies
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, std::uint32_t(status));
    PutU32(out, actual_length);
    PutU32(out, 0);  // start_frame
    PutU32(out, 0);  // number_of_packets
    PutU32(out, 0);  // error_count
    out.resize(kHeaderSize, 0);
    out.insert(out.end(), in_data.begin(), in_data.end());
    return out;
}

inline Bytes RetUnlink(std::uint32_t seqnum, int status) {
    Bytes out;
    PutU32(out, kRetUnlink);
    PutU32(out, seqnum);
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, std::uint32_t(status));
    out.resize(kHeaderSize, 0);
    return out;
}

inline Bytes OpHeader(std::uint16_t code, std::uint32_t status) {
    Bytes out;
    PutU16(out, kVersion);
    PutU16(out, code);
    PutU32(out, status);
    return out;
}

}  // namespace usbip
