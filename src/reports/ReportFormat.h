#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

// Texts of the printed and exported results. Lap times keep the station's form
// (FormatLapTime, "01:02:33"); these are the figures the station's screen has no
// form for.

// The whole of a gap, never wrapped at a minute: "+0.68", "+29.00", "+1:29.00",
// "+61:00.00". The session screen's two-field gap drops the minutes, which is right
// beside a running lap but wrong on paper, where a 2:00.00 lap is 89 s off a 31.00.
QString FormatFullGap(qint64 centiseconds);

// A short time such as a sector: "10.12", "1:02.33" from a minute on.
QString FormatShortTime(qint64 centiseconds);

// Seconds with two decimals and the unit: "0.35 s".
QString FormatSeconds(double centiseconds);

// "14:05:33", or "--" when not known.
QString FormatClockTime(const QDateTime& at);

// A duration in whole seconds: "15:02", "1:05:09" from an hour on.
QString FormatDuration(qint64 seconds);
