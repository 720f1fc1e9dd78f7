#pragma once

#include <QDate>
#include <QString>
#include <optional>

// The periods the records are kept for. A week starts on Monday.
enum class RecordPeriod { kDay, kWeek, kMonth, kYear, kAll };

struct DayRange {
    QDate first;  // invalid: no bound
    QDate last;
};

DayRange RangeOf(RecordPeriod period, const QDate& today);
// "day", "week", "month", "year", "all" (the command line's words).
std::optional<RecordPeriod> ParseRecordPeriod(const QString& word);
// "Today", "This week", ... for the window's tabs.
QString PeriodTitle(RecordPeriod period);

// Months counted from year 0, so a range of months is a range of integers.
inline int MonthNumber(const QDate& day) {
    return day.year() * 12 + day.month() - 1;
}
