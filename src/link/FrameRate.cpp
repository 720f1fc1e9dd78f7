#include "FrameRate.h"

#include <algorithm>

FrameRate::FrameRate(const Clock& clock)
    : clock_(clock),
      ticks_per_bucket_(std::max<qint64>(clock.PerformanceFrequency() / kBuckets, 1)),
      current_(clock.PerformanceCounter() / ticks_per_bucket_) {}

void FrameRate::Advance() {
    const qint64 now = clock_.PerformanceCounter() / ticks_per_bucket_;
    if (now <= current_) {
        return;  // same bucket (or a counter that went back: keep counting there)
    }
    if (now - current_ >= kBuckets) {
        Clear();
    } else {
        for (qint64 i = current_ + 1; i <= now; ++i) {
            int& bucket = buckets_[size_t(i % kBuckets)];
            total_ -= bucket;
            bucket = 0;
        }
    }
    current_ = now;
}

int FrameRate::Count() {
    Advance();
    ++buckets_[size_t(current_ % kBuckets)];
    return ++total_;
}

int FrameRate::PerSecond() {
    Advance();
    return total_;
}

void FrameRate::Clear() {
    buckets_.fill(0);
    total_ = 0;
}
