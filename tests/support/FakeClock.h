#pragma once

#include "Clock.h"

// A clock the test sets by hand. The counter runs at 10 MHz, as the Windows
// performance counter usually does, so one centisecond is 100,000 counts.
class FakeClock final : public Clock {
  public:
    static constexpr qint64 kFrequency = 10'000'000;
    static constexpr qint64 kCountsPerCentisecond = kFrequency / 100;

    qint64 PerformanceCounter() const override { return counter_; }
    qint64 PerformanceFrequency() const override { return kFrequency; }
    QDateTime LocalDateTime() const override { return now_; }

    void SetCounter(qint64 counter) { counter_ = counter; }
    void AdvanceCentiseconds(qint64 centiseconds) {
        counter_ += centiseconds * kCountsPerCentisecond;
    }
    void AdvanceCounts(qint64 counts) { counter_ += counts; }
    void SetLocalDateTime(const QDateTime& now) { now_ = now; }

  private:
    qint64 counter_ = 1'000'000'000;  // not zero, so "zero" defaults cannot pass by accident
    QDateTime now_{QDate(2012, 5, 31), QTime(14, 5, 0)};
};
