#pragma once

#include <map>
#include <vector>

#include "CameraCrossing.h"

// Turns marker sightings (id, frame time, centre column) into line crossings. The
// crossing time is interpolated between the last sighting before and the first after
// the centre passes the line; the frames' timestamps are used, not their count, so a
// dropped frame only widens the interval.
class MarkerTracker {
  public:
    explicit MarkerTracker(double line_x) : line_x_(line_x) {}

    // Sightings of one frame, in time order; returns the crossings they complete.
    struct Sighting {
        int id;
        double centre_x;
    };
    std::vector<CameraCrossing> AddFrame(double time_s, const std::vector<Sighting>& sightings);

  private:
    struct Track {
        double time_s;
        double centre_x;
        double last_crossing_s;
    };
    double line_x_;
    std::map<int, Track> tracks_;
};
