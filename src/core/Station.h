#pragma once

#include <QString>
#include <array>
#include <memory>

#include "Clock.h"
#include "KartSlot.h"
#include "LinkQuality.h"
#include "Memdane.h"
#include "ReceiverStatus.h"
#include "SessionRecord.h"

inline constexpr int kFrameSize = 64;
using Frame = std::array<quint8, kFrameSize>;

// The sector fields of a timing frame: bytes 26, 28, 36-39 and 44-47.
struct SectorReport {
    quint8 sector = 0;
    quint8 sector_lap = 0;
    quint32 sector_time = 0;  // centiseconds
    quint16 rpm_max = 0;
    quint16 rpm_min = 0;
    bool operator==(const SectorReport&) const = default;
};

// What the receiver link needs of the live session screen.
class SessionView {
  public:
    virtual ~SessionView() = default;
    virtual void RefreshKarts() = 0;
    // A completed lap: time in centiseconds, slot 1..5, lap RPM maximum and minimum.
    virtual void RecordLap(qint32 lap_time, int slot, qint32 rpm_max, qint32 rpm_min) = 0;
    // The sector fields of every race frame of a slot's unit, for the lap log.
    virtual void ReportSector(int /*slot*/, const SectorReport& /*report*/) {}
    // For the live timing pages: the performance counter at the session start (0
    // when unknown), and the laps a slot has completed in the session that stand.
    virtual qint64 SessionStartCounter() const { return 0; }
    virtual int LapsCompleted(int /*slot*/) const { return 0; }
    // Under a race format: the kart's position (0 when unranked or without a race)
    // and its gap to the leader as the board shows it ("+1 LAP", "+4.00").
    virtual int RacePosition(int /*slot*/) const { return 0; }
    virtual QString RaceGap(int /*slot*/) const { return QString(); }
};

// What the receiver link needs of the transmission test window.
class TransmissionView {
  public:
    virtual ~TransmissionView() = default;
    virtual void UpdateTransmission(qint32 serial_number, qint32 packet_counter,
                                    qint32 network_value) = 0;
};

enum PollMode : qint32 { kPollIdle = 0, kPollSession = 1, kPollTransmissionTest = 2 };

// The kart slot table and the table-wide fields. The launcher owns exactly one for
// the whole run and hands it to every window; everything runs on the UI thread, so
// there are no locks.
class Station {
  public:
    Station(const Clock& clock, QString program_folder)
        : clock_(clock), program_folder_(std::move(program_folder)) {}
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    KartSlot& slot(int n) { return slots_.at(size_t(n - 1)); }
    const KartSlot& slot(int n) const { return slots_.at(size_t(n - 1)); }
    qint32& current_lap_time(int n) { return current_lap_time_.at(size_t(n - 1)); }
    qint32 current_lap_time(int n) const { return current_lap_time_.at(size_t(n - 1)); }

    const Clock& clock() const { return clock_; }
    // Folder of ustawienia.ini, messages.ini and Sessions, with a trailing '/'.
    const QString& program_folder() const { return program_folder_; }

    Frame receive_buffer{};
    Frame temperature_buffer{};
    bool stop_requested = false;
    SessionTable sessions;  // today's recorded sessions; sessions.count is session_count
    qint32 poll_mode = kPollIdle;
    std::array<quint8, 96> message_out{};
    Memdane memdane;
    // Kept current by the receiver link while a poll loop runs.
    ReceiverStatus receiver_status;
    // Packets received and lost per unit, fed by frame decoding.
    LinkQuality link_quality;

    // The current session screen and transmission test window, when there is one.
    SessionView* session_screen = nullptr;
    TransmissionView* transmission_test = nullptr;

  private:
    const Clock& clock_;
    QString program_folder_;
    std::array<KartSlot, kSlotCount> slots_{};
    std::array<qint32, kSlotCount> current_lap_time_{};
};
