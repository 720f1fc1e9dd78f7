// The libusb 0.1 functions the receiver link calls, over the simulated devices.
#include <usb.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
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
};

}  // namespace sim

namespace {

constexpr int kEndpointIn = 0x82;
constexpr int kEndpointOut = 0x05;

sim::SimReceiver& Sim() {
    return sim::SimReceiver::Instance();
}

std::shared_ptr<sim::BusList> BuildBusList() {
    auto list = std::make_shared<sim::BusList>();
    usb_bus* bus = nullptr;
    struct usb_device* last = nullptr;
    int bus_number = -1;
    for (const sim::SimReceiver::Device* device : Sim().AttachedInBusOrder()) {
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

}  // namespace

extern "C" {

void usb_init(void) {
    Sim().CheckEnvironmentScript();
    Sim().Log(MakeCall("usb_init"));
}

int usb_find_busses(void) {
    Sim().bus_list() = BuildBusList();
    Sim().Log(MakeCall("usb_find_busses"));
    return 0;
}

int usb_find_devices(void) {
    Sim().ScanBus();
    Sim().bus_list() = BuildBusList();
    Sim().Log(MakeCall("usb_find_devices"));
    return 0;
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
        if (device != nullptr && device->attached && !Sim().TakeFailure(Sim().fail_open())) {
            handle = new usb_dev_handle{{device->id, device->generation, false}};
            Sim().AddHandle();
        }
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
    if (dev == nullptr || Sim().LiveDevice(dev->state) == nullptr) {
        call.result = sim::kNoDevice;
    } else if (Sim().TakeFailure(Sim().fail_configuration())) {
        call.result = sim::kBusy;
    } else if (configuration != 1) {
        call.result = sim::kInvalid;
    }
    Sim().Log(call);
    return call.result;
}

int usb_claim_interface(usb_dev_handle* dev, int interface) {
    sim::Call call = MakeCall("usb_claim_interface", dev != nullptr ? dev->state.device : 0);
    call.argument = interface;
    if (dev == nullptr || Sim().LiveDevice(dev->state) == nullptr) {
        call.result = sim::kNoDevice;
    } else if (Sim().TakeFailure(Sim().fail_claim())) {
        call.result = sim::kBusy;
    } else if (interface != 1) {
        call.result = sim::kInvalid;
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
    } else if (ep != kEndpointOut || !dev->state.claimed || bytes == nullptr || size < 0) {
        call.result = sim::kInvalid;
    } else {
        call.result = Sim().WriteTo(*device, reinterpret_cast<const std::uint8_t*>(bytes), size);
    }
    const int result = call.result;
    Sim().Log(std::move(call));
    return result;
}

int usb_bulk_read(usb_dev_handle* dev, int ep, char* bytes, int size, int timeout) {
    sim::Call call = MakeCall("usb_bulk_read", dev != nullptr ? dev->state.device : 0);
    call.endpoint = ep;
    call.size = size;
    call.timeout = timeout;
    sim::SimReceiver::Device* device = dev != nullptr ? Sim().LiveDevice(dev->state) : nullptr;
    if (device == nullptr) {
        call.result = sim::kNoDevice;
    } else if (ep != kEndpointIn || !dev->state.claimed || bytes == nullptr || size < 0) {
        call.result = sim::kInvalid;
    } else {
        call.result =
            Sim().ReadFrom(*device, reinterpret_cast<std::uint8_t*>(bytes), size, timeout);
        if (call.result > 0) {
            call.data.assign(bytes, bytes + call.result);
        }
    }
    const int result = call.result;
    Sim().Log(std::move(call));
    return result;
}

}  // extern "C"
