#pragma once

#include <QString>
#include <QtGlobal>
#include <chrono>
#include <memory>
#include <optional>

#include "FrameRate.h"
#include "HotplugWatch.h"
#include "Station.h"

class QSocketNotifier;
class QTimer;
class UsbReceiver;
struct FoundReceiver;

// The USB link to the receiver ("USB-Key", vendor 0x1234, product 0x1236), through
// the libusb 0.1 API. Everything runs on the UI thread, between window events. It
// keeps station.receiver_status current for the operator.
//
// The poll loop of a session or a transmission test is driven by the event loop
// rather than by a loop of its own: each step reads the frames that are due and
// returns, and the next step is a zero timer. So whichever event loop runs (the
// loop's own, or that of a modal dialog, a menu or a message box the operator
// opened) keeps the receiver read and the screen refreshed; no lap waits for a
// dialog to close. Window events still run only between two frames.
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
    // 2 transmission test), processing window events meanwhile. The caller sets
    // poll_mode before and resets it after. Without an application object it runs
    // PollReceiver in a plain loop.
    void RunPollLoop();

    // Bus scans (usb_find_devices) this link has made.
    qint64 scan_count() const { return scan_count_; }

    // Longest wait between two scans while no receiver is usable and no hotplug
    // change comes; 0 scans again at once. Hotplug changes end the wait early.
    void set_idle_pause(std::chrono::milliseconds pause) { idle_pause_ = pause; }
    std::chrono::milliseconds idle_pause() const { return idle_pause_; }

    // A hotplug change wakes the link at once; the scan in between only catches a
    // receiver another program let go of, or one plugged in where device nodes
    // cannot be watched. An idle station should wake as rarely as it can: with the
    // session screen's clock, at most 1.5 times a second.
    static constexpr std::chrono::milliseconds kFallbackScanPause{2000};
    // While frames follow each other closely, window events are processed after a
    // frame only when this long has passed since they last were (always after the
    // first frame of a cycle). A pass of the event loop costs as much as decoding a
    // frame, and the screen is painted at most every RepaintCoalescer interval
    // anyway: at 100 frames a second every other frame gets a pass, and a value
    // waits no longer for the screen than it did.
    static constexpr std::chrono::milliseconds kWindowEventsGap{15};

  private:
    enum class CycleEnd { kServed, kSilent, kNothingUsable };
    enum class ServeEnd { kEventsDue, kStopped, kReadFailed };
    enum class WaitStart { kWaiting, kScanNow };

    FoundReceiver Scan();
    CycleEnd Cycle();
    // Scans and opens the receiver for a new cycle; null when nothing is usable.
    std::unique_ptr<UsbReceiver> OpenForCycle();
    // Reads and decodes frames until window events are due (after a cycle's first
    // frame, then every kWindowEventsGap), a stop is requested or a read fails.
    ServeEnd ServeFrames(UsbReceiver& receiver);
    // How the cycle whose read failed ended.
    CycleEnd EndOfCycle();
    void SetStatus(ReceiverState state, const QString& reason = {});
    void IdleWait();
    // The first part of every idle wait: whether a change already calls for a scan.
    WaitStart PrepareIdleWait();
    HotplugWatch& Watch();
    void RefreshSessionScreen();

    // The event-driven loop (RunPollLoop with an application object).
    void Step();
    void ScheduleStep();
    void AfterCycle(CycleEnd end);
    void EndCycleForStop();
    void BeginIdleWait();
    void EndIdleWait();

    Station& station_;
    QString hotplug_folder_;
    std::unique_ptr<HotplugWatch> watch_;  // made at the first wait
    FrameRate frame_rate_;
    std::chrono::milliseconds idle_pause_{kFallbackScanPause};
    qint64 scan_count_ = 0;
    // The receiver refused us (no access): it is not opened again until a hotplug
    // change (a udev rule applied, a re-plug), only looked for.
    bool refused_until_change_ = false;

    // Performance counter of the last frame read (or of the connection, before the
    // first): how long a connected receiver has been silent.
    std::optional<qint64> last_frame_;
    // The cycle being served: its receiver, frames and last read.
    std::unique_ptr<UsbReceiver> receiver_;
    int cycle_frames_ = 0;
    int last_read_ = 0;
    // Pacing of the event loop only, never a time that is shown: the wall clock.
    // Empty until the cycle's first frame, which always gets its pass.
    std::optional<std::chrono::steady_clock::time_point> last_events_;

    // The event-driven loop's timers and the hotplug notifier; made by RunPollLoop.
    std::unique_ptr<QTimer> step_timer_;
    std::unique_ptr<QTimer> wait_timer_;
    std::unique_ptr<QSocketNotifier> hotplug_notifier_;
    bool stepping_ = false;
};
