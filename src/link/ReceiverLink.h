#pragma once

#include <chrono>

#include "Station.h"

class UsbReceiver;

// The USB link to the receiver ("USB-Key", vendor 0x1234, product 0x1236), through
// the libusb 0.1 API. Everything runs on the UI thread: the poll loop lets the
// window system process pending events between frames.
class ReceiverLink {
  public:
    explicit ReceiverLink(Station& station) : station_(station) {}

    // One poll cycle: find, open, configure, claim, serve until the receiver falls
    // silent or a stop is requested, close. A cycle that got no frame ends with a
    // short wait that keeps processing window events (no busy loop while the
    // receiver is absent or silent).
    void PollReceiver();

    // True when a device with the receiver's vendor and product ID is attached.
    bool ReceiverPresent();

    // Runs poll cycles until stop_requested, in the station's poll_mode (1 session,
    // 2 transmission test). The caller sets poll_mode before and resets it after.
    void RunPollLoop();

    // Wait after a cycle that got no frame; at most 50 ms keeps the screen lively.
    void set_idle_pause(std::chrono::milliseconds pause) { idle_pause_ = pause; }
    std::chrono::milliseconds idle_pause() const { return idle_pause_; }

  private:
    // Serves an open receiver; returns the number of frames decoded.
    int Serve(UsbReceiver& receiver);
    void IdleWait();

    Station& station_;
    std::chrono::milliseconds idle_pause_{20};
};
