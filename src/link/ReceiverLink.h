#pragma once

#include <QString>
#include <QtGlobal>
#include <chrono>
#include <memory>

#include "FrameRate.h"
#include "HotplugWatch.h"
#include "Station.h"

class UsbReceiver;
struct FoundReceiver;

// The USB link to the receiver ("USB-Key", vendor 0x1234, product 0x1236), through
// the libusb 0.1 API. Everything runs on the UI thread: the poll loop lets the
// window system process pending events between frames. It keeps
// station.receiver_status current for the operator.
class ReceiverLink {
  public:
    // hotplug_folder: where device nodes appear (devtmpfs); a missing folder leaves
    // only the slow fall-back scan.
    explicit ReceiverLink(Station& station, QString hotplug_folder = QString::fromLatin1(
                                                HotplugWatch::kUsbDeviceFolder));
    ~ReceiverLink();

    // One poll cycle: find, open, configure, claim, serve until the receiver falls
    // silent or a stop is requested, close. A cycle that found nothing usable ends
    // with a wait for a hotplug change (or the fall-back pause) that keeps
    // processing window events. A silent receiver is re-opened at once: its read
    // timeout already paced the cycle.
    void PollReceiver();

    // True when a device with the receiver's vendor and product ID is attached.
    bool ReceiverPresent();

    // Finds the receiver and, when one is listed, opens, configures, claims and
    // closes it again: not found, no access, not usable (with the reason) or
    // connected. The result also becomes station.receiver_status.
    ReceiverStatus ProbeReceiver();

    // Runs poll cycles until stop_requested, in the station's poll_mode (1 session,
    // 2 transmission test). The caller sets poll_mode before and resets it after.
    void RunPollLoop();

    // Bus scans (usb_find_devices) this link has made.
    qint64 scan_count() const { return scan_count_; }

    // Longest wait between two scans while no receiver is usable and no hotplug
    // change comes; 0 scans again at once. Hotplug changes end the wait early.
    void set_idle_pause(std::chrono::milliseconds pause) { idle_pause_ = pause; }
    std::chrono::milliseconds idle_pause() const { return idle_pause_; }

    static constexpr std::chrono::milliseconds kFallbackScanPause{500};
    // How often the session screen is refreshed while the link waits, so a running
    // stopwatch keeps counting on screen.
    static constexpr std::chrono::milliseconds kScreenRefreshPause{20};
    // While frames follow each other closely, window events are processed after a
    // frame only when this long has passed since they last were (always after the
    // first frame of a cycle). A pass of the event loop costs as much as decoding a
    // frame, and the screen is painted at most every RepaintCoalescer interval
    // anyway: at 100 frames a second every other frame gets a pass, and a value
    // waits no longer for the screen than it did.
    static constexpr std::chrono::milliseconds kWindowEventsGap{15};

  private:
    enum class CycleEnd { kServed, kSilent, kNothingUsable };

    FoundReceiver Scan();
    CycleEnd Cycle();
    // Serves an open receiver; returns the number of frames decoded and the result
    // of the read that ended it.
    int Serve(UsbReceiver& receiver, int& last_read);
    void SetStatus(ReceiverState state, const QString& reason = {});
    void IdleWait();
    HotplugWatch& Watch();

    Station& station_;
    QString hotplug_folder_;
    std::unique_ptr<HotplugWatch> watch_;  // made at the first wait
    FrameRate frame_rate_;
    std::chrono::milliseconds idle_pause_{kFallbackScanPause};
    qint64 scan_count_ = 0;
    // The receiver refused us (no access): it is not opened again until a hotplug
    // change (a udev rule applied, a re-plug), only looked for.
    bool refused_until_change_ = false;
};
