#include "MarkerTracker.h"

#include <cmath>

namespace {

// Sightings further apart than this belong to different passes (a kart that went
// out of the band and came back), so nothing is interpolated across them.
constexpr double kMarkerMaxGapSeconds = 0.5;
// A marker wobbling on the line must not make a second crossing.
constexpr double kMarkerRecrossSeconds = 1.0;

}  // namespace

std::vector<CameraCrossing> MarkerTracker::AddFrame(double time_s,
                                                    const std::vector<Sighting>& sightings) {
    std::vector<CameraCrossing> crossings;
    for (const Sighting& seen : sightings) {
        auto found = tracks_.find(seen.id);
        if (found == tracks_.end()) {
            tracks_[seen.id] = {time_s, seen.centre_x, -1e9};
            continue;
        }
        Track& track = found->second;
        const double before = track.centre_x - line_x_;
        const double after = seen.centre_x - line_x_;
        const bool passed = (before < 0 && after >= 0) || (before > 0 && after <= 0);
        const bool close = time_s - track.time_s <= kMarkerMaxGapSeconds && time_s > track.time_s;
        if (passed && close && time_s - track.last_crossing_s > kMarkerRecrossSeconds) {
            const double share = std::abs(before) / (std::abs(before) + std::abs(after));
            const double at = track.time_s + share * (time_s - track.time_s);
            crossings.push_back({seen.id, at, CameraCrossing::Method::Marker});
            track.last_crossing_s = at;
        }
        track.time_s = time_s;
        track.centre_x = seen.centre_x;
    }
    return crossings;
}
