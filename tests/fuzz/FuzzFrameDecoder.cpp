// Fuzz target: frames from the receiver. The input configures the kart slot table,
// then is cut into 64-byte frames applied in turn to one fresh Station whose session
// view runs the real lap table. After every frame and lap the target checks what
// must hold whatever the radio sent; at the end the session file the recorder would
// write must read back the same laps.
#include <QSet>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "FakeClock.h"
#include "FrameDecoder.h"
#include "FuzzCheck.h"
#include "IniFile.h"
#include "LapTable.h"
#include "SessionFile.h"
#include "Station.h"
#include "TimeFormat.h"

namespace {

// Slot k's serial is 3 bytes at 3 * (k - 1); bit k - 1 of byte 15 says whether the
// slot has a unit at all (an unconfigured slot keeps serial 0).
constexpr size_t kHeaderBytes = 16;

quint32 Serial(const Frame& frame) {
    return quint32(frame[0]) | quint32(frame[1]) << 8 | quint32(frame[2]) << 16 |
           quint32(frame[3]) << 24;
}

int NonEmptyEntries(const KartSlot& slot) {
    int n = 0;
    while (n < kLapEntries && slot.lap(n + 1).lap_time != 0) {
        ++n;
    }
    for (int j = n + 1; j <= kLapEntries; ++j) {
        FUZZ_CHECK(slot.lap(j).lap_time == 0);  // no gaps in the table
    }
    return n;
}

// The session screen stand-in: enters each lap with the real lap table and checks the
// table against a model that keeps every accepted lap.
class LapModelView final : public SessionView {
  public:
    explicit LapModelView(Station& station) : station_(station) {}

    void RefreshKarts() override {}

    void RecordLap(qint32 lap_time, int slot_number, qint32 rpm_max, qint32 rpm_min) override {
        FUZZ_CHECK(IsValidSlot(slot_number));
        KartSlot& slot = station_.slot(slot_number);
        const qint32 best_before = slot.lap(1).lap_time;
        const qint32 lap_number = slot.current_lap_number;
        const std::array<LapEntry, kLapEntries> table_before = slot.laps_;
        const BestLapsDrawing drawing = EnterLap(slot, lap_time, rpm_max, rpm_min);
        std::vector<qint32>& accepted = accepted_[size_t(slot_number - 1)];
        if (lap_time <= 0) {
            FUZZ_CHECK(drawing.filled < 0);
            for (int j = 1; j <= kLapEntries; ++j) {
                FUZZ_CHECK(slot.lap(j).lap_time == table_before[size_t(j - 1)].lap_time);
            }
            return;
        }
        accepted.push_back(lap_time);

        // The table holds the fastest min(10, laps) times, fastest first.
        std::vector<qint32> fastest = accepted;
        std::sort(fastest.begin(), fastest.end());
        fastest.resize(std::min(fastest.size(), size_t(kLapEntries)));
        const int entries = NonEmptyEntries(slot);
        FUZZ_CHECK(size_t(entries) == fastest.size());
        for (int j = 1; j <= entries; ++j) {
            FUZZ_CHECK(slot.lap(j).lap_time == fastest[size_t(j - 1)]);
        }
        FUZZ_CHECK(slot.best_lap_time == slot.lap(1).lap_time);
        FUZZ_CHECK(slot.last_lap_time == lap_time);
        FUZZ_CHECK(drawing.filled == std::min(entries, BestLapsDrawing::kRows));

        // A lap fast enough to be kept is stored under the lap number of the call.
        if (lap_time < fastest.back() || entries < kLapEntries) {
            bool stored = false;
            for (int j = 1; j <= entries; ++j) {
                stored =
                    stored ||
                    (slot.lap(j).lap_time == lap_time && slot.lap(j).lap_number == lap_number &&
                     slot.lap(j).rpm_max == rpm_max && slot.lap(j).rpm_min == rpm_min);
            }
            FUZZ_CHECK(stored);
        }
        // The gap compares with the best lap of this session as it stood before.
        if (best_before > 0) {
            FUZZ_CHECK(slot.best_lap_delta == std::abs(lap_time - best_before));
            FUZZ_CHECK(slot.best_lap_delta_sign ==
                       (lap_time > best_before ? QStringLiteral("+") : QStringLiteral("-")));
        } else {
            FUZZ_CHECK(slot.best_lap_delta == 0 && slot.best_lap_delta_sign.isEmpty());
        }
    }

  private:
    Station& station_;
    std::array<std::vector<qint32>, kSlotCount> accepted_{};
};

// What a frame may change in a slot; compared before and after each frame.
struct SlotState {
    qint32 node_address, packet_counter, current_lap_number, current_rpm, lap_rpm_max, lap_rpm_min,
        best_lap_time, current_lap_time;
    double temperature1, temperature2, temperature3;
    bool operator==(const SlotState&) const = default;
};

SlotState StateOf(const Station& station, int k) {
    const KartSlot& s = station.slot(k);
    return {s.node_address, s.packet_counter, s.current_lap_number, s.current_rpm,
            s.lap_rpm_max,  s.lap_rpm_min,    s.best_lap_time,      station.current_lap_time(k),
            s.temperature1, s.temperature2,   s.temperature3};
}

void CheckOnlyTheFirstMatchingSlotChanged(const Station& station,
                                          const std::array<SlotState, kSlotCount>& before,
                                          quint32 serial) {
    bool lower_slot_matched = false;
    for (int k = 1; k <= kSlotCount; ++k) {
        const bool matches = quint32(station.slot(k).serial_number) == serial;
        if (!matches || lower_slot_matched) {
            FUZZ_CHECK(StateOf(station, k) == before[size_t(k - 1)]);
        }
        lower_slot_matched = lower_slot_matched || matches;
    }
}

void CheckMemdane(const Memdane& memdane) {
    // Sorted rather than compared pair by pair: a 4 KiB input is 63 frames that may
    // each add a unit, and this runs after every frame.
    std::vector<qint64> serials;
    serials.reserve(memdane.rows().size());
    for (const MemdaneRow& row : memdane.rows()) {
        FUZZ_CHECK(row.sn >= 0 && row.sn <= 0xFFFFFF);
        FUZZ_CHECK(row.kierowca.str().size() <= 12);
        serials.push_back(row.sn);
    }
    std::sort(serials.begin(), serials.end());
    // One row per unit.
    FUZZ_CHECK(std::adjacent_find(serials.begin(), serials.end()) == serials.end());
}

void ApplyFrame(Station& station, const Frame& frame) {
    std::array<SlotState, kSlotCount> before{};
    for (int k = 1; k <= kSlotCount; ++k) {
        before[size_t(k - 1)] = StateOf(station, k);
    }
    const size_t rows_before = station.memdane.rows().size();
    station.receive_buffer = frame;
    DecodeFrame(station);

    if (Serial(frame) == 0xFFFFFFFF) {  // no report: nothing changes
        FUZZ_CHECK(station.receive_buffer == frame);
        FUZZ_CHECK(station.memdane.rows().size() == rows_before);
        CheckOnlyTheFirstMatchingSlotChanged(station, before, 0xFFFFFFFF);
        return;
    }
    Frame masked = frame;
    masked[3] = 0;
    FUZZ_CHECK(station.receive_buffer == masked);
    const quint32 serial = Serial(masked);
    CheckOnlyTheFirstMatchingSlotChanged(station, before, serial);
    CheckMemdane(station.memdane);
    if (frame[9] == 0) {
        FUZZ_CHECK(!station.memdane.rows().empty() && station.memdane.rows().back().sn == serial);
    } else {
        FUZZ_CHECK(station.memdane.rows().size() == rows_before);
    }
    if (frame[9] == 1) {
        FUZZ_CHECK(station.temperature_buffer == masked);
    }
}

// Every field of the slots that the session file holds, as bytes.
QByteArray RecordedFields(const Station& station) {
    QByteArray bytes;
    const auto add = [&](qint32 value) {
        bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
    };
    for (int k = 1; k <= kSlotCount; ++k) {
        const KartSlot& slot = station.slot(k);
        const QString& name = slot.driver_name.str();
        add(qint32(name.size()));
        bytes.append(reinterpret_cast<const char*>(name.utf16()), name.size() * 2);
        add(slot.radio);
        add(slot.serial_number);
        add(slot.best_lap_time);
        for (int j = 1; j <= kLapEntries; ++j) {
            const LapEntry& entry = slot.lap(j);
            add(entry.lap_time);
            add(entry.lap_number);
            add(entry.rpm_max);
            add(entry.rpm_min);
        }
    }
    return bytes;
}

// What the session recorder would write for these slots reads back the same.
void CheckSessionFileRoundTrip(const Station& station) {
    // Most inputs end with a slot table an earlier input ended with (no lap at all is
    // the most common). The file is a function of these fields and the check compares
    // only them, so a table already checked is not checked again: the fuzzer's time
    // goes to decoding. A bound keeps the memory of a long run flat.
    static QSet<QByteArray> checked;
    constexpr qsizetype kMaxRemembered = 20000;
    const QByteArray fields = RecordedFields(station);
    if (checked.contains(fields)) {
        return;
    }
    if (checked.size() < kMaxRemembered) {
        checked.insert(fields);
    }
    SessionRecord record;
    ReadSessionKarts(IniFile::FromText(SessionFileText(station)), &record);
    for (int k = 1; k <= kSlotCount; ++k) {
        const KartSlot& live = station.slot(k);
        const KartSlot& read = record.kart(k);
        FUZZ_CHECK(read.serial_number == live.serial_number);
        FUZZ_CHECK(read.radio == live.radio);
        FUZZ_CHECK(read.driver_name == live.driver_name);
        for (int j = 1; j <= kLapEntries; ++j) {
            const LapEntry& a = live.lap(j);
            const LapEntry& b = read.lap(j);
            FUZZ_CHECK(a.lap_time == b.lap_time && a.lap_number == b.lap_number &&
                       a.rpm_max == b.rpm_max && a.rpm_min == b.rpm_min);
            FUZZ_CHECK(b.lap_time_text == FormatLapTime(quint32(a.lap_time)));
        }
    }
}

// A Station holds today's table of 100 session records, which took most of the time
// of an input to make and destroy; decoding never reads or writes that table. So one
// station serves every input, and each input starts it from what a fresh one holds
// in everything decoding and the lap table touch.
Station& FreshStation() {
    static const FakeClock clock;
    static Station station(clock, QStringLiteral("/nonexistent/"));
    static const std::array<QString, kSlotCount> names = [] {
        std::array<QString, kSlotCount> texts;
        for (int k = 1; k <= kSlotCount; ++k) {
            texts[size_t(k - 1)] = QStringLiteral("Kart %1").arg(k);
        }
        return texts;
    }();
    for (int k = 1; k <= kSlotCount; ++k) {
        station.slot(k) = KartSlot{};
        station.slot(k).driver_name = names[size_t(k - 1)];
        station.current_lap_time(k) = 0;
    }
    station.receive_buffer = {};
    station.temperature_buffer = {};
    station.memdane.Clear();
    station.link_quality.Clear();
    station.session_screen = nullptr;
    station.transmission_test = nullptr;
    FUZZ_CHECK(station.sessions.count == 0);
    return station;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::array<std::uint8_t, kHeaderBytes> header{};
    std::memcpy(header.data(), data, std::min(size, kHeaderBytes));

    Station& station = FreshStation();
    LapModelView view(station);
    station.session_screen = &view;
    for (int k = 1; k <= kSlotCount; ++k) {
        KartSlot& slot = station.slot(k);
        const size_t at = size_t(3 * (k - 1));
        if (header[15] & (1u << (k - 1))) {
            slot.radio = true;
            slot.serial_number =
                qint32(header[at] | header[at + 1] << 8 | quint32(header[at + 2]) << 16);
        }
    }

    for (size_t at = kHeaderBytes; at < size; at += kFrameSize) {
        Frame frame{};
        std::memcpy(frame.data(), data + at, std::min(size - at, size_t(kFrameSize)));
        ApplyFrame(station, frame);
    }
    CheckSessionFileRoundTrip(station);
    station.session_screen = nullptr;  // the view ends with this input
    return 0;
}
