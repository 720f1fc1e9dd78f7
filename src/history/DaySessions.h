#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "CsvExport.h"
#include "SessionRecord.h"

// Every session of a day folder, read for an export: unlike the history windows'
// table of the day's 100 most recent sessions, an export takes them all.
struct DaySessions {
    std::vector<std::unique_ptr<SessionRecord>> records;  // in name (time) order
    std::vector<ExportSession> sessions;                  // each pointing at its record
    QStringList skipped;  // lines of lap logs that could not be read, with their session
    QString error;        // the folder exists but cannot be read
};

// A missing folder is an empty day.
DaySessions LoadDaySessionsForExport(const QString& day_folder);

// One session: its label, its ten fastest and its lap log.
ExportSession ExportSessionOf(const SessionRecord& record);
