// Writing a timesheet PDF: the whole session of five karts with 100 laps each (the
// summary page, then one page per driver with its table and lap chart), written to a
// file as "Save PDF" does.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "Timesheet.h"
#include "TimesheetRenderer.h"

namespace {

Timesheet FiveKartsOf(int laps) {
    Timesheet sheet;
    sheet.session_label = QStringLiteral("2026-12-08 14:05");
    sheet.date = QStringLiteral("2026-12-08");
    for (int slot = 1; slot <= 5; ++slot) {
        DriverSheet driver;
        driver.slot = slot;
        driver.driver_name = QStringLiteral("Driver %1").arg(slot);
        for (int n = 1; n <= laps; ++n) {
            driver.laps.push_back({n, 3000 + (n * 53 + slot * 17) % 400, n % 9 == 0, false});
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
BENCHMARK(BM_WriteTimesheetPdf)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
