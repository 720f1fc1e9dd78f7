#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

#include "SessionRecord.h"

class IniFile;
class Station;

// Where sessions live: <program folder>Sessions/<yyyy_mm_dd>/<yyyy_mm_dd_hh_mm>.txt,
// one folder per day, one INI file per session in section "Ustawienia".
QString SessionsFolderPath(const QString& program_folder);
QString DayFolderPath(const QString& program_folder, const QDate& day);
QString SessionFilePath(const QString& program_folder, const QDateTime& ended_at);

// The 271 lines of a session file (header and 5 blocks of 54), CR LF ended, for the
// kart slots 1..5 as they stand.
QString SessionFileText(const std::array<const KartSlot*, kSlotCount>& karts);
QString SessionFileText(const Station& station);
// The bytes the session recorder writes: that text as UTF-8.
QByteArray SessionFileBytes(const Station& station);

// Kart slots 1..5 of a session record from a session file's keys. Missing or
// malformed keys give their defaults.
void ReadSessionKarts(const IniFile& file, SessionRecord* record);

// A real session file is a few kilobytes. The loaders read no more than this, so a
// stray huge file in a day folder cannot stall the browser; keys past the cut (made
// after the last complete line, so a UTF-8 character is never split) read as missing.
inline constexpr qint64 kMaxSessionFileBytes = 256 * 1024;
// Kart slots 1..5 of a session record from a file holding these bytes, as the
// loaders read it.
void ReadSessionFile(const QByteArray& bytes, SessionRecord* record);

// "2012_05_31_14_05.txt" -> "2012-05-31 14:05"; other names give a shorter label.
QString SessionLabel(const QString& file_name);

// The today variant titles records "N : label"; the history variant titles them
// with the file name (its tabs show the label).
enum class SessionTitles { kToday, kHistory };

struct SessionFolderLoad {
    QStringList file_names;  // of the records loaded, in record order
    int day_total = 0;       // every file of the folder, loaded or not
    QString error;           // empty unless the folder exists but cannot be read
};

// Fills table from the session files of day_folder in name order (that is time
// order). Only the 100 most recent files fit the table; the count of all files is
// kept in day_total. Records beyond those loaded keep what they held. A missing
// folder is an empty day, not an error.
SessionFolderLoad LoadSessionFolder(const QString& day_folder, SessionTable& table,
                                    SessionTitles titles);
// LoadSessionFolder once the folder is listed: file_names holds every file of the
// day in name order, read_file gives the bytes of one of them (the first
// kMaxSessionFileBytes + 1 are enough).
SessionFolderLoad LoadSessionFiles(const QStringList& file_names,
                                   const std::function<QByteArray(const QString&)>& read_file,
                                   SessionTable& table, SessionTitles titles);
