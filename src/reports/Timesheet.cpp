#include "Timesheet.h"

#include <algorithm>
#include <array>

#include "LapSectors.h"

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

// Indexes of the laps that stand among their kart's ten fastest once the session is
// over: the laps the session file keeps. Of equal times the earlier lap ranks first.
std::vector<bool> TenFastestAtEnd(const std::vector<LapRecord>& laps) {
    std::vector<bool> marked(laps.size(), false);
    std::array<std::vector<size_t>, kSlotCount> by_slot;
    for (size_t i = 0; i < laps.size(); ++i) {
        if (IsValidSlot(laps[i].slot) && !laps[i].deleted && laps[i].lap_time > 0) {
            by_slot[size_t(laps[i].slot - 1)].push_back(i);
        }
    }
    for (std::vector<size_t>& kart : by_slot) {
        std::stable_sort(kart.begin(), kart.end(),
                         [&](size_t a, size_t b) { return laps[a].lap_time < laps[b].lap_time; });
        for (size_t k = 0; k < kart.size() && k < size_t(kLapEntries); ++k) {
            marked[kart[k]] = true;
        }
    }
    return marked;
}

}  // namespace

bool Timesheet::HasSectors() const {
    for (const DriverSheet& driver : drivers) {
        for (const SheetLap& lap : driver.laps) {
            if (std::any_of(lap.sectors.begin(), lap.sectors.end(),
                            [](qint32 t) { return t > 0; })) {
                return true;
            }
        }
    }
    return false;
}

Timesheet TimesheetFromLapLog(const SessionLapLog& log, const QString& session_label) {
    Timesheet sheet = EmptySheet(session_label);
    sheet.lap_log_skipped = log.skipped;
    const std::vector<SectorTimes> sectors = SectorsOfLaps(log);
    const std::vector<bool> top_ten = TenFastestAtEnd(log.laps);
    // One sheet per driver of each kart: a lap belongs to whoever drove it.
    std::array<std::vector<DriverSheet>, kSlotCount> by_slot;
    for (size_t i = 0; i < log.laps.size(); ++i) {
        const LapRecord& lap = log.laps[i];
        if (!IsValidSlot(lap.slot)) {
            continue;
        }
        std::vector<DriverSheet>& kart = by_slot[size_t(lap.slot - 1)];
        auto driver = std::find_if(kart.begin(), kart.end(), [&](const DriverSheet& d) {
            return d.driver_name == lap.driver_name;
        });
        if (driver == kart.end()) {
            kart.push_back(DriverSheet{lap.slot, lap.driver_name, false, {}, {}});
            driver = kart.end() - 1;
        }
        driver->hand_timed = driver->hand_timed || !lap.radio;
        driver->laps.push_back({lap.lap_number, lap.lap_time, top_ten[i], lap.deleted,
                                lap.deleted_at, sectors[i], lap.session_time});
        if (lap.ended_at.isValid()) {
            const QDateTime began = lap.ended_at.addMSecs(-lap.session_time * 10);
            if (!sheet.started.isValid() || began < sheet.started) {
                sheet.started = began;
            }
            if (!sheet.ended.isValid() || lap.ended_at > sheet.ended) {
                sheet.ended = lap.ended_at;
            }
        }
    }
    for (std::vector<DriverSheet>& kart : by_slot) {
        for (DriverSheet& driver : kart) {
            sheet.drivers.push_back(std::move(driver));
        }
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
        driver.hand_timed = !kart.radio;
        for (int j = 1; j <= kLapEntries; ++j) {
            const LapEntry& entry = kart.lap(j);
            if (entry.lap_time > 0) {
                SheetLap lap;
                lap.lap_number = entry.lap_number;
                lap.lap_time = entry.lap_time;
                lap.in_top_ten = true;
                driver.laps.push_back(lap);
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

Timesheet OnlyDriver(const Timesheet& sheet, int index) {
    Timesheet one = sheet;
    one.drivers.clear();
    if (index >= 0 && size_t(index) < sheet.drivers.size()) {
        one.drivers.push_back(sheet.drivers[size_t(index)]);
    }
    return one;
}
