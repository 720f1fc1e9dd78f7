#include "SoakChecker.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "LapTable.h"

namespace soak {
namespace {

constexpr size_t kFaultTexts = 20;
constexpr std::uint8_t kMessageFrame = 0x02;

std::uint32_t U32(const std::vector<std::uint8_t>& b, size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}

std::uint16_t U16(const std::vector<std::uint8_t>& b, size_t at) {
    return std::uint16_t(b[at] | b[at + 1] << 8);
}

double Tenths(const std::vector<std::uint8_t>& b, size_t at) {
    return std::int16_t(U16(b, at)) / 10.0;
}

std::string MessageText(int slot, int id) {
    // Built step by step: gcc 12 at -O3 warns (-Wrestrict) on "K" + std::string.
    std::string text = "K";
    text += std::to_string(slot);
    text += " M";
    text += std::to_string(id);
    return text;
}

}  // namespace

void SoakChecker::Fault(const std::string& text) {
    ++fault_count_;
    if (faults_.size() < kFaultTexts) {
        faults_.push_back(text);
    }
}

int SoakChecker::SlotOf(std::uint32_t serial) const {
    for (int k = 1; k <= kSlotCount; ++k) {
        if (quint32(station_.slot(k).serial_number) == serial) {
            return k;
        }
    }
    return 0;
}

void SoakChecker::OnCall(const sim::Call& call) {
    if (owed_) {
        std::ostringstream text;
        text << "lap lost: slot " << owed_->slot << " lap " << owed_->number << " time "
             << owed_->time << " was delivered whole but not recorded before " << call.Text();
        Fault(text.str());
        owed_.reset();
    }
    const bool reply = last_was_write_;
    last_was_write_ = call.function == "usb_bulk_write";
    last_was_frame_ = !reply && call.function == "usb_bulk_read" && call.result == 64;
    TrackReplug(call);

    if (call.function == "usb_open" && call.result == 0) {
        ++counts_.failed_opens;
    } else if (call.function == "usb_set_configuration" && call.result != 0) {
        ++counts_.failed_configurations;
    } else if (call.function == "usb_claim_interface" && call.result != 0) {
        ++counts_.failed_claims;
    } else if (call.function == "usb_bulk_write") {
        if (call.result < 0) {
            ++counts_.failed_writes;
        }
        if (!call.data.empty() && call.data[0] == kMessageFrame) {
            OnMessageWritten(call.data);
        }
    } else if (call.function == "usb_bulk_read") {
        if (reply) {
            ++counts_.replies;
            if (call.result != 64) {
                ++counts_.silent_replies;
            } else if (call.data[0] != kMessageFrame) {
                ++counts_.frames_eaten;
            }
        } else if (call.result == 64) {
            ++counts_.whole_frames;
            // Each serve pass sends what is queued before it reads.
            for (int k = 1; k <= kSlotCount; ++k) {
                if (outstanding_message_[size_t(k)] != 0) {
                    Fault("message of slot " + std::to_string(k) + " not sent before a read");
                    outstanding_message_[size_t(k)] = 0;
                }
            }
            OnWholeFrame(call.data);
        } else if (call.result >= 0) {
            ++counts_.short_reads;
        } else if (call.result == sim::kTimeout) {
            ++counts_.timeouts;
        } else {
            ++counts_.errors;
        }
    }
}

// The link refreshes the screen after every frame it decodes and after every poll
// cycle: a refresh that follows no frame ends a cycle, whatever USB calls the cycle
// made (none, if a link skipped cycles).
void SoakChecker::RefreshKarts() {
    if (!last_was_frame_) {
        ++counts_.cycles;
        if (awaiting_read_) {
            ++cycles_since_replug_;
        }
    }
    last_was_frame_ = false;
    on_refresh_();
}

void SoakChecker::OnReplug() {
    ++counts_.replugs;
    ++counts_.replugs_between;
    attached_ = true;
    awaiting_read_ = true;
    cycles_since_replug_ = 0;
    failed_opens_since_replug_ = 0;
}

// Counts the poll cycles from a re-plug (by the scan of a cycle, or between two
// cycles) to the first 64-byte read; cycles ended by an injected open,
// configuration or claim failure are not the link's doing and are left out.
void SoakChecker::TrackReplug(const sim::Call& call) {
    const bool attached = sim::SimReceiver::Instance().IsAttached(device_);
    if (attached && !attached_) {
        ++counts_.replugs;
        awaiting_read_ = true;
        cycles_since_replug_ = 0;
        failed_opens_since_replug_ = 0;
    }
    attached_ = attached;
    if (!awaiting_read_) {
        return;
    }
    if ((call.function == "usb_open" && call.result == 0) ||
        (call.function == "usb_set_configuration" && call.result != 0) ||
        (call.function == "usb_claim_interface" && call.result != 0)) {
        ++failed_opens_since_replug_;
    } else if (call.function == "usb_bulk_read" && call.result == 64) {
        awaiting_read_ = false;
        ++counts_.replugs_read;
        counts_.cycles_with_failed_open += failed_opens_since_replug_;
        counts_.worst_cycles_to_read = std::max(
            counts_.worst_cycles_to_read, cycles_since_replug_ + 1 - failed_opens_since_replug_);
    }
}

void SoakChecker::OnWholeFrame(const std::vector<std::uint8_t>& bytes) {
    if (U32(bytes, 0) == 0xFFFFFFFFu) {
        return;  // carries no report
    }
    const std::uint32_t serial = U32(bytes, 0) & 0xFFFFFFu;
    const int slot = SlotOf(serial);
    if (bytes[9] == 1 && slot != 0) {
        temperatures_[size_t(slot)] =
            Temperatures{Tenths(bytes, 28), Tenths(bytes, 30), Tenths(bytes, 32)};
    }
    if (bytes[9] != 0) {
        return;
    }
    lap_in_progress_of_[serial] = bytes[29];
    if (slot == 0 || bytes[24] != 1) {
        return;
    }
    const qint32 in_progress = bytes[29];
    qint32& latched = latched_[size_t(slot)];
    if (latched == 0) {
        latched = in_progress;  // the unit's first report since session start (or lap 0)
        return;
    }
    if (in_progress == latched) {
        return;
    }
    latched = in_progress;
    owed_ = Lap{slot, qint32(U32(bytes, 32)), bytes[25], U16(bytes, 40), U16(bytes, 42)};
    ++counts_.laps_expected;
    auto& fastest = fastest_[size_t(slot)];
    fastest.insert(owed_->time);
    if (fastest.size() > size_t(kLapEntries)) {
        fastest.erase(std::prev(fastest.end()));
    }
    last_lap_[size_t(slot)] = owed_->time;
}

void SoakChecker::RecordLap(qint32 lap_time, int slot, qint32 rpm_max, qint32 rpm_min) {
    ++counts_.laps_recorded;
    const Lap recorded{slot, lap_time, station_.slot(slot).current_lap_number, rpm_max, rpm_min};
    if (!owed_) {
        Fault("lap invented: slot " + std::to_string(slot) + " lap " +
              std::to_string(recorded.number) + " time " + std::to_string(lap_time));
    } else if (!(*owed_ == recorded)) {
        Fault("lap differs: slot " + std::to_string(slot) + " lap " +
              std::to_string(recorded.number) + " time " + std::to_string(lap_time) +
              ", delivered lap " + std::to_string(owed_->number) + " time " +
              std::to_string(owed_->time));
    }
    owed_.reset();
    EnterLap(station_.slot(slot), lap_time, rpm_max, rpm_min);
}

void SoakChecker::QueueMessage(int slot, int id) {
    KartSlot& s = station_.slot(slot);
    if (s.message_pending) {
        return;
    }
    if (!s.message_line1.isEmpty()) {
        Fault("slot " + std::to_string(slot) + " kept the line of a message already sent");
    }
    s.message_line1 = QString::fromStdString(MessageText(slot, id));
    s.message_line2 = QStringLiteral("soak");
    s.message_immediate = id % 2;
    s.message_pending = true;
    outstanding_message_[size_t(slot)] = id;
    ++counts_.messages_queued;
}

void SoakChecker::OnMessageWritten(const std::vector<std::uint8_t>& bytes) {
    ++counts_.messages_written;
    std::string line(bytes.begin() + 13, bytes.begin() + 25);
    line.erase(line.find_last_not_of(' ') + 1);
    for (int k = 1; k <= kSlotCount; ++k) {
        const int id = outstanding_message_[size_t(k)];
        if (id != 0 && line == MessageText(k, id)) {
            outstanding_message_[size_t(k)] = 0;
            if (U16(bytes, 1) != std::uint16_t(station_.slot(k).node_address)) {
                Fault("message " + line + " went to node " + std::to_string(U16(bytes, 1)));
            }
            return;
        }
    }
    Fault("message written that was not queued (or twice): '" + line + "'");
}

void SoakChecker::Finish() {
    if (owed_) {
        Fault("lap lost at the end: slot " + std::to_string(owed_->slot));
        owed_.reset();
    }
    if (awaiting_read_) {
        Fault("the receiver came back at the end and was never read");
    }
    for (int k = 1; k <= kSlotCount; ++k) {
        const KartSlot& slot = station_.slot(k);
        const std::string name = "slot " + std::to_string(k) + ": ";
        std::vector<qint32> stored;
        for (int j = 1; j <= kLapEntries; ++j) {
            if (slot.lap(j).lap_time != 0) {
                stored.push_back(slot.lap(j).lap_time);
            }
        }
        const auto& fastest = fastest_[size_t(k)];
        if (stored != std::vector<qint32>(fastest.begin(), fastest.end())) {
            Fault(name + "the lap table is not the ten fastest laps delivered");
        }
        if (!fastest.empty() && slot.best_lap_time != *fastest.begin()) {
            Fault(name + "best lap " + std::to_string(slot.best_lap_time));
        }
        if (slot.last_lap_time != last_lap_[size_t(k)]) {
            Fault(name + "last lap " + std::to_string(slot.last_lap_time));
        }
        if (const auto& t = temperatures_[size_t(k)];
            t && (slot.temperature1 != t->t1 || slot.temperature2 != t->t2 ||
                  slot.temperature3 != t->t3)) {
            Fault(name + "temperatures are not those of the last temperature frame");
        }
        const bool outstanding = outstanding_message_[size_t(k)] != 0;
        if (outstanding != slot.message_pending) {
            Fault(name + "message pending flag does not match what was written");
        }
        if (!slot.message_pending && !slot.message_line1.isEmpty()) {
            Fault(name + "message lines not emptied after sending");
        }
    }
    for (const MemdaneRow& row : station_.memdane.rows()) {
        const auto it = lap_in_progress_of_.find(std::uint32_t(row.sn));
        if (it == lap_in_progress_of_.end()) {
            Fault("memdane holds a unit that never reported: " + std::to_string(row.sn));
        } else if (row.akt_numer_okrazenia != it->second) {
            Fault("memdane row of " + std::to_string(row.sn) + " is not the unit's last report");
        }
    }
    if (station_.memdane.rows().size() != lap_in_progress_of_.size()) {
        Fault("memdane has " + std::to_string(station_.memdane.rows().size()) + " rows for " +
              std::to_string(lap_in_progress_of_.size()) + " units heard");
    }
}

}  // namespace soak
