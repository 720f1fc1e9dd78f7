#include <gtest/gtest.h>

#include "ResultCsv.h"
#include "SessionResult.h"
#include "Timesheet.h"

namespace {

DriverSheet Driver(int slot, const char* name, std::vector<qint32> times, bool hand_timed = false) {
    DriverSheet driver;
    driver.slot = slot;
    driver.driver_name = QString::fromUtf8(name);
    driver.hand_timed = hand_timed;
    for (size_t i = 0; i < times.size(); ++i) {
        SheetLap lap;
        lap.lap_number = int(i) + 1;
        lap.lap_time = times[i];
        lap.session_time = 10000 * qint64(slot) + 3000 * qint64(i);
        driver.laps.push_back(lap);
    }
    return driver;
}

Timesheet Session() {
    Timesheet sheet;
    sheet.session_label = QStringLiteral("2026-12-08 14:05");
    sheet.drivers = {Driver(1, "Anna", {3500, 3150, 3120}),
                     // Bartek's 30.80 was deleted: his best is 31.20, equal to Anna's but
                     // set later in the session.
                     Driver(2, "Bartek", {3300, 3080, 3120, 3200}),
                     Driver(3, "Celina", {12000}),  // one slow lap, hand-timed
                     Driver(4, "Dawid", {3010, 3400}), Driver(5, "Ewa", {3000})};
    sheet.drivers[1].laps[1].deleted = true;
    sheet.drivers[2].hand_timed = true;
    sheet.drivers[4].laps[0].deleted = true;  // no lap stands: not ranked
    return sheet;
}

TEST(SessionResult, RankedByBestLapWithGapsToTheFastestAndTheDriverAhead) {
    const std::vector<ResultRow> rows = RankSession(Session());
    ASSERT_EQ(rows.size(), 4u);
    const char* order[] = {"Dawid", "Anna", "Bartek", "Celina"};
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].position, int(i) + 1);
        EXPECT_EQ(rows[i].driver_name, QString::fromUtf8(order[i]));
    }
    EXPECT_EQ(rows[0].best, 3010);
    EXPECT_EQ(rows[0].best_lap_number, 1);
    EXPECT_EQ(rows[0].gap_to_fastest, 0);
    EXPECT_EQ(rows[1].gap_to_fastest, 110);
    EXPECT_EQ(rows[1].best_lap_number, 3);
    EXPECT_EQ(rows[2].gap_to_fastest, 110);
    EXPECT_EQ(rows[2].gap_to_ahead, 0);
    EXPECT_EQ(rows[2].laps, 3);               // the deleted lap is not a lap completed
    EXPECT_EQ(rows[3].gap_to_fastest, 8990);  // 1:29.90, not wrapped at a minute
    EXPECT_EQ(rows[3].gap_to_ahead, 8880);
    EXPECT_TRUE(rows[3].hand_timed);
    EXPECT_FALSE(rows[0].hand_timed);
}

// Gaps in decimal seconds with the locale's separators; nobody is ahead of the fastest.
TEST(SessionResult, CsvRowsInTheStationsLocale) {
    const QList<QByteArray> lines =
        ExportResultCsv(Session(), csv::ExportFormat{';', ','}).split('\n');
    ASSERT_EQ(lines.size(), 6);  // the header, four drivers, nothing after the last line end
    EXPECT_TRUE(lines[0].startsWith("\xEF\xBB\xBFsession;position;slot;driver;timing;laps;"));
    EXPECT_EQ(lines[1], "2026-12-08 14:05;1;4;Dawid;radio;2;00:30.10;30,10;3010;1;0,00;;lap log\r");
    EXPECT_EQ(lines[4],
              "2026-12-08 14:05;4;3;Celina;hand-timed;1;02:00.00;120,00;12000;1;89,90;88,80;"
              "lap log\r");
}

}  // namespace
