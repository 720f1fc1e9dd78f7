#include "UsbReceiver.h"

#include <usb.h>

#include <cerrno>

namespace {

bool HasReceiverIds(const struct usb_device& device) {
    return device.descriptor.idVendor == receiver_usb::kVendorId &&
           device.descriptor.idProduct == receiver_usb::kProductId;
}

// libusb gives back -errno; -1 is EPERM (a node opened read-only), -13 EACCES.
bool IsRefusal(int code) {
    return code == -EPERM || code == -EACCES;
}

QString Hex(int value) {
    return QStringLiteral("0x%1").arg(value, 2, 16, QLatin1Char('0'));
}

const struct usb_interface_descriptor* FindInterface(const struct usb_config_descriptor& config,
                                                     int number) {
    if (config.interface == nullptr) {
        return nullptr;
    }
    for (int i = 0; i < config.bNumInterfaces; ++i) {
        const struct usb_interface& entry = config.interface[i];
        // Alternate setting 0 is the one in force after the claim.
        for (int a = 0; a < entry.num_altsetting && entry.altsetting != nullptr; ++a) {
            const struct usb_interface_descriptor& setting = entry.altsetting[a];
            if (setting.bInterfaceNumber == number && setting.bAlternateSetting == 0) {
                return &setting;
            }
        }
    }
    return nullptr;
}

QString EndpointFault(const struct usb_interface_descriptor& interface, int address) {
    for (int e = 0; e < interface.bNumEndpoints && interface.endpoint != nullptr; ++e) {
        const struct usb_endpoint_descriptor& endpoint = interface.endpoint[e];
        if (endpoint.bEndpointAddress != address) {
            continue;
        }
        if ((endpoint.bmAttributes & USB_ENDPOINT_TYPE_MASK) != USB_ENDPOINT_TYPE_BULK) {
            return QStringLiteral("endpoint %1 is not bulk").arg(Hex(address));
        }
        // Bits 11-12 count extra high-speed transactions, not bytes.
        const int packet = endpoint.wMaxPacketSize & 0x7FF;
        if (packet != receiver_usb::kPacketSize) {
            return QStringLiteral("endpoint %1 has %2-byte packets, not %3")
                .arg(Hex(address))
                .arg(packet)
                .arg(receiver_usb::kPacketSize);
        }
        return {};
    }
    return QStringLiteral("no endpoint %1 in interface %2")
        .arg(Hex(address))
        .arg(interface.bInterfaceNumber);
}

}  // namespace

QString ReceiverDescriptorFault(const struct usb_device& device) {
    if (device.config == nullptr) {
        return {};  // libusb could not read them: the open will tell
    }
    const struct usb_config_descriptor* config = nullptr;
    for (int c = 0; c < device.descriptor.bNumConfigurations; ++c) {
        if (device.config[c].bConfigurationValue == receiver_usb::kConfiguration) {
            config = &device.config[c];
            break;
        }
    }
    if (config == nullptr) {
        return QStringLiteral("no configuration %1").arg(receiver_usb::kConfiguration);
    }
    const struct usb_interface_descriptor* interface =
        FindInterface(*config, receiver_usb::kInterface);
    if (interface == nullptr) {
        return QStringLiteral("no interface %1 in configuration %2")
            .arg(receiver_usb::kInterface)
            .arg(receiver_usb::kConfiguration);
    }
    for (const int address : {receiver_usb::kEndpointOut, receiver_usb::kEndpointIn}) {
        const QString fault = EndpointFault(*interface, address);
        if (!fault.isEmpty()) {
            return fault;
        }
    }
    return {};
}

void InitUsb() {
    usb_init();
}

// The device structures are only valid until the next re-scan, so the result is
// used at once and never kept.
FoundReceiver FindReceiver(const std::function<void()>& before_each_device) {
    usb_find_busses();
    usb_find_devices();
    FoundReceiver found;
    for (struct usb_bus* bus = usb_get_busses(); bus != nullptr; bus = bus->next) {
        for (struct usb_device* device = bus->devices; device != nullptr; device = device->next) {
            if (before_each_device) {
                before_each_device();
            }
            if (!HasReceiverIds(*device)) {
                continue;
            }
            const QString fault = ReceiverDescriptorFault(*device);
            if (fault.isEmpty()) {
                found.device = device;
                found.listed = true;
                found.fault.clear();
                return found;
            }
            if (!found.listed) {
                found.listed = true;
                found.fault = fault;
            }
        }
    }
    return found;
}

OpenResult UsbReceiver::Open(struct usb_device* device) {
    Close();
    if (device == nullptr) {
        return OpenResult::kFailed;
    }
    errno = 0;
    handle_ = usb_open(device);
    if (handle_ == nullptr) {
        // usb_open leaves open()'s errno: a node we may not open at all.
        return IsRefusal(-errno) ? OpenResult::kNoAccess : OpenResult::kFailed;
    }
    const int configured = usb_set_configuration(handle_, receiver_usb::kConfiguration);
    if (configured != 0) {
        Close();
        return IsRefusal(configured) ? OpenResult::kNoAccess : OpenResult::kFailed;
    }
    const int claimed = usb_claim_interface(handle_, receiver_usb::kInterface);
    if (claimed != 0) {
        Close();
        return IsRefusal(claimed) ? OpenResult::kNoAccess : OpenResult::kFailed;
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
