#pragma once

#include <QString>
#include <QtGlobal>

// Display texts of times in centiseconds, shared by every window and file.

// "%2.2d:%2.2d:%2.2d" of minutes, seconds, hundredths. Minutes are never folded
// into hours: 100 minutes print as "100:00:00". The time is unsigned 32-bit.
QString FormatLapTime(quint32 centiseconds);
// The same text written over `text`: no allocation when text owns a buffer of its
// own that is large enough (a time rewritten for every frame).
void FormatLapTimeInto(quint32 centiseconds, QString& text);

// "+%2.2d:%2.2d" of (seconds mod 60, hundredths): minutes are dropped, so a gap of
// 75.00 s prints "+15:00". Truncating division, as the stored files expect.
QString FormatGap(qint64 gap);

// The two fields of FormatGap without the plus sign ("%2.2d:%2.2d").
QString FormatGapFields(qint64 gap);

// "L:%2.2d" of a lap number; three digits above 99.
QString FormatLapNumber(qint64 lap_number);

// "%2.2d:%2.2d:%2.2d" of hours, minutes, seconds; hours are not bounded.
QString FormatClock(qint64 seconds);
