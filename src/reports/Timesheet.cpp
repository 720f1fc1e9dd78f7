#include "Timesheet.h"

#include <algorithm>
#include <map>

namespace {

QString DateOfLabel(const QString& session_label) {
    return session_label.section(QLatin1Char(' '), 0, 0);
}

Timesheet EmptySheet(const QString& session_label) {
    Timesheet sheet;
    sheet.session_label = session_label;
    sheet.date = DateOfLabel(session_label);
    return sheet;
}

}  // namespace

Timesheet TimesheetFromLapLog(const SessionLapLog& log, const QString& session_label) {
    Timesheet sheet = EmptySheet(session_label);
    sheet.lap_log_skipped = log.skipped;
    std::map<int, DriverSheet> by_slot;
    for (const LapRecord& lap : log.laps) {
        if (!IsValidSlot(lap.slot)) {
            continue;
        }
        DriverSheet& driver = by_slot[lap.slot];
        if (driver.laps.empty()) {
            driver.slot = lap.slot;
            driver.driver_name = lap.driver_name;
        }
        driver.laps.push_back({lap.lap_number, lap.lap_time, lap.entered_top_ten, lap.deleted});
    }
    for (auto& [slot, driver] : by_slot) {
        sheet.drivers.push_back(std::move(driver));
    }
    return sheet;
}

Timesheet TimesheetFromSessionRecord(const SessionRecord& record, const QString& session_label) {
    Timesheet sheet = EmptySheet(session_label);
    sheet.only_fastest = true;
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        const KartSlot& kart = record.kart(slot);
        DriverSheet driver;
        driver.slot = slot;
        driver.driver_name = kart.driver_name;
        for (int j = 1; j <= kLapEntries; ++j) {
            const LapEntry& entry = kart.lap(j);
            if (entry.lap_time > 0) {
                driver.laps.push_back({entry.lap_number, entry.lap_time, true, false});
            }
        }
        if (driver.laps.empty()) {
            continue;
        }
        std::stable_sort(
            driver.laps.begin(), driver.laps.end(),
            [](const SheetLap& a, const SheetLap& b) { return a.lap_number < b.lap_number; });
        sheet.drivers.push_back(std::move(driver));
    }
    return sheet;
}

Timesheet OnlyDriver(const Timesheet& sheet, int slot) {
    Timesheet one = sheet;
    one.drivers.clear();
    for (const DriverSheet& driver : sheet.drivers) {
        if (driver.slot == slot) {
            one.drivers.push_back(driver);
        }
    }
    return one;
}
