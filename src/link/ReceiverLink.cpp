#include "ReceiverLink.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
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
    const bool was_connected = status.state == ReceiverState::kConnected;
    status.state = state;
    if (status.reason != reason) {
        status.reason = reason;
    }
    const bool connected = state == ReceiverState::kConnected;
    status.frames_per_second = connected ? frame_rate_.PerSecond() : 0;
    status.silent_seconds = 0;
    if (!connected) {
        return;
    }
    // Set again at every re-open of a silent receiver, so the silence keeps counting;
    // a receiver just connected counts from now.
    const Clock& clock = station_.clock();
    const qint64 now = clock.PerformanceCounter();
    if (!was_connected || !last_frame_) {
        last_frame_ = now;
    }
    status.silent_seconds =
        int((now - *last_frame_) / std::max<qint64>(clock.PerformanceFrequency(), 1));
}

void ReceiverLink::PollReceiver() {
    if (Cycle() == CycleEnd::kNothingUsable && !station_.stop_requested) {
        IdleWait();
    }
}

std::unique_ptr<UsbReceiver> ReceiverLink::OpenForCycle() {
    cycle_frames_ = 0;
    last_read_ = 0;
    last_events_.reset();
    InitUsb();
    const FoundReceiver found = Scan();
    if (found.device == nullptr) {
        // A device with the right IDs but the wrong descriptors is never opened.
        SetStatus(found.listed ? ReceiverState::kNotUsable : ReceiverState::kNotFound, found.fault);
        refused_until_change_ = false;
        return nullptr;
    }
    if (refused_until_change_) {
        return nullptr;  // still listed, still no access
    }
    auto receiver = std::make_unique<UsbReceiver>();
    switch (receiver->Open(found.device)) {
        case OpenResult::kNoAccess:
            SetStatus(ReceiverState::kNoAccess);
            refused_until_change_ = true;
            return nullptr;
        case OpenResult::kFailed:
            // Busy, or gone between the scan and the open: the next scan tells. Until
            // then the operator sees it is there but not working, not "not found".
            SetStatus(ReceiverState::kNotUsable, kCannotOpen);
            return nullptr;
        case OpenResult::kOpened:
            break;
    }
    SetStatus(ReceiverState::kConnected);
    return receiver;
}

ReceiverLink::CycleEnd ReceiverLink::Cycle() {
    const std::unique_ptr<UsbReceiver> receiver = OpenForCycle();
    if (!receiver) {
        return CycleEnd::kNothingUsable;
    }
    ServeEnd end = ServeEnd::kEventsDue;
    while ((end = ServeFrames(*receiver)) == ServeEnd::kEventsDue) {
        ProcessWindowEvents();
    }
    return EndOfCycle();
}

ReceiverLink::CycleEnd ReceiverLink::EndOfCycle() {
    if (cycle_frames_ > 0) {
        return CycleEnd::kServed;
    }
    if (last_read_ == -EPERM) {
        SetStatus(ReceiverState::kNoAccess);  // opened and claimed, yet every read refused
        refused_until_change_ = true;
    }
    // Only a read that waited out its timeout paced this cycle; any other failure
    // (unplugged, refused, cut short) returns at once and would spin.
    return last_read_ == receiver_usb::kTimedOut ? CycleEnd::kSilent : CycleEnd::kNothingUsable;
}

ReceiverLink::ServeEnd ReceiverLink::ServeFrames(UsbReceiver& receiver) {
    Frame exchange{};
    while (!station_.stop_requested) {
        SendPendingMessages(station_, receiver);
        last_read_ = receiver.Read(exchange);
        // 0 is what libusb 0.1 returns when the device is unplugged during the read.
        if (last_read_ != kFrameSize) {
            if (station_.poll_mode == kPollTransmissionTest) {
                RequestNetworkValue(station_, receiver);  // reports the previous frame's serial
            }
            return ServeEnd::kReadFailed;
        }
        station_.receive_buffer = exchange;
        // One clock read per frame serves the decoder, the frame rate and the status.
        const qint64 arrived = station_.clock().PerformanceCounter();
        DecodeFrame(station_, arrived);
        ++cycle_frames_;
        station_.receiver_status.frames_per_second = frame_rate_.Count(arrived);
        station_.receiver_status.silent_seconds = 0;
        last_frame_ = arrived;
        if (station_.poll_mode == kPollSession && station_.session_screen != nullptr) {
            station_.session_screen->RefreshKarts();
        }
        if (station_.poll_mode == kPollTransmissionTest) {
            RequestNetworkValue(station_, receiver);
        }
        const auto now = std::chrono::steady_clock::now();
        if (!last_events_ || now - *last_events_ >= kWindowEventsGap) {
            last_events_ = now;  // from the start of the pass, as the repaint interval
            return ServeEnd::kEventsDue;
        }
    }
    return ServeEnd::kStopped;
}

HotplugWatch& ReceiverLink::Watch() {
    if (!watch_) {
        watch_ = std::make_unique<HotplugWatch>(hotplug_folder_);
    }
    return *watch_;
}

ReceiverLink::WaitStart ReceiverLink::PrepareIdleWait() {
    if (idle_pause_.count() <= 0) {
        refused_until_change_ = false;  // no waiting asked for: every cycle tries again
        return WaitStart::kScanNow;
    }
    HotplugWatch& watch = Watch();
    watch.Rearm();
    if (!watch.watching()) {
        refused_until_change_ = false;  // no change would ever be seen: retry on the fall-back
    }
    if (watch.TakeChanges()) {
        refused_until_change_ = false;
        return WaitStart::kScanNow;  // a node changed during the last scan: scan again now
    }
    return WaitStart::kWaiting;
}

// Sleeps until a device node comes, goes or changes its rights, or the fall-back
// pause ends, handling window events as they come: a click on "END SESSION" ends
// the wait at once.
void ReceiverLink::IdleWait() {
    if (PrepareIdleWait() == WaitStart::kScanNow) {
        return;
    }
    HotplugWatch& watch = Watch();
    const std::chrono::milliseconds pause = idle_pause_;
    if (QCoreApplication::instance() == nullptr) {
        if (watch.WaitForChanges(int(pause.count()))) {
            refused_until_change_ = false;
        } else if (!watch.watching()) {
            std::this_thread::sleep_for(pause);
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
    fallback.start(pause);
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
    while (!station_.stop_requested && !done) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void ReceiverLink::RefreshSessionScreen() {
    if (station_.poll_mode == kPollSession && station_.session_screen != nullptr) {
        station_.session_screen->RefreshKarts();
    }
}

void ReceiverLink::ScheduleStep() {
    if (!station_.stop_requested) {
        step_timer_->start();
    }
}

void ReceiverLink::Step() {
    if (stepping_) {
        return;  // an event loop inside a step: the step itself goes on when it returns
    }
    stepping_ = true;
    const auto done = qScopeGuard([this] { stepping_ = false; });
    if (station_.stop_requested) {
        EndCycleForStop();
        return;
    }
    if (!receiver_) {
        receiver_ = OpenForCycle();
        if (!receiver_) {
            AfterCycle(CycleEnd::kNothingUsable);
            return;
        }
    }
    switch (ServeFrames(*receiver_)) {
        case ServeEnd::kEventsDue:
            ScheduleStep();
            return;
        case ServeEnd::kStopped:
            EndCycleForStop();
            return;
        case ServeEnd::kReadFailed:
            receiver_.reset();
            AfterCycle(EndOfCycle());
            return;
    }
}

void ReceiverLink::EndCycleForStop() {
    if (receiver_) {
        receiver_.reset();
        RefreshSessionScreen();  // after every cycle, the one a stop ended too
    }
}

void ReceiverLink::AfterCycle(CycleEnd end) {
    RefreshSessionScreen();
    if (station_.stop_requested) {
        return;
    }
    if (end == CycleEnd::kNothingUsable) {
        BeginIdleWait();
        return;
    }
    ScheduleStep();  // served or silent: its reads paced it, so at once
}

void ReceiverLink::BeginIdleWait() {
    if (PrepareIdleWait() == WaitStart::kScanNow) {
        ScheduleStep();
        return;
    }
    HotplugWatch& watch = Watch();
    if (watch.watching() &&
        (!hotplug_notifier_ || hotplug_notifier_->socket() != watch.descriptor())) {
        hotplug_notifier_ =
            std::make_unique<QSocketNotifier>(watch.descriptor(), QSocketNotifier::Read);
        QObject::connect(hotplug_notifier_.get(), &QSocketNotifier::activated, [this] {
            if (Watch().TakeChanges()) {
                refused_until_change_ = false;
                EndIdleWait();
                ScheduleStep();
            }
        });
    }
    if (hotplug_notifier_) {
        hotplug_notifier_->setEnabled(watch.watching());
    }
    wait_timer_->start(idle_pause_);
}

void ReceiverLink::EndIdleWait() {
    wait_timer_->stop();
    if (hotplug_notifier_) {
        // Disabled, not deleted: this may run inside its own signal.
        hotplug_notifier_->setEnabled(false);
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
    if (QCoreApplication::instance() == nullptr) {
        while (!station_.stop_requested) {
            PollReceiver();
            RefreshSessionScreen();
        }
        return;
    }
    step_timer_ = std::make_unique<QTimer>();
    step_timer_->setSingleShot(true);
    step_timer_->setInterval(0);
    QObject::connect(step_timer_.get(), &QTimer::timeout, [this] { Step(); });
    wait_timer_ = std::make_unique<QTimer>();
    wait_timer_->setSingleShot(true);
    // Coarse: Qt lets it fire with other coarse timers of the same interval (the
    // session screen's clock), so an idle station wakes once for both. Early or late
    // by 5% only moves a scan.
    wait_timer_->setTimerType(Qt::CoarseTimer);
    QObject::connect(wait_timer_.get(), &QTimer::timeout, [this] {
        EndIdleWait();
        ScheduleStep();
    });
    Step();  // the first cycle at once, as the loop always began
    while (!station_.stop_requested) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        // Every step leaves the next one or a wait armed; should a stop have been
        // taken back after a step saw it, serve again rather than stand still.
        if (!station_.stop_requested && !stepping_ && !step_timer_->isActive() &&
            !wait_timer_->isActive() && !(hotplug_notifier_ && hotplug_notifier_->isEnabled())) {
            ScheduleStep();
        }
    }
    EndCycleForStop();  // the handle is closed when a stop is requested
    EndIdleWait();
    step_timer_.reset();
    wait_timer_.reset();
    hotplug_notifier_.reset();
}
