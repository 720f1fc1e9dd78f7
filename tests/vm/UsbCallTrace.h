#pragma once

// Every libusb 0.1 call the production link code makes in the probe, with its
// result and time. The probe links with -Wl,--wrap=usb_... so the calls made inside
// ruvo_link pass through here on their way to the real libusb.

#include <chrono>
#include <string>
#include <vector>

namespace usb_trace {

using Clock = std::chrono::steady_clock;

struct Call {
    std::string function;
    int result = 0;  // usb_open: 1 for a handle, 0 for none
    Clock::time_point start;
    Clock::time_point end;
    std::chrono::system_clock::time_point wall_end;  // to compare with file times
};

const std::vector<Call>& Calls();
void Clear();

// "usb_bulk_read -110 x3" lines, one per function and result, in first-seen order.
std::vector<std::string> CodeSummary();

}  // namespace usb_trace
