#pragma once

#include "Station.h"

// The USB link to the receiver ("USB-Key", vendor 0x1234, product 0x1236), through
// the libusb 0.1 API. Everything runs on the UI thread: the poll loop lets the
// window system process pending events between frames.
class ReceiverLink {
public:
    explicit ReceiverLink(Station& station) : station_(station) {}

    // One poll cycle: find, open, configure, claim, serve until the receiver falls
    // silent or a stop is requested, close.
    void PollReceiver();

    // True when a device with the receiver's vendor and product ID is attached.
    bool ReceiverPresent();

    // Runs poll cycles until stop_requested, in the station's poll_mode (1 session,
    // 2 transmission test). The caller sets poll_mode before and resets it after.
    void RunPollLoop();

private:
    Station& station_;
};
