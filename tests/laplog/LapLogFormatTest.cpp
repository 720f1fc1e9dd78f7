#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "CsvDialect.h"
#include "LapLogFormat.h"
#include "TempFolder.h"

namespace {

const QStringList kHostileNames = {
    QStringLiteral("Kowalski, Jan"),    QStringLiteral("Jan \"Szybki\" Nowak"),
    QStringLiteral("line\nbreak"),      QStringLiteral("cr\r\nlf"),
    QStringLiteral("=SUM(A1:A9)"),      QStringLiteral("Zażółć gęślą jaźń"),
    QStringLiteral("semi;colon"),       QStringLiteral("\"\""),
    QStringLiteral(" blanks kept? no ")};

// A name as the lap log keeps it: a line break becomes a blank, so that every
// record stays on one line.
QString Logged(QString name) {
    return name.replace('\r', ' ').replace('\n', ' ');
}

LapRecord Lap(int slot, qint32 number, qint32 time, const QString& name = "Ewa") {
    LapRecord lap;
    lap.slot = slot;
    lap.driver_name = name;
    lap.serial_number = qint32(0xA1B2C3);
    lap.radio = slot != 5;
    lap.lap_number = number;
    lap.lap_time = time;
    lap.ended_at = QDateTime(QDate(2026, 12, 8), QTime(14, 5, 33, 120));
    lap.session_time = 12345 + number;
    lap.rpm_max = 14000;
    lap.rpm_min = 6200;
    lap.entered_top_ten = number % 2 == 1;
    return lap;
}

// The sample log and where each of its records ends, with its kind.
struct Sample {
    QByteArray bytes;
    std::vector<std::pair<qsizetype, QString>> ends;
    void Add(const QByteArray& record, const QString& kind) {
        bytes += record;
        ends.emplace_back(bytes.size(), kind);
    }
};

Sample MakeSample() {
    Sample sample;
    sample.Add(LapLogHeader(), "header");
    sample.Add(LapLogLine(LapLogKart{1, QStringLiteral("Ewa"), 662273, true, 0}), "kart");
    for (int n = 1; n <= 6; ++n) {
        sample.Add(LapLogLine(SectorRecord{1, 2, n, 1000 + n, 9000, 4000, QDateTime(), 77}),
                   "sector");
        sample.Add(LapLogLine(Lap(1 + n % 5, n, 3000 + n, kHostileNames.at(n % 9))), "lap");
    }
    return sample;
}

QByteArray SampleLog() {
    return MakeSample().bytes;
}

TEST(CsvDialect, FieldsAreQuotedOnlyWhenNeededAndReadBackExactly) {
    EXPECT_EQ(csv::Field("plain, with comma"), QByteArray("plain, with comma"));
    EXPECT_EQ(csv::Field("a;b"), QByteArray("\"a;b\""));
    EXPECT_EQ(csv::Field("say \"hi\""), QByteArray("\"say \"\"hi\"\"\""));
    EXPECT_EQ(csv::Field("two\nlines"), QByteArray("\"two\nlines\""));

    QStringList fields = kHostileNames;
    fields.append(QString());
    const QByteArray bytes = csv::Record(fields) + csv::Record({"x"});
    csv::Reader reader(bytes);
    csv::ParsedRecord record;
    ASSERT_TRUE(reader.Next(&record));
    EXPECT_EQ(record.fields, fields);
    EXPECT_EQ(record.line, 1);
    ASSERT_TRUE(reader.Next(&record));
    EXPECT_EQ(record.fields, QStringList{"x"});
    EXPECT_EQ(record.line, 4);  // the two names with line breaks took two lines more
    EXPECT_FALSE(reader.Next(&record));
    EXPECT_EQ(reader.incomplete_tail(), 0);
}

TEST(LapLog, EveryKindOfRecordRoundTrips) {
    const SessionLapLog log = ParseLapLog(SampleLog());
    EXPECT_TRUE(log.skipped.isEmpty()) << log.skipped.join('\n').toStdString();
    ASSERT_EQ(log.laps.size(), 6u);
    ASSERT_EQ(log.sectors.size(), 6u);
    ASSERT_EQ(log.karts.size(), 1u);
    for (int n = 1; n <= 6; ++n) {
        const LapRecord want = Lap(1 + n % 5, n, 3000 + n, kHostileNames.at(n % 9));
        const LapRecord& got = log.laps[size_t(n - 1)];
        EXPECT_EQ(got.slot, want.slot);
        EXPECT_EQ(got.driver_name, Logged(want.driver_name));
        EXPECT_EQ(got.serial_number, want.serial_number);
        EXPECT_EQ(got.radio, want.radio);
        EXPECT_EQ(got.lap_number, want.lap_number);
        EXPECT_EQ(got.lap_time, want.lap_time);
        EXPECT_EQ(got.ended_at, want.ended_at);
        EXPECT_EQ(got.session_time, want.session_time);
        EXPECT_EQ(got.rpm_max, 14000);
        EXPECT_EQ(got.rpm_min, 6200);
        EXPECT_EQ(got.entered_top_ten, want.entered_top_ten);
        EXPECT_EQ(log.sectors[size_t(n - 1)].lap_number, n);
        EXPECT_EQ(log.sectors[size_t(n - 1)].sector_time, 1000 + n);
    }
    EXPECT_EQ(log.karts[0].serial_number, 662273);
    EXPECT_TRUE(log.karts[0].radio);
}

TEST(LapLog, TimeTexts) {
    EXPECT_EQ(LapTimeText(6233), "01:02.33");
    EXPECT_EQ(LapTimeText(5999), "00:59.99");
    EXPECT_EQ(LapTimeText(600000), "100:00.00");
    EXPECT_EQ(DecimalSeconds(6233), "62.33");
    EXPECT_EQ(DecimalSeconds(5), "0.05");
}

// A power cut can end the file at any byte: every record whose line was complete
// is read, the one cut off is not, and the cut is reported.
TEST(LapLog, CutAtEveryByteKeepsEveryCompleteRecordAndNothingElse) {
    const Sample sample = MakeSample();
    for (qsizetype cut = 0; cut <= sample.bytes.size(); ++cut) {
        int laps = 0;
        int sectors = 0;
        qsizetype last_end = 0;
        for (const auto& [end, kind] : sample.ends) {
            if (end <= cut) {
                laps += kind == "lap";
                sectors += kind == "sector";
                last_end = end;
            }
        }
        const SessionLapLog log = ParseLapLog(sample.bytes.left(cut));
        ASSERT_EQ(int(log.laps.size()), laps) << "cut at " << cut;
        ASSERT_EQ(int(log.sectors.size()), sectors) << "cut at " << cut;
        // Only a cut inside a record, the byte-order mark included, is reported.
        const bool inside_a_record = cut != last_end && cut != 3;
        EXPECT_EQ(!log.skipped.isEmpty(), inside_a_record) << "cut at " << cut;
        for (size_t i = 0; i < log.laps.size(); ++i) {
            EXPECT_EQ(log.laps[i].lap_time, 3000 + int(i) + 1);
            EXPECT_EQ(log.laps[i].driver_name, Logged(kHostileNames.at((i + 1) % 9)));
        }
    }
}

TEST(LapLog, DamagedLogsShowWhatCanBeReadAndSayWhatWasSkipped) {
    QByteArray bytes = LapLogHeader();
    bytes.replace("kind;", "kind;note;");  // a column someone added by hand
    auto lap_line = [](int slot, int number, int time) {
        QByteArray line = LapLogLine(Lap(slot, number, time));
        return line.replace("lap;", "lap;hand note;");
    };
    bytes += lap_line(1, 1, 4000);
    bytes += QByteArray(1024 * 1024, 'x') + "\r\n";  // a line of 1 MB
    bytes += lap_line(9, 2, 4001);                   // slot 9
    bytes += QByteArray("\0\x01\xff\xfe binary junk\x80\r\n", 19);
    bytes += "lap;;1;Ewa;1;1;3;01:00.00;60.00;60x0\r\n";  // malformed time
    bytes += "\r\n";
    bytes += "wheel;1\r\n";
    bytes += lap_line(2, 3, 4002);
    bytes += "lap;\"open quote;2;x\r\n";
    const SessionLapLog log = ParseLapLog(bytes);
    ASSERT_GE(log.laps.size(), 2u);
    EXPECT_EQ(log.laps[0].lap_time, 4000);
    EXPECT_EQ(log.laps[1].lap_time, 4002);
    EXPECT_EQ(log.laps.size(), 2u);
    const QString skipped = log.skipped.join('\n');
    EXPECT_TRUE(skipped.contains("line 3: longer than 64 KiB")) << skipped.toStdString();
    EXPECT_TRUE(skipped.contains("line 4: slot")) << skipped.toStdString();
    EXPECT_TRUE(skipped.contains("line 5:")) << skipped.toStdString();
    EXPECT_TRUE(skipped.contains("line 6: lap_time_cs")) << skipped.toStdString();
    EXPECT_TRUE(skipped.contains("line 8: not a lap log record")) << skipped.toStdString();
    EXPECT_TRUE(skipped.contains("line 10: a quote is not closed")) << skipped.toStdString();
}

TEST(LapLog, TimesOfDayAreReadOnlyInTheirOneForm) {
    const QByteArray written = LapLogLine(Lap(1, 1, 4000));
    ASSERT_TRUE(written.contains("2026-12-08 14:05:33.120"));
    QByteArray bytes = LapLogHeader() + written;
    for (const char* bad :
         {"2026-12-8 14:05:33.1200", "2026-12-08T14:05:33.120", "2026-02-30 14:05:33.120",
          "+026-12-08 14:05:33.120", "2026-12-08 24:05:33.120"}) {
        bytes += QByteArray(written).replace("2026-12-08 14:05:33.120", bad);
    }
    const SessionLapLog log = ParseLapLog(bytes);
    ASSERT_EQ(log.laps.size(), 6u);
    EXPECT_EQ(log.laps[0].ended_at, QDateTime(QDate(2026, 12, 8), QTime(14, 5, 33, 120)));
    for (size_t i = 1; i < log.laps.size(); ++i) {
        EXPECT_FALSE(log.laps[i].ended_at.isValid()) << i;
    }
}

// The log's records never span lines: a stray quote costs its own line only, and a
// line break typed into a name cannot split a record.
TEST(LapLog, AStrayQuoteCostsOnlyItsLine) {
    QByteArray bytes = LapLogHeader() + LapLogLine(Lap(1, 1, 4000));
    bytes += "lap;1;\"Ewa;1;1;2;01:00.00;60.00;6000\r\n";
    for (int n = 3; n <= 40; ++n) {
        bytes += LapLogLine(Lap(1, n, 4000 + n));
    }
    LapRecord broken = Lap(2, 1, 4100);
    broken.driver_name = QStringLiteral("Ewa\r\nNowak \"E\"");
    bytes += LapLogLine(broken);
    EXPECT_EQ(bytes.count('\n'), 42);
    const SessionLapLog log = ParseLapLog(bytes);
    ASSERT_EQ(log.laps.size(), 40u);
    EXPECT_EQ(log.laps[38].lap_time, 4040);
    EXPECT_EQ(log.laps[39].driver_name, "Ewa  Nowak \"E\"");
    EXPECT_EQ(log.skipped, QStringList{"line 3: a quote is not closed on its line"});
}

TEST(LapLog, WithoutHeaderTheUsualColumnsAreAssumed) {
    const QByteArray bytes = LapLogLine(Lap(3, 4, 5000)) + LapLogLine(Lap(3, 5, 5100));
    const SessionLapLog log = ParseLapLog(bytes);
    ASSERT_EQ(log.laps.size(), 2u);
    EXPECT_EQ(log.laps[1].lap_time, 5100);
    EXPECT_EQ(log.skipped.size(), 1);
}

TEST(LapLog, FilesAndPaths) {
    TempFolder temp;
    EXPECT_EQ(LapLogPathFor("/p/Sessions/2026_12_08/2026_12_08_14_05.txt"),
              "/p/Sessions/2026_12_08/laps/2026_12_08_14_05.csv");
    const SessionLapLog missing = ReadLapLog(temp.file("nothing.csv"));
    EXPECT_TRUE(missing.laps.empty());
    EXPECT_TRUE(missing.skipped.isEmpty());
    temp.Write("log.csv", SampleLog());
    EXPECT_EQ(ReadLapLog(temp.file("log.csv")).laps.size(), 6u);
}

}  // namespace

// A lap correction names its lap by slot, number, time and session time; reading
// applies it to the latest such lap before it that is not yet in that state.
TEST(LapLog, CorrectionsMarkTheLapTheyNameWithTheTimeOfTheCorrection) {
    const QDateTime first_at(QDate(2026, 12, 8), QTime(14, 20, 1, 500));
    const QDateTime second_at(QDate(2026, 12, 8), QTime(14, 22, 9));
    auto correction = [](const LapRecord& lap, bool deleted, const QDateTime& at) {
        return LapLogLine(LapCorrectionRecord{deleted, lap.slot, lap.driver_name, lap.serial_number,
                                              lap.radio, lap.lap_number, lap.lap_time,
                                              lap.session_time, at});
    };
    const LapRecord one = Lap(2, 1, 4500);
    const LapRecord two = Lap(2, 2, 4300);
    LapRecord twin = two;  // same number, time and session time (a replayed frame)
    const LapRecord other_kart = Lap(3, 2, 4300);
    QByteArray bytes = LapLogHeader() + LapLogLine(one) + LapLogLine(two) + LapLogLine(twin) +
                       LapLogLine(other_kart);
    bytes += correction(two, true, first_at);               // the later twin
    bytes += correction(one, true, first_at);               // deleted ...
    bytes += correction(one, false, second_at);             // ... and brought back by "Undo"
    bytes += correction(two, true, second_at);              // now the earlier twin
    bytes += correction(Lap(2, 9, 4300), true, second_at);  // names no lap
    bytes += correction(one, false, second_at);             // not deleted any more

    const SessionLapLog log = ParseLapLog(bytes);
    ASSERT_EQ(log.laps.size(), 4u);
    EXPECT_FALSE(log.laps[0].deleted);
    EXPECT_FALSE(log.laps[0].deleted_at.isValid());
    EXPECT_TRUE(log.laps[1].deleted);
    EXPECT_EQ(log.laps[1].deleted_at, second_at);
    EXPECT_TRUE(log.laps[2].deleted);
    EXPECT_EQ(log.laps[2].deleted_at, first_at);
    EXPECT_FALSE(log.laps[3].deleted) << "another kart's lap of the same time";
    EXPECT_EQ(log.skipped, (QStringList{"line 10: the deleted lap is not in the log",
                                        "line 11: the restored lap is not a deleted lap of the "
                                        "log"}));

    // The record keeps the lap's own fields; the time of day is the correction's.
    const std::vector<QStringList> fields = [&] {
        std::vector<QStringList> rows;
        csv::Reader reader(correction(two, true, first_at));
        csv::ParsedRecord record;
        while (reader.Next(&record)) {
            rows.push_back(record.fields);
        }
        return rows;
    }();
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_EQ(fields[0].mid(0, 10).join('|'), "deleted|2|Ewa|10597059|1|2|00:43.00|43.00|4300|");
    EXPECT_EQ(fields[0][12], "2026-12-08 14:20:01.500");
    EXPECT_EQ(fields[0][13], QString::number(two.session_time));
}

// Names are stored as typed: blanks around them survive the log, as the session
// screen showed them.
TEST(LapLog, NamesKeepTheirLeadingAndTrailingBlanks) {
    const QString name = QStringLiteral("  Ewa Nowak ");
    QByteArray bytes = LapLogHeader();
    bytes += LapLogLine(LapLogKart{1, name, 662273, true, 0});
    bytes += LapLogLine(Lap(1, 1, 3001, name));
    const SessionLapLog log = ParseLapLog(bytes);
    ASSERT_EQ(log.laps.size(), 1u);
    ASSERT_EQ(log.karts.size(), 1u);
    EXPECT_EQ(log.laps[0].driver_name, name);
    EXPECT_EQ(log.karts[0].driver_name, name);
}
