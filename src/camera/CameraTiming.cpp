#include "CameraTiming.h"

#include "CameraCapture.h"
#include "Clock.h"

namespace {

double CounterSeconds(qint64 counter, const Clock& clock) {
    return double(counter) / double(clock.PerformanceFrequency());
}

}  // namespace

CameraTiming::CameraTiming(const Clock& clock, const CameraSettings& settings, Hooks hooks,
                           QObject* parent)
    : QObject(parent),
      clock_(clock),
      settings_(settings),
      hooks_(std::move(hooks)),
      router_(settings.marker_of_slot, clock.PerformanceFrequency()) {
    expiry_.setInterval(250);
    connect(&expiry_, &QTimer::timeout, this, [this] { ExpireWaiting(false); });
    expiry_.start();
}

CameraTiming::~CameraTiming() {
    capture_.reset();  // the thread ends before the hooks go
    ExpireWaiting(true);
}

void CameraTiming::Start() {
    const CameraCapture::Source source = CaptureSourceFor(settings_);
    capture_ = std::make_unique<CameraCapture>(clock_, source);
    connect(capture_.get(), &CameraCapture::crossed, this, &CameraTiming::OnCrossed);
    connect(capture_.get(), &CameraCapture::statusChanged, this, &CameraTiming::OnStatus);
    capture_->Start();
}

void CameraTiming::OnCrossed(int marker_id, bool band, qint64 counter) {
    const int slot = router_.OnCrossing(marker_id, band, counter);
    if (slot == 0) {
        ExpireWaiting(false);  // an unknown marker is logged at once
        return;
    }
    if (!TimesSlot(slot)) {
        // The marker's kart is radio- or hand-timed now: its pass is kept, unassigned.
        if (hooks_.log) {
            hooks_.log(CameraLogLine(0, marker_id, false, CounterSeconds(counter, clock_)));
        }
        return;
    }
    const bool lapped = hooks_.complete_lap && hooks_.complete_lap(slot, counter);
    if (hooks_.log && lapped) {
        hooks_.log(CameraLogLine(slot, marker_id, false, CounterSeconds(counter, clock_)));
    }
}

std::optional<qint64> CameraTiming::TakeForKey(int slot, qint64 now) {
    // A hand-timed kart's key times its own lap, never a camera crossing.
    if (!TimesSlot(slot)) {
        return std::nullopt;
    }
    const std::optional<qint64> taken = router_.TakeForKey(now);
    if (taken && hooks_.log) {
        hooks_.log(CameraLogLine(slot, -1, true, CounterSeconds(*taken, clock_)));
    }
    return taken;
}

void CameraTiming::OnStatus(const CameraStatus& status) {
    if (hooks_.show_status) {
        hooks_.show_status(status.Text(), status.healthy());
    }
}

void CameraTiming::ExpireWaiting(bool flush) {
    for (const QString& line : router_.Expire(clock_.PerformanceCounter(), flush)) {
        if (hooks_.log) {
            hooks_.log(line);
        }
    }
}
