// The libusb 0.1 functions the receiver link calls, over the simulated devices.
#include <usb.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "SimReceiver.h"

struct usb_dev_handle {
    sim::SimReceiver::HandleState state;
};

namespace sim {

// The structures handed out by the last scan; like libusb's, they are only valid
// until the next scan.
struct BusList {
    std::vector<std::unique_ptr<usb_bus>> buses;
    std::vector<std::unique_ptr<struct usb_device>> devices;
    std::map<const struct usb_device*, int> ids;
    // What the last usb_find_busses / usb_find_devices reported, for their counts
    // of changes (buses by number, devices by id and re-plug generation).
    std::set<int> reported_buses;
    std::set<std::pair<int, int>> reported_devices;
    // Storage behind each usb_device's config pointer.
    std::vector<std::unique_ptr<usb_config_descriptor[]>> configs;
    std::vector<std::unique_ptr<usb_interface[]>> interfaces;
    std::vector<std::unique_ptr<usb_interface_descriptor[]>> settings;
    std::vector<std::unique_ptr<usb_endpoint_descriptor[]>> endpoints;
};

}  // namespace sim

namespace {

constexpr int kEndpointIn = 0x82;
constexpr int kEndpointOut = 0x05;

sim::SimReceiver& Sim() {
    return sim::SimReceiver::Instance();
}

template <typename T>
T* ZeroedArray(std::vector<std::unique_ptr<T[]>>& owner, size_t count) {
    owner.push_back(std::make_unique<T[]>(std::max<size_t>(count, 1)));
    std::memset(static_cast<void*>(owner.back().get()), 0, sizeof(T) * std::max<size_t>(count, 1));
    return owner.back().get();
}

// The configuration descriptors libusb parses at a scan. It reads them through
// control requests on the opened node; on a node opened read-only those fail, and
// the device is listed with its device descriptor only (config NULL).
void FillConfigurations(sim::BusList& list, const sim::SimReceiver::Device& device,
                        struct usb_device& entry) {
    if (device.configurations.empty() || device.access == sim::Access::kReadOnly) {
        return;
    }
    const size_t count = std::min<size_t>(device.configurations.size(), USB_MAXCONFIG);
    entry.descriptor.bNumConfigurations = std::uint8_t(count);
    entry.config = ZeroedArray(list.configs, count);
    for (size_t c = 0; c < count; ++c) {
        const sim::ConfigurationLayout& layout = device.configurations[c];
        usb_config_descriptor& config = entry.config[c];
        config.bLength = USB_DT_CONFIG_SIZE;
        config.bDescriptorType = USB_DT_CONFIG;
        config.bConfigurationValue = layout.value;
        config.bNumInterfaces = std::uint8_t(layout.interfaces.size());
        config.interface = ZeroedArray(list.interfaces, layout.interfaces.size());
        for (size_t i = 0; i < layout.interfaces.size(); ++i) {
            const sim::InterfaceLayout& interface = layout.interfaces[i];
            usb_interface_descriptor* setting = ZeroedArray(list.settings, 1);
            setting->bLength = USB_DT_INTERFACE_SIZE;
            setting->bDescriptorType = USB_DT_INTERFACE;
            setting->bInterfaceNumber = interface.number;
            setting->bInterfaceClass = USB_CLASS_VENDOR_SPEC;
            setting->bNumEndpoints = std::uint8_t(interface.endpoints.size());
            setting->endpoint = ZeroedArray(list.endpoints, interface.endpoints.size());
            for (size_t e = 0; e < interface.endpoints.size(); ++e) {
                usb_endpoint_descriptor& endpoint = setting->endpoint[e];
                endpoint.bLength = USB_DT_ENDPOINT_SIZE;
                endpoint.bDescriptorType = USB_DT_ENDPOINT;
                endpoint.bEndpointAddress = interface.endpoints[e].address;
                endpoint.bmAttributes = interface.endpoints[e].type;
                endpoint.wMaxPacketSize = interface.endpoints[e].max_packet;
            }
            config.interface[i].altsetting = setting;
            config.interface[i].num_altsetting = 1;
        }
    }
}

bool HasInterface(const sim::SimReceiver::Device& device, int configuration, int number) {
    for (const sim::ConfigurationLayout& config : device.configurations) {
        if (config.value != configuration) {
            continue;
        }
        for (const sim::InterfaceLayout& interface : config.interfaces) {
            if (interface.number == number) {
                return true;
            }
        }
    }
    return false;
}

// Whether the selected configuration has this endpoint; without descriptors, the
// USB-Key's own two.
bool HasEndpoint(const sim::SimReceiver::Device& device, int configuration, int address) {
    if (device.configurations.empty()) {
        return address == kEndpointIn || address == kEndpointOut;
    }
    for (const sim::ConfigurationLayout& config : device.configurations) {
        if (config.value != configuration) {
            continue;
        }
        for (const sim::InterfaceLayout& interface : config.interfaces) {
            for (const sim::EndpointLayout& endpoint : interface.endpoints) {
                if (endpoint.address == address) {
                    return true;
                }
            }
        }
    }
    return false;
}

// libusb's scan calls return how many buses or devices came or went since the last
// call.
template <typename Key>
int CountChanges(const std::set<Key>& before, const std::set<Key>& now) {
    int changes = 0;
    for (const Key& key : now) {
        changes += before.count(key) == 0 ? 1 : 0;
    }
    for (const Key& key : before) {
        changes += now.count(key) == 0 ? 1 : 0;
    }
    return changes;
}

bool HasConfiguration(const sim::SimReceiver::Device& device, int configuration) {
    for (const sim::ConfigurationLayout& config : device.configurations) {
        if (config.value == configuration) {
            return true;
        }
    }
    return false;
}

std::shared_ptr<sim::BusList> BuildBusList() {
    auto list = std::make_shared<sim::BusList>();
    usb_bus* bus = nullptr;
    struct usb_device* last = nullptr;
    int bus_number = -1;
    for (const sim::SimReceiver::Device* device : Sim().ListedInBusOrder()) {
        if (bus == nullptr || device->bus != bus_number) {
            auto next = std::make_unique<usb_bus>();
            std::memset(next.get(), 0, sizeof(usb_bus));
            std::snprintf(next->dirname, sizeof next->dirname, "%03d", device->bus);
            next->location = std::uint32_t(device->bus);
            if (bus != nullptr) {
                bus->next = next.get();
                next->prev = bus;
            }
            bus = next.get();
            bus_number = device->bus;
            last = nullptr;
            list->buses.push_back(std::move(next));
        }
        auto entry = std::make_unique<struct usb_device>();
        std::memset(entry.get(), 0, sizeof(struct usb_device));
        entry->bus = bus;
        entry->descriptor.idVendor = device->vendor;
        entry->descriptor.idProduct = device->product;
        FillConfigurations(*list, *device, *entry);
        entry->devnum = std::uint8_t(device->id);
        std::snprintf(entry->filename, sizeof entry->filename, "%03d", device->id);
        if (last == nullptr) {
            bus->devices = entry.get();
        } else {
            last->next = entry.get();
            entry->prev = last;
        }
        last = entry.get();
        list->ids[entry.get()] = device->id;
        list->devices.push_back(std::move(entry));
    }
    return list;
}

sim::Call MakeCall(const char* function, int device = 0) {
    sim::Call call;
    call.function = function;
    call.device = device;
    return call;
}

// Rebuilds the structures of the scan, keeping what was reported so far.
sim::BusList& Rescan() {
    std::shared_ptr<sim::BusList> list = BuildBusList();
    if (const auto& old = Sim().bus_list()) {
        list->reported_buses = old->reported_buses;
        list->reported_devices = old->reported_devices;
    }
    Sim().bus_list() = list;
    return *list;
}

}  // namespace

extern "C" {

void usb_init(void) {
    Sim().CheckEnvironmentScript();
    Sim().Log(MakeCall("usb_init"));
}

int usb_find_busses(void) {
    sim::BusList& list = Rescan();
    std::set<int> buses;
    for (const auto& bus : list.buses) {
        buses.insert(int(bus->location));
    }
    sim::Call call = MakeCall("usb_find_busses");
    call.result = CountChanges(list.reported_buses, buses);
    list.reported_buses = std::move(buses);
    Sim().Log(call);
    return call.result;
}

int usb_find_devices(void) {
    Sim().ScanBus();
    sim::BusList& list = Rescan();
    std::set<std::pair<int, int>> devices;
    for (const auto& [entry, id] : list.ids) {
        if (const sim::SimReceiver::Device* device = Sim().FindDevice(id)) {
            devices.insert({id, device->generation});
        }
    }
    sim::Call call = MakeCall("usb_find_devices");
    call.result = CountChanges(list.reported_devices, devices);
    list.reported_devices = std::move(devices);
    Sim().Log(call);
    return call.result;
}

struct usb_bus* usb_get_busses(void) {
    Sim().Log(MakeCall("usb_get_busses"));
    const auto& list = Sim().bus_list();
    return list && !list->buses.empty() ? list->buses.front().get() : nullptr;
}

usb_dev_handle* usb_open(struct usb_device* dev) {
    sim::Call call = MakeCall("usb_open");
    usb_dev_handle* handle = nullptr;
    const auto& list = Sim().bus_list();
    const int id = list && list->ids.count(dev) != 0 ? list->ids.at(dev) : 0;
    if (id != 0) {
        call.device = id;
        sim::SimReceiver::Device* device = Sim().FindDevice(id);
        if (device == nullptr || !device->attached || device->access == sim::Access::kNone) {
            errno = ENOENT;  // the node went away since the scan
        } else if (Sim().TakeFailure(Sim().fail_open())) {
            errno = Sim().fail_open_error();
        } else {
            // A read-only node opens too: libusb falls back to O_RDONLY.
            handle = new usb_dev_handle{{device->id, device->generation, false, 1}};
            Sim().AddHandle();
        }
    } else {
        errno = ENODEV;
    }
    call.result = handle != nullptr ? 1 : 0;
    Sim().Log(std::move(call));
    return handle;
}

int usb_close(usb_dev_handle* dev) {
    sim::Call call = MakeCall("usb_close", dev != nullptr ? dev->state.device : 0);
    if (dev != nullptr) {
        delete dev;
        Sim().RemoveHandle();
    } else {
        call.result = sim::kInvalid;
    }
    Sim().Log(call);
    return call.result;
}

int usb_set_configuration(usb_dev_handle* dev, int configuration) {
    sim::Call call = MakeCall("usb_set_configuration", dev != nullptr ? dev->state.device : 0);
    call.argument = configuration;
    const sim::SimReceiver::Device* device =
        dev != nullptr ? Sim().LiveDevice(dev->state) : nullptr;
    if (device == nullptr) {
        call.result = sim::kNoDevice;
    } else if (device->access == sim::Access::kReadOnly) {
        call.result = sim::kRefused;
    } else if (Sim().TakeFailure(Sim().fail_configuration())) {
        call.result = sim::kBusy;
    } else if (!device->configurations.empty() && !HasConfiguration(*device, configuration)) {
        call.result = sim::kInvalid;
    } else {
        dev->state.configuration = configuration;
    }
    Sim().Log(call);
    return call.result;
}

int usb_claim_interface(usb_dev_handle* dev, int interface) {
    sim::Call call = MakeCall("usb_claim_interface", dev != nullptr ? dev->state.device : 0);
    call.argument = interface;
    const sim::SimReceiver::Device* device =
        dev != nullptr ? Sim().LiveDevice(dev->state) : nullptr;
    if (device == nullptr) {
        call.result = sim::kNoDevice;
    } else if (device->access == sim::Access::kReadOnly) {
        call.result = sim::kRefused;
    } else if (Sim().TakeFailure(Sim().fail_claim())) {
        call.result = sim::kBusy;
    } else if (device->configurations.empty()
                   ? interface != 1
                   : !HasInterface(*device, dev->state.configuration, interface)) {
        call.result = sim::kNoEntry;  // the kernel finds no such interface
    } else {
        dev->state.claimed = true;
    }
    Sim().Log(call);
    return call.result;
}

int usb_bulk_write(usb_dev_handle* dev, int ep, const char* bytes, int size, int timeout) {
    sim::Call call = MakeCall("usb_bulk_write", dev != nullptr ? dev->state.device : 0);
    call.endpoint = ep;
    call.size = size;
    call.timeout = timeout;
    if (bytes != nullptr && size > 0) {
        call.data.assign(bytes, bytes + size);
    }
    sim::SimReceiver::Device* device = dev != nullptr ? Sim().LiveDevice(dev->state) : nullptr;
    if (device == nullptr) {
        call.result = sim::kNoDevice;
    } else if (device->access == sim::Access::kReadOnly) {
        call.result = sim::kRefused;
    } else if (bytes == nullptr || size < 0) {
        call.result = sim::kInvalid;
    } else if (ep != kEndpointOut || !HasEndpoint(*device, dev->state.configuration, ep)) {
        call.result = sim::kNoEntry;  // no such endpoint in the configuration
    } else {
        dev->state.claimed = true;  // usbfs claims the endpoint's interface if need be
        call.result = Sim().WriteTo(*device, reinterpret_cast<const std::uint8_t*>(bytes), size);
    }
    const int result = call.result;
    Sim().Log(std::move(call));
    return result;
}

int usb_bulk_read(usb_dev_handle* dev, int ep, char* bytes, int size, int timeout) {
    // The session's hot path (a hundred reads a second and more): the call record is
    // only built when the log or an observer takes it.
    sim::SimReceiver& sim = Sim();
    sim::SimReceiver::Device* device = dev != nullptr ? sim.LiveDevice(dev->state) : nullptr;
    int result = 0;
    if (device == nullptr) {
        result = sim::kNoDevice;
    } else if (device->access == sim::Access::kReadOnly) {
        result = sim::kRefused;
    } else if (bytes == nullptr || size < 0) {
        result = sim::kInvalid;
    } else if (ep != kEndpointIn || !HasEndpoint(*device, dev->state.configuration, ep)) {
        result = sim::kNoEntry;
    } else {
        dev->state.claimed = true;
        result = sim.ReadFrom(*device, reinterpret_cast<std::uint8_t*>(bytes), size, timeout);
    }
    if (!sim.Recording()) {
        return result;
    }
    sim::Call call = MakeCall("usb_bulk_read", dev != nullptr ? dev->state.device : 0);
    call.endpoint = ep;
    call.size = size;
    call.timeout = timeout;
    call.result = result;
    if (result > 0) {
        call.data.assign(bytes, bytes + result);
    }
    sim.Log(std::move(call));
    return result;
}

}  // extern "C"
