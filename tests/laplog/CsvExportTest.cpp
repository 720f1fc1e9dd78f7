#include <gtest/gtest.h>

#include "CsvDialect.h"
#include "CsvExport.h"

#include <QLocale>
#include <QRegularExpression>
#include <optional>

namespace {

const QStringList kHostileExportNames = {
    QStringLiteral("Kowalski, Jan"),     QStringLiteral("Jan \"Szybki\" Nowak"),
    QStringLiteral("two\nlines"),        QStringLiteral("cr\r\nlf"),
    QStringLiteral("=HYPERLINK(\"x\")"), QStringLiteral("Łukasz Żółć-Gęślą"),
    QStringLiteral("semi;colon;")};

// The exports follow the station's locale; these tests write the Polish form.
const csv::ExportFormat kPolish{';', ','};

std::vector<QStringList> ReadBack(const QByteArray& bytes, char separator = ';') {
    std::vector<QStringList> records;
    csv::Reader reader(bytes, separator);
    csv::ParsedRecord record;
    while (reader.Next(&record)) {
        records.push_back(record.fields);
    }
    EXPECT_EQ(reader.incomplete_tail(), 0);
    return records;
}

TEST(CsvExport, HostileNamesRoundTripExactlyWithTimesInThreeForms) {
    ExportSession session;
    session.label = QStringLiteral("2026-12-08 14:05");
    for (int i = 0; i < kHostileExportNames.size(); ++i) {
        LapRecord lap;
        lap.slot = 1 + i % 5;
        lap.driver_name = kHostileExportNames.at(i);
        lap.serial_number = qint32(0xFFFFFF);
        lap.lap_number = i + 1;
        lap.lap_time = 6233 + i;
        lap.ended_at = QDateTime(QDate(2026, 12, 8), QTime(14, 5, i));
        lap.session_time = 100 * 60 * 100 + 1;  // 100 minutes and a hundredth
        lap.entered_top_ten = i % 2 == 0;
        session.log.laps.push_back(lap);
    }
    const QByteArray bytes = ExportLapsCsv({session}, kPolish);
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));  // spreadsheets then read UTF-8
    const std::vector<QStringList> rows = ReadBack(bytes);
    ASSERT_EQ(rows.size(), size_t(kHostileExportNames.size()) + 1);
    EXPECT_EQ(rows[0].join(','),
              "session,source,slot,driver,serial,radio,lap,lap_time,lap_seconds,lap_time_cs,"
              "top_ten,rpm_max,rpm_min,time_of_day,session_time");
    for (int i = 0; i < kHostileExportNames.size(); ++i) {
        const QStringList& row = rows[size_t(i) + 1];
        ASSERT_EQ(row.size(), 15);
        EXPECT_EQ(row[3], kHostileExportNames.at(i));
        EXPECT_EQ(row[1], "lap log");
        EXPECT_EQ(row[4], "16777215");
        EXPECT_EQ(row[7], QStringLiteral("01:02.%1").arg(33 + i));
        EXPECT_EQ(row[8], QStringLiteral("62,%1").arg(33 + i));
        EXPECT_EQ(row[9], QString::number(6233 + i));
        EXPECT_EQ(row[10], i % 2 == 0 ? "1" : "0");
        EXPECT_EQ(row[13], QStringLiteral("2026-12-08 14:05:%1").arg(i, 2, 10, QLatin1Char('0')));
        EXPECT_EQ(row[14], "100:00.01");
    }
}

// A session from before the lap log: its ten fastest, in lap order, said so.
TEST(CsvExport, SessionWithoutLapLogExportsItsTenFastestAndSaysSo) {
    SessionRecord record;
    record.kart(2).driver_name = QStringLiteral("Ewa");
    record.kart(2).lap(1) = LapEntry{3100, "00:31:00", 7, 0, 0};
    record.kart(2).lap(2) = LapEntry{3200, "00:32:00", 2, 0, 0};
    ExportSession old{QStringLiteral("2012-05-31 09:12"), &record, {}};
    ExportSession logged{QStringLiteral("2012-05-31 10:00"), &record, {}};
    LapRecord lap;
    lap.slot = 1;
    lap.lap_time = 4000;
    logged.log.laps.push_back(lap);

    const std::vector<QStringList> rows = ReadBack(ExportLapsCsv({old, logged}, kPolish));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1].mid(0, 4), QStringList({"2012-05-31 09:12", "ten fastest only", "2", "Ewa"}));
    EXPECT_EQ(rows[1][6], "2");  // lap 2 was driven before lap 7
    EXPECT_EQ(rows[2][6], "7");
    EXPECT_EQ(rows[2][13], "");  // no time of day known
    EXPECT_EQ(rows[3][1], "lap log");
    const ExportCount count = CountExport({old, logged});
    EXPECT_EQ(count.laps, 3);
    EXPECT_EQ(count.ten_fastest_only, 1);
}

}  // namespace

// Laps taken back by a lap correction are listed nowhere and counted nowhere.
TEST(CsvExport, DeletedLapsAreLeftOut) {
    ExportSession session;
    session.label = QStringLiteral("2026-12-08 14:05");
    for (int n = 1; n <= 3; ++n) {
        LapRecord lap;
        lap.slot = 2;
        lap.lap_number = n;
        lap.lap_time = 4400 + n;
        lap.deleted = n == 2;
        session.log.laps.push_back(lap);
    }
    const std::vector<QStringList> rows = ReadBack(ExportLapsCsv({session}, kPolish));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1][6], "1");
    EXPECT_EQ(rows[2][6], "3");
    EXPECT_EQ(CountExport({session}).laps, 2);
}

namespace {

// How a spreadsheet set to a locale reads a cell of a file it opens (Excel; Calc with
// its defaults), written from those rules, not from the program's CSV code: a date
// when it looks like one there ("30.07" in Polish is 30 July), else a number when it
// parses with the locale's decimal separator, else text.
std::optional<double> SpreadsheetNumber(const QString& cell, const QLocale& locale) {
    static const QRegularExpression dotted(QStringLiteral("^\\d{1,2}[.-]\\d{1,2}$"));
    if (locale.decimalPoint() == QLatin1String(",") && dotted.match(cell).hasMatch()) {
        return std::nullopt;  // a date
    }
    QLocale strict = locale;
    strict.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = strict.toDouble(cell, &ok);
    return ok ? std::optional(value) : std::nullopt;
}

}  // namespace

// A spreadsheet in Polish took "30.07" for 30 July; in the station's own locale the
// decimals read as numbers, split at that locale's list separator (';' where the
// decimal is a comma), sector columns included.
TEST(CsvExport, SpreadsheetsInCommaAndPointLocalesReadEveryTimeAsANumber) {
    ExportSession session;
    const qint32 times[] = {3007, 6233, 12045};
    for (int n = 1; n <= 3; ++n) {
        session.log.sectors.push_back(SectorRecord{1, 1, n, 1005 + n, 0, 0, {}, 0, 2 * n});
        LapRecord lap;
        lap.slot = 1;
        lap.lap_number = n;
        lap.lap_time = times[n - 1];
        lap.order = 2 * n + 1;
        session.log.laps.push_back(lap);
    }
    for (const auto& [name, list] : {std::pair{"pl_PL", ';'}, std::pair{"en_US", ','}}) {
        SCOPED_TRACE(name);
        const QLocale locale(QString::fromLatin1(name));
        QString text = QString::fromUtf8(ExportLapsCsv({session}, csv::ExportFormatFor(locale)));
        const QStringList lines = text.remove(QChar(0xFEFF)).split("\r\n", Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 4);
        const QStringList head = lines[0].split(QLatin1Char(list));
        ASSERT_EQ(head.size(), 18);  // 15 columns and three sectors
        for (int i = 1; i <= 3; ++i) {
            const QStringList cells = lines[i].split(QLatin1Char(list));
            ASSERT_EQ(cells.size(), head.size());
            EXPECT_EQ(SpreadsheetNumber(cells[head.indexOf("lap_seconds")], locale),
                      times[i - 1] / 100.0);
            EXPECT_EQ(SpreadsheetNumber(cells[head.indexOf("sector_1")], locale),
                      (1005 + i) / 100.0);
        }
    }
    // The rule that found the fault: a point in Polish is a date.
    EXPECT_EQ(SpreadsheetNumber("30.07", QLocale("pl_PL")), std::nullopt);
}
