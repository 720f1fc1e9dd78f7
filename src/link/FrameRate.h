#pragma once

#include <QtGlobal>
#include <array>

#include "Clock.h"

// Frames decoded over the last second, for the operator's status line. Counted in
// ten 100 ms buckets of the performance counter, so one frame costs a counter read
// and an increment, whatever the frame rate.
class FrameRate {
  public:
    explicit FrameRate(const Clock& clock);

    int Count();      // one frame decoded now; returns PerSecond()
    int PerSecond();  // frames counted within the last second, up to now
    void Clear();

  private:
    static constexpr int kBuckets = 10;
    void Advance();

    const Clock& clock_;
    qint64 ticks_per_bucket_;
    qint64 current_ = 0;  // index of the bucket now being filled
    std::array<int, kBuckets> buckets_{};
    int total_ = 0;
};
