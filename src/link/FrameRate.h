#pragma once

#include <QtGlobal>
#include <array>

#include "Clock.h"

// Frames decoded over the last second, for the operator's status line. Counted in
// 100 ms buckets of the performance counter, so one frame costs a counter read and
// an increment whatever the frame rate; the oldest bucket counts for the part of
// it that still lies within the second.
class FrameRate {
  public:
    explicit FrameRate(const Clock& clock);

    double Count();            // one frame decoded now; returns PerSecond()
    double Count(qint64 now);  // the same with the performance counter already read
    double PerSecond();        // frames within the last second, up to now

  private:
    static constexpr int kBucketsPerSecond = 10;
    static constexpr int kBuckets = kBucketsPerSecond + 1;  // and the partly expired one
    void Advance(qint64 now);
    double Sum(qint64 now) const;

    const Clock& clock_;
    qint64 ticks_per_bucket_;
    qint64 current_ = 0;  // index of the bucket now being filled
    std::array<int, kBuckets> buckets_{};
};
