// Writing a timesheet PDF as "Save PDF" and the command line do: a whole session of
// five karts (the summary page with the result, then each driver's pages with the
// table, sector times and lap chart), 100 and 300 laps a kart.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "Timesheet.h"
#include "TimesheetRenderer.h"

namespace {

Timesheet FiveKartsOf(int laps) {
    Timesheet sheet;
    sheet.session_label = QStringLiteral("2026-12-08 14:05");
    sheet.date = QStringLiteral("2026-12-08");
    sheet.track = QStringLiteral("Tor Bemowo");
    sheet.session_number = 12;
    for (int slot = 1; slot <= 5; ++slot) {
        DriverSheet driver;
        driver.slot = slot;
        driver.driver_name = QStringLiteral("Driver %1 Wojciechowski").arg(slot);
        for (int n = 1; n <= laps; ++n) {
            SheetLap lap;
            lap.lap_number = n;
            lap.lap_time = 3000 + (n * 53 + slot * 17) % 400;
            lap.in_top_ten = n % 29 == 0;
            lap.deleted = n % 97 == 0;
            lap.sectors = {lap.lap_time / 3, lap.lap_time / 3,
                           lap.lap_time - 2 * (lap.lap_time / 3)};
            driver.laps.push_back(lap);
        }
        sheet.drivers.push_back(std::move(driver));
    }
    return sheet;
}

void BM_WriteTimesheetPdf(benchmark::State& state) {
    const Timesheet sheet = FiveKartsOf(int(state.range(0)));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sheet.pdf"));
    QString error;
    for (auto _ : state) {
        if (!WriteTimesheetPdf(path, sheet, &error)) {
            state.SkipWithError(qPrintable(error));
            return;
        }
    }
}
BENCHMARK(BM_WriteTimesheetPdf)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
