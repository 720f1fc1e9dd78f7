#include "SessionCamera.h"

#include "CameraTiming.h"
#include "KartSettingsFile.h"
#include "Station.h"
#include "Tfekranglowny.h"

std::unique_ptr<CameraTiming> StartSessionCamera(Station& station, Tfekranglowny& screen,
                                                 const QString& journal_path) {
    const CameraSettings settings = LoadCameraSettings(KartSettingsPath(station));
    if (!settings.enabled) {
        return nullptr;
    }
    const QString log_path = journal_path.isEmpty() ? QString() : CameraLogPathFor(journal_path);
    CameraTiming::Hooks hooks;
    hooks.complete_lap = [&screen](int slot, qint64 counter) {
        return screen.CompleteLapAt(slot, counter);
    };
    hooks.show_status = [&screen](const QString& text, bool healthy) {
        screen.ShowCameraStatus(text, healthy);
    };
    hooks.log = [log_path](const QString& line) {
        if (!log_path.isEmpty()) {
            AppendCameraLogLine(log_path, line);
        }
    };
    // Read at each crossing: the kart's settings may change during the session.
    hooks.times_slot = [&station](int slot) {
        const KartSlot& kart = station.slot(slot);
        return kart.camera_timed && !kart.radio;
    };
    auto camera = std::make_unique<CameraTiming>(station.clock(), settings, std::move(hooks));
    camera->Start();
    return camera;
}
