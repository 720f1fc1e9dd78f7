#include "OutgoingFrames.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "FrameBytes.h"
#include "Text.h"
#include "UsbReceiver.h"

namespace {

constexpr quint8 kMessageFrame = 0x02;
constexpr quint8 kTestRequest = 0x01;
constexpr qsizetype kLineBytes = 12;

// Offsets within message_out, which holds frame bytes 1..63.
constexpr size_t kNodeAt = 0;
constexpr size_t kConstantsAt = 2;  // 0x00 0x00 0x05
constexpr size_t kImmediateAt = 5;
constexpr size_t kBackgroundAt = 8;
constexpr size_t kFontColourAt = 10;
constexpr size_t kLine1At = 12;
constexpr size_t kLine2At = 24;

void PutU16(std::array<quint8, 96>& out, size_t at, quint16 value) {
    out.at(at) = quint8(value & 0xFF);
    out.at(at + 1) = quint8(value >> 8);
}

void PutLine(std::array<quint8, 96>& out, size_t at, const QString& line) {
    const QByteArray bytes = MessageLineBytes(line);
    std::memcpy(out.data() + at, bytes.constData(), size_t(kLineBytes));
}

void PauseBeforeReply() {
    std::this_thread::sleep_for(std::chrono::milliseconds(receiver_usb::kReplyPauseMs));
}

}  // namespace

quint16 ColorToRgb565(Colour colour) {
    const double red = colour & 0xFF;
    const double green = (colour >> 8) & 0xFF;
    const double blue = (colour >> 16) & 0xFF;
    const auto r = quint16(red * 31 / 255);
    const auto g = quint16(green * 63 / 255);
    const auto b = quint16(blue * 31 / 255);
    return quint16(r * 2048 + g * 32 + b);
}

QByteArray MessageLineBytes(const QString& line) {
    QByteArray bytes = EncodeWindows1250(CutToCharacters(line, int(kLineBytes))).left(kLineBytes);
    bytes.append(kLineBytes - bytes.size(), ' ');
    return bytes;
}

Frame BuildMessageFrame(Station& station, int k) {
    const KartSlot& slot = station.slot(k);
    auto& out = station.message_out;
    PutU16(out, kNodeAt, quint16(slot.node_address & 0xFFFF));
    out.at(kConstantsAt) = 0x00;
    out.at(kConstantsAt + 1) = 0x00;
    out.at(kConstantsAt + 2) = 0x05;
    out.at(kImmediateAt) = quint8(slot.message_immediate & 0xFF);
    out.at(kImmediateAt + 1) = 0x00;
    out.at(kImmediateAt + 2) = 0x00;
    PutU16(out, kBackgroundAt, ColorToRgb565(slot.message_background));
    PutU16(out, kFontColourAt, ColorToRgb565(slot.message_font_colour));
    PutLine(out, kLine1At, slot.message_line1);
    PutLine(out, kLine2At, slot.message_line2);

    Frame frame{};
    frame[0] = kMessageFrame;
    std::memcpy(frame.data() + 1, out.data(), kFrameSize - 1);
    return frame;
}

void SendPendingMessages(Station& station, UsbReceiver& receiver) {
    for (int k = 1; k <= kSlotCount; ++k) {
        KartSlot& slot = station.slot(k);
        if (!slot.message_pending) {
            continue;
        }
        slot.message_pending = false;
        Frame exchange = BuildMessageFrame(station, k);
        receiver.Write(exchange);  // a failed write loses the message: nothing retries
        PauseBeforeReply();
        receiver.Read(exchange);
        slot.message_line1.clear();
        slot.message_line2.clear();
    }
}

qint32 RequestNetworkValue(Station& station, UsbReceiver& receiver) {
    Frame exchange{};
    exchange[0] = kTestRequest;
    receiver.Write(exchange);
    PauseBeforeReply();
    const int read = receiver.Read(exchange);
    const qint32 value = read == kFrameSize ? qint32(exchange[0]) + 256 * qint32(exchange[1]) : -1;
    if (station.transmission_test != nullptr) {
        const Frame& last = station.receive_buffer;
        station.transmission_test->UpdateTransmission(qint32(ReadU32(last, 0)), last[8], value);
    }
    return value;
}
