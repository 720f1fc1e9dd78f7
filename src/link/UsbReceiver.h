#pragma once

#include <functional>

#include "Station.h"

struct usb_dev_handle;

// Fixed USB parameters of the receiver ("USB-Key").
namespace receiver_usb {
inline constexpr int kVendorId = 0x1234;
inline constexpr int kProductId = 0x1236;
inline constexpr int kConfiguration = 1;
inline constexpr int kInterface = 1;
inline constexpr int kEndpointOut = 0x05;
inline constexpr int kEndpointIn = 0x82;
inline constexpr int kWriteTimeoutMs = 1000;
inline constexpr int kReadTimeoutMs = 100;
inline constexpr int kReplyPauseMs = 10;  // between a command and the read of its reply
}  // namespace receiver_usb

enum class OpenResult { kOpened, kNotFound, kOpenFailed, kConfigurationFailed, kClaimFailed };

// The receiver opened, configured and claimed for one poll cycle. The handle is
// closed on every path (closing also releases the interface).
class UsbReceiver {
  public:
    UsbReceiver() = default;
    ~UsbReceiver() { Close(); }
    UsbReceiver(const UsbReceiver&) = delete;
    UsbReceiver& operator=(const UsbReceiver&) = delete;

    // Initialises libusb, re-scans the buses and takes the first receiver in bus
    // and device order.
    OpenResult Open();
    bool is_open() const { return handle_ != nullptr; }
    void Close();

    // 64 bytes out to endpoint 0x05 (1000 ms); libusb's result.
    int Write(const Frame& frame);
    // 64 bytes in from endpoint 0x82 (100 ms): the byte count or a negative error.
    int Read(Frame& frame);

  private:
    usb_dev_handle* handle_ = nullptr;
};

void InitUsb();

// Re-scans the buses and reports whether a receiver is attached, calling
// before_each_device before each device is looked at. Opens nothing.
bool ScanForReceiver(const std::function<void()>& before_each_device);
