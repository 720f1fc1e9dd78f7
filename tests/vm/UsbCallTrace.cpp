#include "UsbCallTrace.h"

#include <usb.h>

#include <map>

namespace usb_trace {
namespace {

// One list for the whole probe process: the wrapped C functions have no other place
// to put what they saw.
std::vector<Call>& Log() {
    static std::vector<Call> calls;
    return calls;
}

int Record(const char* function, int result, Clock::time_point start) {
    Log().push_back({function, result, start, Clock::now(), std::chrono::system_clock::now()});
    return result;
}

}  // namespace

const std::vector<Call>& Calls() {
    return Log();
}

void Clear() {
    Log().clear();
}

std::vector<std::string> CodeSummary() {
    std::vector<std::pair<std::string, int>> order;
    std::map<std::pair<std::string, int>, int> counts;
    for (const Call& call : Log()) {
        const auto key = std::make_pair(call.function, call.result);
        if (counts[key]++ == 0) {
            order.push_back(key);
        }
    }
    std::vector<std::string> lines;
    for (const auto& key : order) {
        std::string result = std::to_string(key.second);
        if (key.first == "usb_open") {
            result = key.second != 0 ? "handle" : "NULL";
        }
        lines.push_back(key.first + " " + result + " x" + std::to_string(counts[key]));
    }
    return lines;
}

}  // namespace usb_trace

using usb_trace::Clock;
using usb_trace::Record;

extern "C" {

int __real_usb_find_busses(void);
int __real_usb_find_devices(void);
usb_dev_handle* __real_usb_open(struct usb_device* dev);
int __real_usb_close(usb_dev_handle* dev);
int __real_usb_set_configuration(usb_dev_handle* dev, int configuration);
int __real_usb_claim_interface(usb_dev_handle* dev, int interface);
int __real_usb_bulk_write(usb_dev_handle* dev, int ep, const char* bytes, int size, int timeout);
int __real_usb_bulk_read(usb_dev_handle* dev, int ep, char* bytes, int size, int timeout);

int __wrap_usb_find_busses(void) {
    const auto start = Clock::now();
    return Record("usb_find_busses", __real_usb_find_busses(), start);
}

int __wrap_usb_find_devices(void) {
    const auto start = Clock::now();
    return Record("usb_find_devices", __real_usb_find_devices(), start);
}

usb_dev_handle* __wrap_usb_open(struct usb_device* dev) {
    const auto start = Clock::now();
    usb_dev_handle* handle = __real_usb_open(dev);
    Record("usb_open", handle != nullptr ? 1 : 0, start);
    return handle;
}

int __wrap_usb_close(usb_dev_handle* dev) {
    const auto start = Clock::now();
    return Record("usb_close", __real_usb_close(dev), start);
}

int __wrap_usb_set_configuration(usb_dev_handle* dev, int configuration) {
    const auto start = Clock::now();
    return Record("usb_set_configuration", __real_usb_set_configuration(dev, configuration), start);
}

int __wrap_usb_claim_interface(usb_dev_handle* dev, int interface) {
    const auto start = Clock::now();
    return Record("usb_claim_interface", __real_usb_claim_interface(dev, interface), start);
}

int __wrap_usb_bulk_write(usb_dev_handle* dev, int ep, const char* bytes, int size, int timeout) {
    const auto start = Clock::now();
    return Record("usb_bulk_write", __real_usb_bulk_write(dev, ep, bytes, size, timeout), start);
}

int __wrap_usb_bulk_read(usb_dev_handle* dev, int ep, char* bytes, int size, int timeout) {
    const auto start = Clock::now();
    return Record("usb_bulk_read", __real_usb_bulk_read(dev, ep, bytes, size, timeout), start);
}

}  // extern "C"
