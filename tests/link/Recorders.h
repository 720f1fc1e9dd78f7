#pragma once

#include <functional>
#include <string>
#include <vector>

#include "FakeClock.h"
#include "Station.h"

struct RecordedLap {
    qint32 lap_time;
    int slot;
    qint32 rpm_max;
    qint32 rpm_min;
    qint32 lap_number_during_call;  // the slot's current_lap_number while RecordLap runs
    bool operator==(const RecordedLap&) const = default;
};

// Stands in for the session screen: records laps and refreshes.
class RecordingSessionView : public SessionView {
  public:
    explicit RecordingSessionView(Station& station) : station_(station) {}
    void RefreshKarts() override {
        ++refreshes;
        events.push_back("refresh");
    }
    void RecordLap(qint32 lap_time, int slot, qint32 rpm_max, qint32 rpm_min) override {
        laps.push_back({lap_time, slot, rpm_max, rpm_min, station_.slot(slot).current_lap_number});
        events.push_back("lap");
        if (on_lap) {
            on_lap();
        }
    }

    std::vector<RecordedLap> laps;
    std::vector<std::string> events;
    int refreshes = 0;
    std::function<void()> on_lap;

  private:
    Station& station_;
};

struct TransmissionUpdate {
    qint32 serial;
    qint32 counter;
    qint32 network;
    bool operator==(const TransmissionUpdate&) const = default;
};

class RecordingTransmissionView : public TransmissionView {
  public:
    void UpdateTransmission(qint32 serial, qint32 counter, qint32 network) override {
        updates.push_back({serial, counter, network});
    }
    std::vector<TransmissionUpdate> updates;
};

// A station with a fake clock, as every link test needs one.
struct TestStation {
    FakeClock clock;
    Station station{clock, QStringLiteral("/nonexistent/")};
};
