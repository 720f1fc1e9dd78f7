#pragma once

#include <QString>
#include <array>
#include <deque>
#include <optional>

#include "KartSlot.h"

// Where each camera crossing goes: a marker's to the kart slot that carries it, a
// band trigger's to the kart whose hand-timing key is pressed within 2 s of it.
// What goes nowhere is logged as unassigned. Times are station clock counts.
class CameraLapRouter {
  public:
    static constexpr double kAssignSeconds = 2.0;

    CameraLapRouter(const std::array<int, kSlotCount>& marker_of_slot, qint64 frequency)
        : marker_of_slot_(marker_of_slot), frequency_(frequency) {}

    // The slot whose lap this crossing completes, or 0 (a band trigger waits for a
    // key; an unknown marker is logged).
    int OnCrossing(int marker_id, bool band, qint64 counter);
    // A lap key pressed at now: the waiting band crossing nearest to it within 2 s,
    // which it takes for that kart.
    std::optional<qint64> TakeForKey(qint64 now);
    // Log lines of crossings that nobody took, once their 2 s have passed (all of
    // them when flush).
    std::vector<QString> Expire(qint64 now, bool flush = false);

  private:
    std::array<int, kSlotCount> marker_of_slot_;
    qint64 frequency_;
    std::deque<qint64> waiting_;  // band crossings, oldest first
    std::vector<QString> unknown_;
};

// A line of the camera's log: "camera;SLOT;MARKER;METHOD;COUNTER_SECONDS", with
// SLOT "unassigned" for a crossing no kart took and MARKER "-" for a band trigger.
QString CameraLogLine(int slot, int marker_id, bool band, double seconds);
// The camera's log of a session sits beside its lap log, in a file of its own so the
// lap log's format stays as it is.
QString CameraLogPathFor(const QString& lap_log_path);
bool AppendCameraLogLine(const QString& path, const QString& line);
// Moves the camera's log of a journal to stand beside the lap log the journal became
// (to_lap_log_path). True when there was none or it moved; a log it cannot move
// stays where it is.
bool MoveCameraLog(const QString& from_lap_log_path, const QString& to_lap_log_path);
