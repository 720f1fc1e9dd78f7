#include <gtest/gtest.h>

#include <array>
#include <random>

#include "FrameDecoder.h"
#include "Recorders.h"
#include "SimFrames.h"

namespace {

class FrameDecoderTest : public ::testing::Test {
  protected:
    FrameDecoderTest() { station.session_screen = &view; }

    void Decode(const sim::Bytes64& frame) {
        station.receive_buffer = frame;
        DecodeFrame(station);
    }

    // A racing unit's frame: lap in progress, last completed lap and its time.
    static sim::Bytes64 Racing(std::uint32_t serial, std::uint8_t lap_in_progress,
                               std::uint8_t completed = 0, std::uint32_t lap_time = 0) {
        sim::TimingFields f;
        f.serial = serial;
        f.node = 0x0A0B;
        f.race = 1;
        f.lap_in_progress = lap_in_progress;
        f.lap = completed;
        f.lap_time = lap_time;
        f.lap_rpm_max = 11000;
        f.lap_rpm_min = 5000;
        f.running_lap_time = 1234;
        f.rpm = 9000;
        return sim::MakeTimingFrame(f);
    }

    TestStation test;
    Station& station = test.station;
    RecordingSessionView view{station};
};

// Every field of a timing frame, placed by hand at its byte offset.
TEST_F(FrameDecoderTest, TimingFrameFillsTheMemdaneRowFromItsBytes) {
    const QByteArray hex =
        "78563412"  // serial 0x12345678
        "0201"
        "0000"
        "07"
        "00"                        // node 0x0102, unused, counter 7, timing frame
        "0000"                      // unused
        "4a616bb97200000000000000"  // "Jakšr" in Windows-1250 (0xB9 = ą) then NULs
        "01"
        "03"
        "02"
        "05"
        "04"
        "06"
        "01"
        "00"
        "06180000"  // lap time 6150
        "00000080"  // sector time 0x80000000
        "f82a"
        "8813"
        "1027"
        "e803"  // 11000, 5000, 10000, 1000
        "10270000"
        "a0860100"  // running lap 10000, session 100000
        "2823"
        "0000"
        "05180000";  // rpm 9000, unused, best 6149
    const QByteArray bytes = QByteArray::fromHex(hex);
    ASSERT_EQ(bytes.size(), 64);
    std::copy(bytes.begin(), bytes.end(), station.receive_buffer.begin());
    station.receive_buffer[20] = 'X';  // after a NUL: not part of the driver text
    DecodeFrame(station);

    ASSERT_EQ(station.memdane.rows().size(), 1u);
    const MemdaneRow& row = station.memdane.rows()[0];
    EXPECT_EQ(row.sn, 0x345678);
    EXPECT_EQ(row.adres_wezla, 0x0102);
    EXPECT_TRUE(row.wyscig_trwa);
    EXPECT_EQ(
        (std::vector<int>{row.numer_okrazenia, row.numer_sektora, row.ilosc_paskow,
                          row.nr_okrazenia_sek, row.akt_numer_okrazenia, row.akt_numer_sektora}),
        (std::vector<int>{3, 2, 5, 4, 6, 1}));
    EXPECT_EQ(row.czas_okrazenia, 6150);
    EXPECT_EQ(row.czas_okrazenia_str.str(), "01:01:50");
    EXPECT_EQ(quint32(row.czas_sektora), 0x80000000u);
    EXPECT_EQ(row.czas_sektora_str.str(), "357913:56:48");  // positive, not negative
    EXPECT_EQ((std::vector<int>{row.obroty_max_okr, row.obroty_min_okr, row.obroty_max_sektor,
                                row.obroty_min_sektor}),
              (std::vector<int>{11000, 5000, 10000, 1000}));
    EXPECT_EQ(row.aktualny_czas_okr, 10000);
    EXPECT_EQ(row.aktualny_czas_okr_str.str(), "01:40:00");
    EXPECT_EQ(row.akt_czas_sesji, 100000);
    EXPECT_EQ(row.aktualne_obroty, 9000);
    EXPECT_EQ(row.czas_naj, 6149);
    EXPECT_EQ(row.czas_naj_str.str(), "01:01:49");
    EXPECT_EQ(row.kierowca.str(), QString::fromUtf8("Jakąr"));
    EXPECT_EQ(row.v_bat, 0);
    // The masked serial number is written back into the buffer.
    EXPECT_EQ(station.receive_buffer[3], 0);
    EXPECT_EQ(station.receive_buffer[0], 0x78);
}

TEST_F(FrameDecoderTest, SerialNumbersAreMaskedAndAllOnesIsSkipped) {
    station.slot(1).serial_number = 0x345678;
    station.slot(2).serial_number = 0xFFFFFF;
    station.slot(3).serial_number = 0;

    Decode(Racing(0x12345678, 3));
    EXPECT_EQ(station.slot(1).current_lap_number, 3);
    EXPECT_EQ(station.slot(1).node_address, 0x0A0B);

    sim::Bytes64 all_ones = Racing(0xFFFFFFFF, 5);
    Decode(all_ones);
    EXPECT_EQ(station.slot(2).current_lap_number, 0);
    EXPECT_EQ(station.slot(3).current_lap_number, 0);
    EXPECT_EQ(station.memdane.rows().size(), 1u);
    EXPECT_EQ(station.receive_buffer, all_ones);  // left untouched

    Decode(Racing(0x00FFFFFF, 6));
    EXPECT_EQ(station.slot(2).current_lap_number, 6);
    EXPECT_EQ(station.memdane.rows().back().sn, 0xFFFFFF);
}

TEST_F(FrameDecoderTest, ALapIsRecordedWhenTheLapInProgressChanges) {
    station.slot(2).serial_number = 0x42;
    Decode(Racing(0x42, 3, 2, 5000));  // first frame only latches
    Decode(Racing(0x42, 3, 2, 5000));  // same lap still running
    EXPECT_TRUE(view.laps.empty());
    EXPECT_EQ(station.slot(2).current_lap_number, 3);

    sim::TimingFields f;
    f.serial = 0x42;
    f.race = 1;
    f.lap_in_progress = 4;
    f.lap = 3;
    f.lap_time = 6233;
    f.lap_rpm_max = 12000;
    f.lap_rpm_min = 4800;
    f.running_lap_time = 17;
    f.rpm = 7000;
    Decode(sim::MakeTimingFrame(f));
    ASSERT_EQ(view.laps.size(), 1u);
    EXPECT_EQ(view.laps[0], (RecordedLap{6233, 2, 12000, 4800, 3}));
    EXPECT_EQ(station.slot(2).current_lap_number, 4);
    EXPECT_EQ(station.current_lap_time(2), 17);
    EXPECT_EQ(station.slot(2).current_rpm, 7000);
    EXPECT_EQ(station.slot(2).lap_rpm_max, 12000);
}

TEST_F(FrameDecoderTest, ALapInProgressOfZeroRecordsOneLapAndRestartsTheCount) {
    station.slot(1).serial_number = 7;
    Decode(Racing(7, 9));
    Decode(Racing(7, 0, 9, 4000));
    ASSERT_EQ(view.laps.size(), 1u);
    EXPECT_EQ(view.laps[0].lap_time, 4000);
    EXPECT_EQ(station.slot(1).current_lap_number, 0);

    Decode(Racing(7, 1, 0, 3000));  // treated as a first frame again
    EXPECT_EQ(view.laps.size(), 1u);
    EXPECT_EQ(station.slot(1).current_lap_number, 1);
    Decode(Racing(7, 5, 4, 3100));  // a jump of several laps records one lap
    EXPECT_EQ(view.laps.size(), 2u);
}

TEST_F(FrameDecoderTest, WithoutARaceOnlyMemdaneAndTheSlotsRadioFieldsChange) {
    station.slot(1).serial_number = 9;
    station.slot(1).current_lap_number = 2;
    station.slot(1).current_rpm = 55;
    station.current_lap_time(1) = 66;
    sim::TimingFields f;
    f.serial = 9;
    f.race = 2;  // only the value 1 means a race
    f.node = 0x1234;
    f.counter = 200;
    f.lap_in_progress = 8;
    f.lap_rpm_max = 13000;
    f.lap_rpm_min = 3000;
    f.rpm = 8000;
    f.running_lap_time = 999;
    Decode(sim::MakeTimingFrame(f));

    const KartSlot& slot = station.slot(1);
    EXPECT_EQ(slot.node_address, 0x1234);
    EXPECT_EQ(slot.packet_counter, 200);
    EXPECT_EQ(slot.lap_rpm_max, 13000);
    EXPECT_EQ(slot.lap_rpm_min, 3000);
    EXPECT_EQ(slot.current_lap_number, 2);
    EXPECT_EQ(slot.current_rpm, 55);
    EXPECT_EQ(station.current_lap_time(1), 66);
    EXPECT_TRUE(view.laps.empty());
    ASSERT_EQ(station.memdane.rows().size(), 1u);
    EXPECT_FALSE(station.memdane.rows()[0].wyscig_trwa);
}

TEST_F(FrameDecoderTest, OnlyTheLowerOfTwoSlotsWithTheSameSerialIsUpdated) {
    station.slot(3).serial_number = 5;
    station.slot(4).serial_number = 5;
    Decode(Racing(5, 1));
    Decode(Racing(5, 2, 1, 4321));
    sim::TemperatureFields t;
    t.serial = 5;
    t.node = 77;
    t.temp1 = 300;
    Decode(sim::MakeTemperatureFrame(t));

    EXPECT_EQ(station.slot(3).current_lap_number, 2);
    EXPECT_EQ(station.slot(3).temperature1, 30.0);
    ASSERT_EQ(view.laps.size(), 1u);
    EXPECT_EQ(view.laps[0].slot, 3);
    const KartSlot& other = station.slot(4);
    EXPECT_EQ(other.current_lap_number, 0);
    EXPECT_EQ(other.node_address, 0);
    EXPECT_EQ(other.packet_counter, 0);
    EXPECT_EQ(other.temperature1, 0.0);
    EXPECT_EQ(station.current_lap_time(4), 0);
}

TEST_F(FrameDecoderTest, AHandTimedSlotWithTheSerialOfAUnitGetsThatUnitsLaps) {
    // Slots are matched by serial number only; the radio flag plays no part. Every
    // slot left at serial 0 matches a unit reporting 0, and the first one takes it.
    for (int k = 1; k <= kSlotCount; ++k) {
        ASSERT_FALSE(station.slot(k).radio);
        ASSERT_EQ(station.slot(k).serial_number, 0);
    }
    Decode(Racing(0, 1));
    Decode(Racing(0, 2, 1, 5432));
    ASSERT_EQ(view.laps.size(), 1u);
    EXPECT_EQ(view.laps[0], (RecordedLap{5432, 1, 11000, 5000, 1}));
    EXPECT_EQ(station.current_lap_time(1), 1234);
    EXPECT_EQ(station.slot(1).current_rpm, 9000);
    EXPECT_EQ(station.slot(1).node_address, 0x0A0B);
    EXPECT_EQ(station.slot(2).current_lap_number, 0);

    // A unit 0 whose top byte is set is still unit 0.
    Decode(Racing(0x5A000000, 3, 2, 5100));
    EXPECT_EQ(view.laps.size(), 2u);
}

TEST_F(FrameDecoderTest, TemperatureFramesSetTheSlotButNotMemdaneOrTheCounter) {
    station.slot(5).serial_number = 0x345678;
    station.slot(5).packet_counter = 9;
    sim::TemperatureFields t;
    t.serial = 0x12345678;
    t.node = 0x0304;
    t.counter = 100;
    t.temp1 = -200;  // bytes 0x38 0xFF
    t.temp2 = 255;
    t.temp3 = 32767;
    const sim::Bytes64 frame = sim::MakeTemperatureFrame(t);
    ASSERT_EQ(frame[28], 0x38);
    ASSERT_EQ(frame[29], 0xFF);
    Decode(frame);

    const KartSlot& slot = station.slot(5);
    EXPECT_DOUBLE_EQ(slot.temperature1, -20.0);
    EXPECT_DOUBLE_EQ(slot.temperature2, 25.5);
    EXPECT_DOUBLE_EQ(slot.temperature3, 3276.7);
    EXPECT_EQ(slot.node_address, 0x0304);
    EXPECT_EQ(slot.packet_counter, 9);
    EXPECT_TRUE(station.memdane.rows().empty());
    EXPECT_EQ(station.temperature_buffer, station.receive_buffer);

    // An unknown unit's temperature frame is still kept in the buffer, nothing else.
    t.serial = 0x999;
    Decode(sim::MakeTemperatureFrame(t));
    EXPECT_EQ(station.temperature_buffer[0], 0x99);
    EXPECT_DOUBLE_EQ(slot.temperature1, -20.0);
}

TEST_F(FrameDecoderTest, MemdaneKeepsOneRowPerUnitWithTheLatestLast) {
    sim::TimingFields f;
    f.serial = 1;
    f.driver = "ALPHA";
    Decode(sim::MakeTimingFrame(f));
    f.serial = 2;
    Decode(sim::MakeTimingFrame(f));
    f.serial = 1;
    f.driver = "123456789012";  // all 12 bytes, no NUL
    f.counter = 44;
    Decode(sim::MakeTimingFrame(f));
    f.type = 7;  // unknown frame types are ignored
    f.serial = 3;
    Decode(sim::MakeTimingFrame(f));

    const auto& rows = station.memdane.rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].sn, 2);
    EXPECT_EQ(rows[1].sn, 1);
    EXPECT_EQ(rows[1].kierowca.str(), "123456789012");
}

// Every timing frame counts for its unit's link quality, slot or not; temperature
// frames, other types and frames without a report do not.
TEST_F(FrameDecoderTest, TimingFramesFeedTheLinkQualityOfTheirUnit) {
    sim::TimingFields f;
    f.serial = 0x12000777;  // counted as unit 0x000777, which is in no slot
    f.counter = 254;
    Decode(sim::MakeTimingFrame(f));
    test.clock.AdvanceCentiseconds(20);
    f.counter = 1;  // 255 and 0 lost across the wrap
    Decode(sim::MakeTimingFrame(f));

    sim::TemperatureFields t;
    t.serial = 0x777;
    t.counter = 9;
    Decode(sim::MakeTemperatureFrame(t));
    f.type = 7;
    f.counter = 50;
    Decode(sim::MakeTimingFrame(f));
    Decode(Racing(0xFFFFFFFF, 5));  // no report

    const UnitLink* unit = station.link_quality.Find(0x777);
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->received, 2);
    EXPECT_EQ(unit->lost, 2);
    EXPECT_EQ(unit->counter, 1);
    EXPECT_EQ(unit->last_heard, test.clock.PerformanceCounter());
    EXPECT_EQ(station.link_quality.size(), 1u);
}

// The serve loop passes the counter it read when the frame arrived.
TEST_F(FrameDecoderTest, AFrameIsHeardAtTheCounterItArrivedAt) {
    sim::TimingFields f;
    f.serial = 0x888;
    f.counter = 3;
    station.receive_buffer = sim::MakeTimingFrame(f);
    const qint64 arrived = test.clock.PerformanceCounter() - 1234;
    DecodeFrame(station, arrived);
    const UnitLink* unit = station.link_quality.Find(0x888);
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->last_heard, arrived);
    EXPECT_EQ(unit->received, 1);
}

// Every field of a row, numbers and texts, for comparing two rows whole.
QStringList RowFields(const MemdaneRow& r) {
    QStringList fields;
    for (const qint64 n : {qint64(r.sn),
                           qint64(r.adres_wezla),
                           qint64(r.wyscig_trwa),
                           qint64(r.numer_okrazenia),
                           qint64(r.numer_sektora),
                           qint64(r.ilosc_paskow),
                           qint64(r.nr_okrazenia_sek),
                           qint64(r.akt_numer_okrazenia),
                           qint64(r.akt_numer_sektora),
                           qint64(r.czas_okrazenia),
                           qint64(r.czas_sektora),
                           qint64(r.obroty_max_okr),
                           qint64(r.obroty_min_okr),
                           qint64(r.obroty_max_sektor),
                           qint64(r.obroty_min_sektor),
                           qint64(r.v_bat),
                           qint64(r.v_aku),
                           qint64(r.aktualny_czas_okr),
                           qint64(r.akt_czas_sesji),
                           qint64(r.aktualne_obroty),
                           qint64(r.czas_naj)}) {
        fields << QString::number(n);
    }
    for (const BoundedText<20>* text :
         {&r.czas_okrazenia_str, &r.czas_sektora_str, &r.aktualny_czas_okr_str,
          &r.akt_czas_sesji_str, &r.czas_naj_str, &r.kierowca}) {
        fields << text->str();
    }
    return fields;
}

// A unit's row is updated in place, its texts built again only for values that
// changed: after any history of frames it must equal the row a first frame makes.
// Frames here change a few bytes at a time, so values and driver texts go back and
// forth, stay, or change length.
TEST_F(FrameDecoderTest, RowHeardAgainEqualsTheRowOfAFirstFrame) {
    std::mt19937 random(424242);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> offset(4, 63);
    std::array<sim::Bytes64, 3> frames{};
    for (size_t u = 0; u < frames.size(); ++u) {
        sim::TimingFields f;
        f.serial = std::uint32_t(0x100 + u);
        f.driver = "KIEROWCA";
        frames[u] = sim::MakeTimingFrame(f);
    }
    const std::uint8_t choices[] = {0x00, 'A', 'B', 0xA5, 0xB3, 0x80, 0x01, 0xFF};
    for (int i = 0; i < 3000; ++i) {
        sim::Bytes64& frame = frames[size_t(i) % frames.size()];
        for (int n = byte(random) % 4; n > 0; --n) {
            const int at = offset(random);
            if (at == 9) {
                continue;  // stays a timing frame
            }
            frame[size_t(at)] = choices[byte(random) % std::size(choices)];
        }
        Decode(frame);

        TestStation reference;
        reference.station.receive_buffer = frame;
        DecodeFrame(reference.station);
        ASSERT_EQ(reference.station.memdane.rows().size(), 1u);
        ASSERT_EQ(RowFields(station.memdane.rows().back()),
                  RowFields(reference.station.memdane.rows()[0]))
            << "frame " << i;
    }
    EXPECT_EQ(station.memdane.rows().size(), frames.size());
}

// Arbitrary bytes never crash, never reach past the frame and keep memdane's rule.
TEST_F(FrameDecoderTest, RandomFramesKeepTheTablesConsistent) {
    for (int k = 1; k <= kSlotCount; ++k) {
        station.slot(k).serial_number = k;
    }
    std::mt19937 random(20120531);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < 20000; ++i) {
        sim::Bytes64 frame;
        for (auto& b : frame) {
            b = quint8(byte(random));
        }
        frame[0] = quint8(i % 7);  // serials 0..6 so slots get hit
        frame[1] = frame[2] = 0;
        frame[9] = quint8(i % 3);
        Decode(frame);
    }
    std::vector<qint64> serials;
    for (const MemdaneRow& row : station.memdane.rows()) {
        EXPECT_LT(row.sn, 0x1000000);
        EXPECT_LE(row.kierowca.str().size(), 12);
        serials.push_back(row.sn);
    }
    std::sort(serials.begin(), serials.end());
    EXPECT_EQ(std::adjacent_find(serials.begin(), serials.end()), serials.end());
    EXPECT_EQ(serials.size(), 7u);
    for (const RecordedLap& lap : view.laps) {
        EXPECT_TRUE(IsValidSlot(lap.slot));
    }
    EXPECT_FALSE(view.laps.empty());
}

}  // namespace
