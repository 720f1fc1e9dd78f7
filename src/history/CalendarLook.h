#pragma once

class QCalendarWidget;
class QDate;

// Dresses a QCalendarWidget as the day picker's month calendar: Polish month and
// weekday names ("Pn" .. "N"), ISO week numbers under "CW", Monday first, and the
// picker's colours for days, weekends, today, the selection and the headers.
void ApplyCalendarLook(QCalendarWidget* calendar, const QDate& today);

// Marks the selected day in lime, or (shown = false) paints it like the days around
// it, for a picker whose selection the operator cleared.
void ShowCalendarSelection(QCalendarWidget* calendar, bool shown);
