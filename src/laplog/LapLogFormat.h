#pragma once

#include <QByteArray>
#include <QString>

#include "LapRecord.h"

// The lap log: one CSV file per session (dialect in CsvDialect.h, columns in
// docs/lap-log.md) with one record per kart set-up, completed lap, lap correction
// and reported sector time, in the order they happened. While the session runs it is the
// journal; once the session file is written it sits beside it:
//   Sessions/<day>/<yyyy_mm_dd_hh_mm>.txt  ->  Sessions/<day>/laps/<yyyy_mm_dd_hh_mm>.csv
// The day loaders list only the files of the day folder, so they never see laps/.

// "laps" folder of a day folder.
QString LapsFolderPath(const QString& day_folder);
// The finished lap log of a session file (which need not exist).
QString LapLogPathFor(const QString& session_file_path);

// "mm:ss.cc" (minutes not folded into hours) and decimal seconds with a '.' point.
QString LapTimeText(qint64 centiseconds);
QString DecimalSeconds(qint64 centiseconds);

// The byte-order mark and the header record every lap log starts with.
QByteArray LapLogHeader();
QByteArray LapLogLine(const LapRecord& lap);
QByteArray LapLogLine(const SectorRecord& sector);
QByteArray LapLogLine(const LapLogKart& kart);
QByteArray LapLogLine(const LapCorrectionRecord& correction);

// Everything readable of a lap log's bytes. Records that cannot be read (hand
// edits, junk, a line cut off at the end) are left out and listed in skipped.
// Corrections are applied to the laps they name (LapRecord::deleted, deleted_at);
// one that names no lap of the log before it is listed in skipped.
SessionLapLog ParseLapLog(const QByteArray& bytes);
// The lap log at path; a missing file gives an empty log with nothing skipped.
SessionLapLog ReadLapLog(const QString& path);
