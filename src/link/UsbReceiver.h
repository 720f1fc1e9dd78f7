#pragma once

#include <QString>
#include <functional>

#include "Station.h"

struct usb_dev_handle;
struct usb_device;

// Fixed USB parameters of the receiver ("USB-Key").
namespace receiver_usb {
inline constexpr int kVendorId = 0x1234;
inline constexpr int kProductId = 0x1236;
inline constexpr int kConfiguration = 1;
inline constexpr int kInterface = 1;
inline constexpr int kEndpointOut = 0x05;
inline constexpr int kEndpointIn = 0x82;
inline constexpr int kPacketSize = 64;
inline constexpr int kWriteTimeoutMs = 1000;
inline constexpr int kReadTimeoutMs = 100;
inline constexpr int kReplyPauseMs = 10;  // between a command and the read of its reply
inline constexpr int kTimedOut = -110;    // ETIMEDOUT: a read that found nothing
}  // namespace receiver_usb

// Why a device with the receiver's IDs cannot be the receiver, judged from the
// configuration descriptors libusb read at the scan; empty when they fit or when
// libusb could not read them (a node opened read-only), so the open decides.
QString ReceiverDescriptorFault(const struct usb_device& device);

// The outcome of one bus scan: the first receiver in bus and device order whose
// descriptors fit; else, when only unfit ones are attached, the first one's fault.
struct FoundReceiver {
    struct usb_device* device = nullptr;  // valid only until the next scan
    bool listed = false;                  // some device with the receiver's IDs is listed
    QString fault;                        // set when listed but none fits
};

void InitUsb();

// Re-scans the buses (usb_find_busses, usb_find_devices, usb_get_busses) and looks
// for the receiver, calling before_each_device before each device is looked at.
// Opens nothing itself (libusb's scan opens the device nodes).
FoundReceiver FindReceiver(const std::function<void()>& before_each_device = {});

enum class OpenResult {
    kOpened,
    kNoAccess,  // open, configuration or claim refused for lack of rights (EPERM, EACCES)
    kFailed,    // any other failure (device busy, gone between scan and open)
};

// The receiver opened, configured and claimed for one poll cycle. The handle is
// closed on every path (closing also releases the interface).
class UsbReceiver {
  public:
    UsbReceiver() = default;
    ~UsbReceiver() { Close(); }
    UsbReceiver(const UsbReceiver&) = delete;
    UsbReceiver& operator=(const UsbReceiver&) = delete;

    // Opens the device of the last scan, selects configuration 1 and claims interface 1.
    OpenResult Open(struct usb_device* device);
    bool is_open() const { return handle_ != nullptr; }
    void Close();

    // 64 bytes out to endpoint 0x05 (1000 ms); libusb's result.
    int Write(const Frame& frame);
    // 64 bytes in from endpoint 0x82 (100 ms): the byte count or a negative error.
    int Read(Frame& frame);

  private:
    usb_dev_handle* handle_ = nullptr;
};
