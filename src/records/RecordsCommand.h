#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// ruvotimer --records PERIOD [--top N] [--folder DIR] [--csv]
// The fastest drivers of the period, one per line: rank, name, best lap as the
// station writes lap times (01:02:33) and the date of that lap; --csv gives the
// same as CSV in the station's locale. The index is brought up to date first.
struct RecordsCommandResult {
    int status = 0;  // 0; 1 when the index could not be read, 2 for wrong arguments (error set)
    QString output;
    QString error;
};

inline constexpr const char* kRecordsUsage = "--records PERIOD [--top N] [--folder DIR] [--csv]";

// arguments: what follows --records. program_folder: the folder used without --folder.
RecordsCommandResult RunRecordsCommand(const QStringList& arguments, const QString& program_folder,
                                       const QDate& today);
