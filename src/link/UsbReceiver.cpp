#include "UsbReceiver.h"

#include <usb.h>

namespace {

bool IsReceiver(const struct usb_device& device) {
    return device.descriptor.idVendor == receiver_usb::kVendorId &&
           device.descriptor.idProduct == receiver_usb::kProductId;
}

// The device structures are only valid until the next re-scan, so the result is
// used at once and never kept.
struct usb_device* RescanForReceiver(const std::function<void()>& before_each_device) {
    usb_find_busses();
    usb_find_devices();
    for (struct usb_bus* bus = usb_get_busses(); bus != nullptr; bus = bus->next) {
        for (struct usb_device* device = bus->devices; device != nullptr; device = device->next) {
            if (before_each_device) {
                before_each_device();
            }
            if (IsReceiver(*device)) {
                return device;
            }
        }
    }
    return nullptr;
}

}  // namespace

void InitUsb() {
    usb_init();
}

bool ScanForReceiver(const std::function<void()>& before_each_device) {
    return RescanForReceiver(before_each_device) != nullptr;
}

OpenResult UsbReceiver::Open() {
    Close();
    usb_init();
    struct usb_device* device = RescanForReceiver({});
    if (device == nullptr) {
        return OpenResult::kNotFound;
    }
    handle_ = usb_open(device);
    if (handle_ == nullptr) {
        return OpenResult::kOpenFailed;
    }
    if (usb_set_configuration(handle_, receiver_usb::kConfiguration) != 0) {
        Close();
        return OpenResult::kConfigurationFailed;
    }
    if (usb_claim_interface(handle_, receiver_usb::kInterface) != 0) {
        Close();
        return OpenResult::kClaimFailed;
    }
    return OpenResult::kOpened;
}

void UsbReceiver::Close() {
    if (handle_ == nullptr) {
        return;
    }
    usb_close(handle_);
    handle_ = nullptr;
}

int UsbReceiver::Write(const Frame& frame) {
    if (handle_ == nullptr) {
        return -1;
    }
    return usb_bulk_write(handle_, receiver_usb::kEndpointOut,
                          reinterpret_cast<const char*>(frame.data()), kFrameSize,
                          receiver_usb::kWriteTimeoutMs);
}

int UsbReceiver::Read(Frame& frame) {
    if (handle_ == nullptr) {
        return -1;
    }
    return usb_bulk_read(handle_, receiver_usb::kEndpointIn, reinterpret_cast<char*>(frame.data()),
                         kFrameSize, receiver_usb::kReadTimeoutMs);
}
