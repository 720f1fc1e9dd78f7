#include "ReceiverLink.h"

#include <QCoreApplication>
#include <QTimer>
#include <thread>

#include "FrameDecoder.h"
#include "OutgoingFrames.h"
#include "UsbReceiver.h"

namespace {

void ProcessWindowEvents() {
    QCoreApplication::processEvents();
}

}  // namespace

void ReceiverLink::PollReceiver() {
    int frames = 0;
    {
        UsbReceiver receiver;
        if (receiver.Open() == OpenResult::kOpened) {
            frames = Serve(receiver);
        }
    }  // the handle is closed here on every path
    if (frames == 0 && !station_.stop_requested) {
        IdleWait();
    }
}

int ReceiverLink::Serve(UsbReceiver& receiver) {
    int frames = 0;
    Frame exchange{};
    while (!station_.stop_requested) {
        SendPendingMessages(station_, receiver);
        if (receiver.Read(exchange) != kFrameSize) {
            if (station_.poll_mode == kPollTransmissionTest) {
                RequestNetworkValue(station_, receiver);  // reports the previous frame's serial
            }
            return frames;
        }
        station_.receive_buffer = exchange;
        DecodeFrame(station_);
        ++frames;
        if (station_.poll_mode == kPollSession && station_.session_screen != nullptr) {
            station_.session_screen->RefreshKarts();
        }
        if (station_.poll_mode == kPollTransmissionTest) {
            RequestNetworkValue(station_, receiver);
        }
        ProcessWindowEvents();
    }
    return frames;
}

// Waits for the idle pause while handling window events as they come, so a click on
// "END SESSION" during the wait ends it at once.
void ReceiverLink::IdleWait() {
    if (idle_pause_.count() <= 0) {
        return;
    }
    if (QCoreApplication::instance() == nullptr) {
        std::this_thread::sleep_for(idle_pause_);
        return;
    }
    // Ended by the timer's own signal: a deadline checked separately can still be
    // pending when a coarse timer fires a little early, and the wait would then
    // block until some unrelated event arrived.
    bool done = false;
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wake, &QTimer::timeout, [&done] { done = true; });
    wake.start(idle_pause_);
    while (!station_.stop_requested && !done) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

bool ReceiverLink::ReceiverPresent() {
    InitUsb();
    ProcessWindowEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(receiver_usb::kReplyPauseMs));
    if (ScanForReceiver(ProcessWindowEvents)) {
        return true;
    }
    ProcessWindowEvents();
    return false;
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
