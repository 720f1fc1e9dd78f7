#pragma once

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "SimReceiver.h"
#include "Station.h"

namespace soak {

// What the link did, counted from the libusb calls it made.
struct ObservedCounts {
    long cycles = 0;  // poll cycles the loop ran (its refresh after each cycle)
    long whole_frames = 0;
    long short_reads = 0;
    long timeouts = 0;
    long errors = 0;
    long failed_opens = 0;
    long failed_configurations = 0;
    long failed_claims = 0;
    long failed_writes = 0;
    long replies = 0;         // reads right after a message write
    long silent_replies = 0;  // ... that got nothing
    long frames_eaten = 0;    // ... that took a unit's frame (the write had failed)
    long messages_queued = 0;
    long messages_written = 0;
    long replugs = 0;                  // by a bus scan or between cycles
    long replugs_between = 0;          // of which between cycles
    long replugs_read = 0;             // re-plugs followed by a read
    long worst_cycles_to_read = 0;     // after a re-plug, not counting failed opens
    long cycles_with_failed_open = 0;  // ... which were left out
    long laps_expected = 0;
    long laps_recorded = 0;
};

// Stands in for the session screen: enters each lap with the real lap-table logic
// and checks it against what the simulated receiver delivered whole. It also
// watches every libusb call: the expected laps come from the 64-byte reads the
// link decodes (not the reply read after a message write, whose bytes the link
// discards), so a lap is expected exactly when its frame arrived whole.
class SoakChecker : public SessionView {
  public:
    SoakChecker(Station& station, int device, std::function<void()> on_refresh)
        : station_(station), device_(device), on_refresh_(std::move(on_refresh)) {}

    void OnCall(const sim::Call& call);
    void RefreshKarts() override;
    void RecordLap(qint32 lap_time, int slot, qint32 rpm_max, qint32 rpm_min) override;

    // The receiver was plugged in again between two poll cycles.
    void OnReplug();
    // Queues a driver message in a slot that has none pending.
    void QueueMessage(int slot, int id);
    // A lap still owed at the end was lost; slots and memdane must match the
    // frames delivered.
    void Finish();

    const ObservedCounts& counts() const { return counts_; }
    long fault_count() const { return fault_count_; }
    const std::vector<std::string>& faults() const { return faults_; }

  private:
    struct Lap {
        int slot = 0;
        qint32 time = 0;
        qint32 number = 0;
        qint32 rpm_max = 0;
        qint32 rpm_min = 0;
        bool operator==(const Lap&) const = default;
    };
    struct Temperatures {
        double t1 = 0, t2 = 0, t3 = 0;
    };

    void Fault(const std::string& text);
    void OnWholeFrame(const std::vector<std::uint8_t>& bytes);
    void OnMessageWritten(const std::vector<std::uint8_t>& bytes);
    void TrackReplug(const sim::Call& call);
    int SlotOf(std::uint32_t serial) const;

    Station& station_;
    int device_;
    std::function<void()> on_refresh_;
    ObservedCounts counts_;
    long fault_count_ = 0;
    std::vector<std::string> faults_;  // the first few, for the failure message

    bool last_was_write_ = false;
    bool last_was_frame_ = false;  // a 64-byte read the link decodes
    std::optional<Lap> owed_;      // delivered, to be recorded before the next call
    std::array<qint32, kSlotCount + 1> latched_{};  // lap in progress as last delivered
    std::array<std::multiset<qint32>, kSlotCount + 1> fastest_;  // ten fastest, per slot
    std::array<qint32, kSlotCount + 1> last_lap_{};
    std::array<std::optional<Temperatures>, kSlotCount + 1> temperatures_;
    std::map<std::uint32_t, int> lap_in_progress_of_;        // per serial, last timing frame
    std::array<int, kSlotCount + 1> outstanding_message_{};  // id, 0 = none

    bool attached_ = true;
    bool awaiting_read_ = false;
    long cycles_since_replug_ = 0;  // cycles ended since the re-plug
    long failed_opens_since_replug_ = 0;
};

}  // namespace soak
