#pragma once

#include <QDateTime>
#include <QtGlobal>

// The one seam for time: the high-resolution performance counter and the local
// date-time. Production uses SystemClock; tests set a fake one, so a lap of
// exactly 5.00 s or a file written at 14:05 can be produced on demand.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual qint64 PerformanceCounter() const = 0;
    virtual qint64 PerformanceFrequency() const = 0;
    virtual QDateTime LocalDateTime() const = 0;
};

class SystemClock final : public Clock {
  public:
    qint64 PerformanceCounter() const override;
    qint64 PerformanceFrequency() const override;
    QDateTime LocalDateTime() const override;
};

// Counter difference converted to centiseconds: diff / frequency * 100, rounded to
// the nearest integer with halves to even. Exact integer arithmetic, so 0.5 cs
// boundaries do not depend on floating-point noise.
qint64 CountsToCentiseconds(qint64 counter_diff, qint64 frequency);

// Same rounding, to whole seconds (the session clock).
qint64 CountsToSeconds(qint64 counter_diff, qint64 frequency);
