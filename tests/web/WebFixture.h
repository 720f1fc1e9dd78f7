#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>
#include <vector>

#include "FakeClock.h"
#include "LapLogFormat.h"
#include "LapTable.h"
#include "SessionFile.h"
#include "Station.h"
#include "TempFolder.h"

// What the session screen tells the board: when the session started and how many
// laps each kart has completed in it.
class ScreenStandIn : public SessionView {
  public:
    void RefreshKarts() override {}
    void RecordLap(qint32, int, qint32, qint32) override {}
    qint64 SessionStartCounter() const override { return start_counter; }
    int LapsCompleted(int slot) const override { return laps.at(size_t(slot - 1)); }
    int RacePosition(int slot) const override { return race_positions.at(size_t(slot - 1)); }
    QString RaceGap(int slot) const override { return race_gaps.at(size_t(slot - 1)); }

    qint64 start_counter = 0;
    std::array<int, kSlotCount> laps{};
    std::array<int, kSlotCount> race_positions{};  // 0: no race
    std::array<QString, kSlotCount> race_gaps{};
};

// A station in a program folder of its own, with helpers to give karts laps.
class StationFixture {
  public:
    StationFixture() : station_(clock_, folder_.path()) {}

    // A kart in use with the given serial (radio) and name.
    void Kart(int slot, const QString& name, qint32 serial, bool radio = true) {
        KartSlot& kart = station_.slot(slot);
        kart.driver_name = name;
        kart.serial_number = serial;
        kart.radio = radio;
    }
    // Completes laps in order, as the lap table does in a session.
    void Laps(int slot, std::initializer_list<qint32> times) {
        KartSlot& kart = station_.slot(slot);
        for (qint32 time : times) {
            ++kart.current_lap_number;
            EnterLap(kart, time, 0, 0);
        }
    }

    // The lap log of the session file written at ended_at, as "END SESSION" leaves
    // it beside the file, with extra (such as a broken line) after each lap.
    bool WriteLapLog(const QDateTime& ended_at, const std::vector<LapRecord>& laps,
                     const QByteArray& extra = {}) {
        const QString path = LapLogPathFor(SessionFilePath(station_.program_folder(), ended_at));
        QFile file(path);
        if (!QDir().mkpath(QFileInfo(path).path()) || !file.open(QIODevice::WriteOnly)) {
            return false;
        }
        QByteArray bytes = LapLogHeader();
        for (const LapRecord& lap : laps) {
            bytes += LapLogLine(lap) + extra;
        }
        return file.write(bytes) == bytes.size();
    }

    TempFolder folder_;
    FakeClock clock_;
    Station station_;
};
