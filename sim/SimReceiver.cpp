#include "SimReceiver.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace sim {
namespace {

constexpr std::uint8_t kTestRequest = 0x01;
constexpr std::uint8_t kMessageFrame = 0x02;
constexpr size_t kMaxLoggedCalls = 20000;  // a long demo run must not grow without bound

std::string Hex(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02x", unsigned(value));
    return text;
}

}  // namespace

std::string Call::Text() const {
    const std::string tail = " = " + std::to_string(result);
    if (function == "usb_bulk_read" || function == "usb_bulk_write") {
        return function + "(" + Hex(endpoint) + ", " + std::to_string(size) + ", " +
               std::to_string(timeout) + ")" + tail;
    }
    if (function == "usb_set_configuration" || function == "usb_claim_interface") {
        return function + "(" + std::to_string(argument) + ")" + tail;
    }
    if (function == "usb_open") {
        return "usb_open(device " + std::to_string(device) +
               ") = " + (result != 0 ? "handle" : "NULL");
    }
    // The scan calls' counts of changes are in `result`; the texts leave them out so
    // that a cycle reads the same whatever the scans before it saw.
    if (function == "usb_init" || function == "usb_get_busses" || function == "usb_find_busses" ||
        function == "usb_find_devices") {
        return function + "()";
    }
    return function + "()" + tail;
}

ConfigurationLayout ReceiverConfiguration() {
    return {1, {{0, {}}, {1, {{0x05, 2, 64}, {0x82, 2, 64}}}}};
}

ConfigurationLayout OtherDeviceConfiguration() {
    return {1, {{0, {{0x81, 3, 8}}}}};
}

SimReceiver& SimReceiver::Instance() {
    static SimReceiver instance;
    return instance;
}

void SimReceiver::Reset(bool read_environment_script) {
    const int handles = open_handles_;  // handles the link still holds remain countable
    *this = SimReceiver();
    open_handles_ = handles;
    environment_checked_ = !read_environment_script;
}

int SimReceiver::AttachDevice(std::uint16_t vendor, std::uint16_t product, int bus) {
    Device device;
    device.id = int(devices_.size()) + 1;
    device.vendor = vendor;
    device.product = product;
    device.bus = bus;
    device.configurations = {vendor == kReceiverVendor && product == kReceiverProduct
                                 ? ReceiverConfiguration()
                                 : OtherDeviceConfiguration()};
    devices_.push_back(device);
    return device.id;
}

SimReceiver::Device* SimReceiver::FindDevice(int id) {
    if (id < 1 || id > int(devices_.size())) {
        return nullptr;
    }
    return &devices_[size_t(id - 1)];
}

int SimReceiver::AttachRaceGenerator(std::shared_ptr<RaceGenerator> race, int bus) {
    const int id = AttachReceiver(bus);
    FindDevice(id)->race = std::move(race);
    return id;
}

void SimReceiver::Unplug(int device) {
    if (Device* d = FindDevice(device)) {
        d->attached = false;
    }
}

void SimReceiver::Replug(int device) {
    Device* d = FindDevice(device);
    if (d == nullptr || d->attached) {
        return;
    }
    d->attached = true;
    ++d->generation;
    d->reply = Device::Reply::kNone;
}

bool SimReceiver::IsAttached(int device) const {
    return device >= 1 && device <= int(devices_.size()) && devices_[size_t(device - 1)].attached;
}

void SimReceiver::QueueFrame(int device, const Bytes64& frame) {
    if (Device* d = FindDevice(device)) {
        d->inbound.push_back({Inbound::Kind::kFrame, frame, 0});
    }
}

void SimReceiver::QueueShortRead(int device, int bytes) {
    if (Device* d = FindDevice(device)) {
        d->inbound.push_back({Inbound::Kind::kShortRead, {}, std::clamp(bytes, 0, 63)});
    }
}

void SimReceiver::QueueShortRead(int device, int bytes, const Bytes64& frame) {
    if (Device* d = FindDevice(device)) {
        d->inbound.push_back({Inbound::Kind::kShortRead, frame, std::clamp(bytes, 0, 63)});
    }
}

void SimReceiver::QueueTimeout(int device) {
    if (Device* d = FindDevice(device)) {
        d->inbound.push_back({Inbound::Kind::kTimeout, {}, 0});
    }
}

void SimReceiver::QueueError(int device, int code) {
    if (Device* d = FindDevice(device)) {
        d->inbound.push_back({Inbound::Kind::kError, {}, code});
    }
}

void SimReceiver::QueueDelay(int device, int ms) {
    if (Device* d = FindDevice(device)) {
        d->inbound.push_back({Inbound::Kind::kDelay, {}, std::max(ms, 0)});
    }
}

void SimReceiver::QueueUnplug(int device, bool during_read) {
    if (Device* d = FindDevice(device)) {
        d->inbound.push_back({Inbound::Kind::kUnplug, {}, during_read ? 0 : 1});
    }
}

void SimReceiver::SetAccess(int device, Access access) {
    if (Device* d = FindDevice(device)) {
        d->access = access;
    }
}

void SimReceiver::SetConfigurations(int device, std::vector<ConfigurationLayout> configurations) {
    if (Device* d = FindDevice(device)) {
        d->configurations = std::move(configurations);
    }
}

void SimReceiver::QueueReplug(int device, int scans) {
    if (Device* d = FindDevice(device)) {
        d->inbound.push_back({Inbound::Kind::kReplug, {}, std::max(scans, 1)});
    }
}

void SimReceiver::SetLoop(int device, bool loop) {
    if (Device* d = FindDevice(device)) {
        d->loop = loop;
    }
}

size_t SimReceiver::PendingInbound(int device) const {
    if (device < 1 || device > int(devices_.size())) {
        return 0;
    }
    return devices_[size_t(device - 1)].inbound.size();
}

std::vector<std::string> SimReceiver::CallTexts() const {
    std::vector<std::string> texts;
    texts.reserve(calls_.size());
    for (const Call& call : calls_) {
        texts.push_back(call.Text());
    }
    return texts;
}

std::optional<Bytes64> SimReceiver::LastMessageFrame(std::uint16_t node) const {
    const auto it = last_message_.find(node);
    if (it == last_message_.end()) {
        return std::nullopt;
    }
    return it->second;
}

void SimReceiver::Log(Call call) {
    if (observer_) {
        observer_(call);
    }
    if (!logging_) {
        return;
    }
    if (calls_.size() >= kMaxLoggedCalls) {
        calls_.pop_front();
    }
    calls_.push_back(std::move(call));
}

SimReceiver::Device* SimReceiver::LiveDevice(const HandleState& handle) {
    Device* d = FindDevice(handle.device);
    if (d == nullptr || !d->attached || d->generation != handle.generation) {
        return nullptr;
    }
    return d;
}

void SimReceiver::CheckEnvironmentScript() {
    if (environment_checked_) {
        return;
    }
    environment_checked_ = true;
    const char* path = std::getenv("RUVOTIMER_SIM_SCRIPT");
    if (path == nullptr || *path == '\0') {
        if (unscripted_race_) {
            AttachRaceGenerator(unscripted_race_);
        }
        return;
    }
    for (const std::string& error : LoadScriptFile(path)) {
        std::fprintf(stderr, "simulated receiver: %s: %s\n", path, error.c_str());
    }
}

void SimReceiver::ScanBus() {
    for (Device& d : devices_) {
        if (d.attached || d.inbound.empty() || d.inbound.front().kind != Inbound::Kind::kReplug) {
            continue;
        }
        if (--d.inbound.front().value > 0) {
            continue;
        }
        Consumed(d);
        d.attached = true;
        ++d.generation;
        d.reply = Device::Reply::kNone;
    }
}

std::vector<const SimReceiver::Device*> SimReceiver::ListedInBusOrder() const {
    std::vector<const Device*> attached;
    for (const Device& d : devices_) {
        if (d.attached && d.access != Access::kNone) {  // a node the scan cannot open
            attached.push_back(&d);
        }
    }
    std::stable_sort(attached.begin(), attached.end(),
                     [](const Device* a, const Device* b) { return a->bus < b->bus; });
    return attached;
}

void SimReceiver::Sleep(std::chrono::microseconds duration) const {
    if (duration.count() > 0) {
        std::this_thread::sleep_for(duration);
    }
}

void SimReceiver::Consumed(Device& device) {
    Inbound event = device.inbound.front();
    device.inbound.pop_front();
    if (device.loop) {
        if (event.kind == Inbound::Kind::kReplug) {
            event.value = 1;  // its count was used up while waiting
        }
        device.inbound.push_back(event);
    }
}

bool SimReceiver::TakeFailure(int& counter) {
    if (counter <= 0) {
        return false;
    }
    --counter;
    return true;
}

int SimReceiver::ReadFrom(Device& device, std::uint8_t* buffer, int size, int timeout) {
    const auto copy = [&](const Bytes64& frame, int bytes) {
        const int n = std::clamp(std::min(bytes, size), 0, 64);
        std::copy_n(frame.begin(), n, buffer);
        return n;
    };
    if (device.reply != Device::Reply::kNone) {
        const auto reply = device.reply;
        device.reply = Device::Reply::kNone;
        if (reply == Device::Reply::kFrame) {
            return copy(device.reply_frame, device.reply_bytes);
        }
        Sleep(empty_read_sleep_);
        return kTimeout;
    }
    // A loop of delays only could otherwise spin here forever.
    for (size_t guard = 0; guard <= device.inbound.size(); ++guard) {
        if (device.inbound.empty()) {
            break;
        }
        Inbound& event = device.inbound.front();
        switch (event.kind) {
            case Inbound::Kind::kFrame: {
                const Bytes64 frame = event.frame;
                Consumed(device);
                return copy(frame, 64);
            }
            case Inbound::Kind::kShortRead: {
                const int bytes = event.value;
                const Bytes64 frame = event.frame;
                Consumed(device);
                return copy(frame, bytes);
            }
            case Inbound::Kind::kTimeout:
                Consumed(device);
                Sleep(empty_read_sleep_);
                return kTimeout;
            case Inbound::Kind::kError: {
                const int code = event.value;
                Consumed(device);
                return code;
            }
            case Inbound::Kind::kUnplug: {
                // libusb 0.1 does not look at the status of a transfer cut off by
                // the unplug and reports 0 bytes.
                const bool during_read = event.value == 0;
                Consumed(device);
                device.attached = false;
                return during_read ? 0 : kNoDevice;
            }
            case Inbound::Kind::kReplug:
                Consumed(device);  // already attached: nothing to do
                continue;
            case Inbound::Kind::kDelay: {
                if (device.delay_left_ms < 0) {
                    device.delay_left_ms = event.value;
                }
                const int wait = std::min(device.delay_left_ms, std::max(timeout, 0));
                Sleep(std::chrono::microseconds(std::int64_t(wait * 1000.0 * time_scale_)));
                if (device.delay_left_ms > wait) {
                    device.delay_left_ms -= wait;
                    return kTimeout;
                }
                device.delay_left_ms = -1;
                Consumed(device);
                continue;
            }
        }
    }
    if (device.race) {
        if (const std::optional<Bytes64> frame = device.race->Next(timeout)) {
            return copy(*frame, 64);
        }
        return kTimeout;
    }
    Sleep(empty_read_sleep_);
    return kTimeout;
}

int SimReceiver::WriteTo(Device& device, const std::uint8_t* bytes, int size) {
    if (TakeFailure(fail_write_)) {
        return kIoError;
    }
    if (size < 1) {
        return size;
    }
    Bytes64 frame{};
    std::copy_n(bytes, std::min(size, 64), frame.begin());
    if (frame[0] == kMessageFrame) {
        last_message_[std::uint16_t(frame[1] | (frame[2] << 8))] = frame;
        if (message_observer_) {
            message_observer_(frame);
        }
        if (message_reply_) {
            device.reply = Device::Reply::kFrame;
            device.reply_frame = Bytes64{};
            device.reply_bytes = 64;
            std::copy_n(frame.begin(), 3, device.reply_frame.begin());  // type and node
        } else {
            device.reply = Device::Reply::kSilent;
        }
    } else if (frame[0] == kTestRequest) {
        const std::optional<int> value =
            network_value_
                ? network_value_
                : (device.race ? std::optional<int>(device.race->NetworkValue()) : std::nullopt);
        if (value) {
            device.reply = Device::Reply::kFrame;
            device.reply_frame = Bytes64{};
            device.reply_frame[0] = std::uint8_t(*value);
            device.reply_frame[1] = std::uint8_t(*value >> 8);
            device.reply_bytes = network_reply_bytes_;
        } else {
            device.reply = Device::Reply::kSilent;
        }
    }
    return size;
}

}  // namespace sim
