#pragma once

class QCalendarWidget;
class QDate;

// Dresses a QCalendarWidget as the day picker's month calendar: Polish month and
// weekday names ("Pn" .. "N"), ISO week numbers under "CW", Monday first, and the
// picker's colours for days, weekends, today, the selection and the headers.
void ApplyCalendarLook(QCalendarWidget* calendar, const QDate& today);
