#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "CameraLapRouter.h"
#include "CameraSettings.h"

class CameraCapture;
class Clock;
struct CameraStatus;

// The camera during a session: crossings from the capture thread become laps of
// camera-timed karts, band triggers wait 2 s for a kart's lap key, and every
// crossing is logged. The screen is reached only through the hooks, so this
// library needs no window.
class CameraTiming : public QObject {
    Q_OBJECT

  public:
    struct Hooks {
        std::function<bool(int slot, qint64 counter)> complete_lap;
        std::function<void(const QString& text, bool healthy)> show_status;
        std::function<void(const QString& line)> log;
        // Whether the camera times this slot now (its settings may change during the
        // session); unset: every slot the settings give a marker or a key.
        std::function<bool(int slot)> times_slot;
    };
    CameraTiming(const Clock& clock, const CameraSettings& settings, Hooks hooks,
                 QObject* parent = nullptr);
    ~CameraTiming() override;

    // Starts the capture thread on the settings' camera.
    void Start();
    // A crossing from the capture (the station clock's counter).
    void OnCrossed(int marker_id, bool band, qint64 counter);
    // A lap key of slot pressed at now: the band crossing it takes, if any.
    std::optional<qint64> TakeForKey(int slot, qint64 now);

  private:
    void OnStatus(const CameraStatus& status);
    void ExpireWaiting(bool flush);
    bool TimesSlot(int slot) const { return !hooks_.times_slot || hooks_.times_slot(slot); }

    const Clock& clock_;
    CameraSettings settings_;
    Hooks hooks_;
    CameraLapRouter router_;
    std::unique_ptr<CameraCapture> capture_;
    QTimer expiry_;
};
