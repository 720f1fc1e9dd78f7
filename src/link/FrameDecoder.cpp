#include "FrameDecoder.h"

#include <QStringView>

#include "FrameBytes.h"
#include "Text.h"
#include "TimeFormat.h"

namespace {

constexpr quint32 kNoReport = 0xFFFFFFFF;
constexpr quint8 kTimingFrame = 0;
constexpr quint8 kTemperatureFrame = 1;
constexpr size_t kDriverTextAt = 12;
constexpr size_t kDriverTextBytes = 12;

// 0 when no slot carries the serial number; the lower slot wins a duplicate.
int FirstSlotWithSerial(const Station& station, quint32 serial) {
    for (int k = 1; k <= kSlotCount; ++k) {
        if (quint32(station.slot(k).serial_number) == serial) {
            return k;
        }
    }
    return 0;
}

// Units pad short driver texts with NUL bytes: the text ends at the first one. It
// rarely changes, so it is compared with the row's before a new string is made.
void UpdateDriverText(BoundedText<20>& text, const Frame& frame, bool fresh) {
    const auto* begin = reinterpret_cast<const char*>(frame.data()) + kDriverTextAt;
    char16_t decoded[kDriverTextBytes];
    qsizetype length = 0;
    while (length < qsizetype(kDriverTextBytes) && begin[length] != '\0') {
        decoded[length] = DecodeWindows1250Byte(static_cast<unsigned char>(begin[length]));
        ++length;
    }
    const QStringView now(decoded, length);
    if (!fresh && text.str() == now) {
        return;
    }
    text = now.toString();
}

// A time and its text; the text is formatted only when the time changed. Each
// unit sends several frames a second, most of them changing only the running time.
// The running and session times change with every frame: their texts are rewritten
// in the row's own buffer instead of allocating a new string each time.
void UpdateTime(qint32& value, BoundedText<20>& text, quint32 raw, bool fresh) {
    if (!fresh && value == qint32(raw)) {
        return;
    }
    value = qint32(raw);
    text.Rewrite([raw](QString& buffer) { FormatLapTimeInto(raw, buffer); });
}

void UpdateRowFromTimingFrame(Memdane& memdane, const Frame& frame, quint32 serial) {
    bool fresh = false;
    MemdaneRow& row = memdane.MoveToEnd(serial, fresh);
    row.adres_wezla = ReadU16(frame, 4);
    row.wyscig_trwa = frame[24] == 1;
    row.numer_okrazenia = frame[25];
    row.numer_sektora = frame[26];
    row.ilosc_paskow = frame[27];
    row.nr_okrazenia_sek = frame[28];
    row.akt_numer_okrazenia = frame[29];
    row.akt_numer_sektora = frame[30];
    UpdateTime(row.czas_okrazenia, row.czas_okrazenia_str, ReadU32(frame, 32), fresh);
    UpdateTime(row.czas_sektora, row.czas_sektora_str, ReadU32(frame, 36), fresh);
    row.obroty_max_okr = ReadU16(frame, 40);
    row.obroty_min_okr = ReadU16(frame, 42);
    row.obroty_max_sektor = ReadU16(frame, 44);
    row.obroty_min_sektor = ReadU16(frame, 46);
    row.v_bat = 0;
    row.v_aku = 0;
    UpdateTime(row.aktualny_czas_okr, row.aktualny_czas_okr_str, ReadU32(frame, 48), fresh);
    UpdateTime(row.akt_czas_sesji, row.akt_czas_sesji_str, ReadU32(frame, 52), fresh);
    row.aktualne_obroty = ReadU16(frame, 56);
    UpdateTime(row.czas_naj, row.czas_naj_str, ReadU32(frame, 60), fresh);
    UpdateDriverText(row.kierowca, frame, fresh);
}

// Race in progress: running lap time, engine speed and lap completion. A lap is
// complete when the unit's lap-in-progress counter differs from the one remembered.
void LapStep(Station& station, const Frame& frame, quint32 serial) {
    const int k = FirstSlotWithSerial(station, serial);
    if (k == 0) {
        return;
    }
    KartSlot& slot = station.slot(k);
    slot.node_address = ReadU16(frame, 4);
    station.current_lap_time(k) = qint32(ReadU32(frame, 48));
    slot.current_rpm = ReadU16(frame, 56);
    if (station.session_screen != nullptr) {
        // Before the lap: the frame that completes a lap carries its last sector.
        station.session_screen->ReportSector(
            k, SectorReport{frame[26], frame[28], ReadU32(frame, 36), ReadU16(frame, 44),
                            ReadU16(frame, 46)});
    }

    const qint32 lap_in_progress = frame[29];
    if (slot.current_lap_number == 0) {
        slot.current_lap_number = lap_in_progress;  // first frame since session start
        return;
    }
    if (lap_in_progress == slot.current_lap_number) {
        return;
    }
    // RecordLap numbers the new lap entry from current_lap_number.
    slot.current_lap_number = frame[25];
    if (station.session_screen != nullptr) {
        station.session_screen->RecordLap(qint32(ReadU32(frame, 32)), k, ReadU16(frame, 40),
                                          ReadU16(frame, 42));
    }
    slot.current_lap_number = lap_in_progress;
}

void DecodeTimingFrame(Station& station, const Frame& frame, quint32 serial, qint64 now) {
    station.link_quality.Heard(serial, frame[8], now);
    UpdateRowFromTimingFrame(station.memdane, frame, serial);
    if (frame[24] == 1) {
        LapStep(station, frame, serial);
    }
    const int k = FirstSlotWithSerial(station, serial);
    if (k == 0) {
        return;
    }
    KartSlot& slot = station.slot(k);
    slot.node_address = ReadU16(frame, 4);
    slot.packet_counter = frame[8];
    slot.lap_rpm_max = ReadU16(frame, 40);
    slot.lap_rpm_min = ReadU16(frame, 42);
}

void DecodeTemperatureFrame(Station& station, const Frame& frame, quint32 serial) {
    station.temperature_buffer = frame;
    const int k = FirstSlotWithSerial(station, serial);
    if (k == 0) {
        return;
    }
    KartSlot& slot = station.slot(k);
    slot.node_address = ReadU16(frame, 4);
    slot.temperature1 = ReadI16(frame, 28) / 10.0;
    slot.temperature2 = ReadI16(frame, 30) / 10.0;
    slot.temperature3 = ReadI16(frame, 32) / 10.0;
}

}  // namespace

void DecodeFrame(Station& station) {
    DecodeFrame(station, station.clock().PerformanceCounter());
}

void DecodeFrame(Station& station, qint64 now) {
    Frame& frame = station.receive_buffer;
    if (ReadU32(frame, 0) == kNoReport) {
        return;
    }
    // Only the low 24 bits of the serial number count; the buffer keeps the masked
    // value, which the transmission test reads back.
    frame[3] = 0;
    const quint32 serial = ReadU32(frame, 0);
    switch (frame[9]) {
        case kTimingFrame:
            DecodeTimingFrame(station, frame, serial, now);
            break;
        case kTemperatureFrame:
            DecodeTemperatureFrame(station, frame, serial);
            break;
        default:
            break;
    }
}
