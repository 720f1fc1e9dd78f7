#pragma once

#include <QString>
#include <QtGlobal>

// A lap time read out the way a timekeeper calls it, in English words:
//   under a minute      seconds, hundredths       34.55   "thirty-four fifty-five"
//   under an hour       minutes, seconds, hund.   1:02.50 "one oh two fifty"
//   an hour or more     "N hour(s)", then the rest read as above
// Seconds and hundredths after a larger unit are two-digit groups: 05 is "oh five".
// Seconds of 00 after the minutes read "minute(s)" ("one minute oh five" for
// 1:00.05), so no "oh oh" is ever said; hundredths of 00 read "flat" ("thirty-four
// flat", "one hour flat"). A time under a second starts with "zero" ("zero oh five").
QString LapTimeInWords(qint32 centiseconds);

// 0 to 999,999,999 in words: "zero", "seven", "forty-two", "one hundred five",
// "three thousand six hundred".
QString NumberInWords(qint64 number);
