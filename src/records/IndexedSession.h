#pragma once

#include <QDateTime>
#include <QString>
#include <vector>

// One lap as the records index keeps it.
struct IndexedLap {
    QString driver_name;  // as typed (trimmed); the key comes from DriverKey
    int slot = 0;
    qint32 lap_number = 0;
    qint32 lap_time = 0;        // centiseconds
    QDateTime at;               // when the lap was driven, or the session ended (top ten only)
    bool top_ten_only = false;  // from a session without a lap log: its ten fastest
};

struct IndexedSession {
    std::vector<IndexedLap> laps;
    QString error;  // why the session file could not be read; empty when it was
};

// The laps of a session file: every lap of its lap log that stands (deleted laps
// are left out), or, without a lap log, each kart's ten fastest from the file
// itself. Karts without a driver's name have no records and are left out. The
// session's time comes from the file name (yyyy_mm_dd_hh_mm...), else from the
// file's modification time (milliseconds since the epoch) when that falls on the
// day its folder is named after, else from the start of that day.
IndexedSession ReadIndexedSession(const QString& session_path, qint64 modified_ms);

// "2012_05_31_14_05.txt" -> 31 May 2012 14:05; invalid for other names.
QDateTime SessionEndFromName(const QString& file_name);
