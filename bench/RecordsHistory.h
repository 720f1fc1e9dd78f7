#pragma once

#include <QDate>
#include <QString>

// A synthetic history of a busy track, written as the station writes it: session
// files in day folders, and lap logs for the sessions of the last year.
struct RecordsHistoryShape {
    int sessions = 180'000;
    int days = 5 * 365;  // ending the day before `last_day`
    int drivers = 2'000;
    int log_days = 365;  // the most recent days whose sessions have lap logs
    QDate last_day = QDate(2026, 12, 7);
};

struct RecordsHistoryWritten {
    int sessions = 0;
    qint64 laps = 0;  // the laps an index takes: all laps of logged sessions, ten fastest of others
    qint64 bytes = 0;
    QString error;
};

// Writes the history under program_folder/Sessions. Deterministic: one shape
// gives the same files every time.
RecordsHistoryWritten WriteRecordsHistory(const QString& program_folder,
                                          const RecordsHistoryShape& shape);
// One more session file (with its lap log) ending at `ended`; its path.
QString WriteOneRecordsSession(const QString& program_folder, const QDateTime& ended, int seed);
