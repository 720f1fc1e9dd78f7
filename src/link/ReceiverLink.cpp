#include "ReceiverLink.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <optional>
#include <thread>

#include "FrameDecoder.h"
#include "OutgoingFrames.h"
#include "UsbReceiver.h"

namespace {

void ProcessWindowEvents() {
    QCoreApplication::processEvents();
}

// Listed with the right descriptors, yet the open, configuration or claim failed for
// a reason other than rights: another program holds it, or it is still starting up.
const QString kCannotOpen = QStringLiteral("cannot be opened, another program may be using it");

}  // namespace

ReceiverLink::ReceiverLink(Station& station, QString hotplug_folder)
    : station_(station), hotplug_folder_(std::move(hotplug_folder)), frame_rate_(station.clock()) {}

ReceiverLink::~ReceiverLink() = default;

FoundReceiver ReceiverLink::Scan() {
    ++scan_count_;
    return FindReceiver();
}

void ReceiverLink::SetStatus(ReceiverState state, const QString& reason) {
    ReceiverStatus& status = station_.receiver_status;
    status.state = state;
    if (status.reason != reason) {
        status.reason = reason;
    }
    status.frames_per_second = state == ReceiverState::kConnected ? frame_rate_.PerSecond() : 0;
}

void ReceiverLink::PollReceiver() {
    if (Cycle() == CycleEnd::kNothingUsable && !station_.stop_requested) {
        IdleWait();
    }
}

ReceiverLink::CycleEnd ReceiverLink::Cycle() {
    InitUsb();
    const FoundReceiver found = Scan();
    if (found.device == nullptr) {
        // A device with the right IDs but the wrong descriptors is never opened.
        SetStatus(found.listed ? ReceiverState::kNotUsable : ReceiverState::kNotFound, found.fault);
        refused_until_change_ = false;
        return CycleEnd::kNothingUsable;
    }
    if (refused_until_change_) {
        return CycleEnd::kNothingUsable;  // still listed, still no access
    }
    UsbReceiver receiver;
    switch (receiver.Open(found.device)) {
        case OpenResult::kNoAccess:
            SetStatus(ReceiverState::kNoAccess);
            refused_until_change_ = true;
            return CycleEnd::kNothingUsable;
        case OpenResult::kFailed:
            // Busy, or gone between the scan and the open: the next scan tells. Until
            // then the operator sees it is there but not working, not "not found".
            SetStatus(ReceiverState::kNotUsable, kCannotOpen);
            return CycleEnd::kNothingUsable;
        case OpenResult::kOpened:
            break;
    }
    SetStatus(ReceiverState::kConnected);
    int last_read = 0;
    const int frames = Serve(receiver, last_read);
    if (frames > 0) {
        return CycleEnd::kServed;
    }
    if (last_read == -EPERM) {
        SetStatus(ReceiverState::kNoAccess);  // opened and claimed, yet every read refused
        refused_until_change_ = true;
    }
    // Only a read that waited out its timeout paced this cycle; any other failure
    // (unplugged, refused, cut short) returns at once and would spin.
    return last_read == receiver_usb::kTimedOut ? CycleEnd::kSilent : CycleEnd::kNothingUsable;
}

int ReceiverLink::Serve(UsbReceiver& receiver, int& last_read) {
    int frames = 0;
    Frame exchange{};
    // Pacing of the event loop only, never a time that is shown: the wall clock.
    // Empty until the first frame, which always gets its pass.
    std::optional<std::chrono::steady_clock::time_point> last_events;
    while (!station_.stop_requested) {
        SendPendingMessages(station_, receiver);
        last_read = receiver.Read(exchange);
        // 0 is what libusb 0.1 returns when the device is unplugged during the read.
        if (last_read != kFrameSize) {
            if (station_.poll_mode == kPollTransmissionTest) {
                RequestNetworkValue(station_, receiver);  // reports the previous frame's serial
            }
            return frames;
        }
        station_.receive_buffer = exchange;
        // One clock read per frame serves the decoder and the frame rate.
        const qint64 arrived = station_.clock().PerformanceCounter();
        DecodeFrame(station_, arrived);
        ++frames;
        station_.receiver_status.frames_per_second = frame_rate_.Count(arrived);
        if (station_.poll_mode == kPollSession && station_.session_screen != nullptr) {
            station_.session_screen->RefreshKarts();
        }
        if (station_.poll_mode == kPollTransmissionTest) {
            RequestNetworkValue(station_, receiver);
        }
        const auto now = std::chrono::steady_clock::now();
        if (!last_events || now - *last_events >= kWindowEventsGap) {
            last_events = now;  // from the start of the pass, as the repaint interval
            ProcessWindowEvents();
        }
    }
    return frames;
}

HotplugWatch& ReceiverLink::Watch() {
    if (!watch_) {
        watch_ = std::make_unique<HotplugWatch>(hotplug_folder_);
    }
    return *watch_;
}

// Sleeps until a device node comes, goes or changes its rights, or the fall-back
// pause ends, handling window events as they come: a click on "END SESSION" ends
// the wait at once, and the session screen keeps being refreshed.
void ReceiverLink::IdleWait() {
    if (idle_pause_.count() <= 0) {
        refused_until_change_ = false;  // no waiting asked for: every cycle tries again
        return;
    }
    HotplugWatch& watch = Watch();
    watch.Rearm();
    if (!watch.watching()) {
        refused_until_change_ = false;  // no change would ever be seen: retry on the fall-back
    }
    if (watch.TakeChanges()) {
        refused_until_change_ = false;
        return;  // a node changed during the last scan: scan again now
    }
    if (QCoreApplication::instance() == nullptr) {
        if (watch.WaitForChanges(int(idle_pause_.count()))) {
            refused_until_change_ = false;
        } else if (!watch.watching()) {
            std::this_thread::sleep_for(idle_pause_);
        }
        return;
    }
    // Ended by signals only: a deadline checked separately can still be pending
    // when a coarse timer fires a little early, and the wait would then block until
    // some unrelated event arrived.
    bool done = false;
    QTimer fallback;
    fallback.setSingleShot(true);
    fallback.setTimerType(Qt::PreciseTimer);  // a coarse one may fire 5% early
    QObject::connect(&fallback, &QTimer::timeout, [&done] { done = true; });
    fallback.start(idle_pause_);
    std::optional<QSocketNotifier> notifier;
    if (watch.watching()) {
        notifier.emplace(watch.descriptor(), QSocketNotifier::Read);
        QObject::connect(&*notifier, &QSocketNotifier::activated, [this, &done, &watch] {
            if (watch.TakeChanges()) {
                refused_until_change_ = false;
                done = true;
            }
        });
    }
    QTimer refresh;
    QObject::connect(&refresh, &QTimer::timeout, [this] {
        if (station_.poll_mode == kPollSession && station_.session_screen != nullptr) {
            station_.session_screen->RefreshKarts();
        }
    });
    if (station_.poll_mode == kPollSession && station_.session_screen != nullptr &&
        idle_pause_ > kScreenRefreshPause) {
        refresh.start(kScreenRefreshPause);
    }
    while (!station_.stop_requested && !done) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

bool ReceiverLink::ReceiverPresent() {
    InitUsb();
    ProcessWindowEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(receiver_usb::kReplyPauseMs));
    ++scan_count_;
    if (FindReceiver(ProcessWindowEvents).listed) {
        return true;
    }
    ProcessWindowEvents();
    return false;
}

ReceiverStatus ReceiverLink::ProbeReceiver() {
    InitUsb();
    const FoundReceiver found = Scan();
    if (found.device == nullptr) {
        SetStatus(found.listed ? ReceiverState::kNotUsable : ReceiverState::kNotFound, found.fault);
        return station_.receiver_status;
    }
    UsbReceiver receiver;
    const OpenResult opened = receiver.Open(found.device);
    receiver.Close();
    if (opened == OpenResult::kOpened) {
        SetStatus(ReceiverState::kConnected);
        refused_until_change_ = false;
    } else if (opened == OpenResult::kNoAccess) {
        SetStatus(ReceiverState::kNoAccess);
        refused_until_change_ = true;
    } else {
        SetStatus(ReceiverState::kNotUsable, kCannotOpen);
    }
    return station_.receiver_status;
}

void ReceiverLink::RunPollLoop() {
    while (!station_.stop_requested) {
        PollReceiver();
        if (station_.poll_mode == kPollSession && station_.session_screen != nullptr) {
            station_.session_screen->RefreshKarts();
        }
        ProcessWindowEvents();
    }
}
