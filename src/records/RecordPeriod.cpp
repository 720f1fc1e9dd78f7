#include "RecordPeriod.h"

DayRange RangeOf(RecordPeriod period, const QDate& today) {
    switch (period) {
        case RecordPeriod::kDay:
            return {today, today};
        case RecordPeriod::kWeek:
            return {today.addDays(1 - today.dayOfWeek()), today.addDays(7 - today.dayOfWeek())};
        case RecordPeriod::kMonth:
            return {QDate(today.year(), today.month(), 1),
                    QDate(today.year(), today.month(), today.daysInMonth())};
        case RecordPeriod::kYear:
            return {QDate(today.year(), 1, 1), QDate(today.year(), 12, 31)};
        case RecordPeriod::kAll:
            break;
    }
    return {};
}

std::optional<RecordPeriod> ParseRecordPeriod(const QString& word) {
    static const std::pair<const char*, RecordPeriod> kWords[] = {
        {"day", RecordPeriod::kDay},     {"week", RecordPeriod::kWeek},
        {"month", RecordPeriod::kMonth}, {"year", RecordPeriod::kYear},
        {"all", RecordPeriod::kAll},
    };
    for (const auto& [text, period] : kWords) {
        if (word == QLatin1String(text)) {
            return period;
        }
    }
    return std::nullopt;
}

QString PeriodTitle(RecordPeriod period) {
    switch (period) {
        case RecordPeriod::kDay:
            return QStringLiteral("Today");
        case RecordPeriod::kWeek:
            return QStringLiteral("This week");
        case RecordPeriod::kMonth:
            return QStringLiteral("This month");
        case RecordPeriod::kYear:
            return QStringLiteral("This year");
        case RecordPeriod::kAll:
            break;
    }
    return QStringLiteral("All time");
}
