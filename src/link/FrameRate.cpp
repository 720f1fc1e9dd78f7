#include "FrameRate.h"

#include <algorithm>

namespace {

// Bucket index for a bucket number, also for the numbers before 0 that the first
// second looks back at.
size_t Slot(qint64 bucket, int count) {
    return size_t(((bucket % count) + count) % count);
}

}  // namespace

FrameRate::FrameRate(const Clock& clock)
    : clock_(clock),
      ticks_per_bucket_(std::max<qint64>(clock.PerformanceFrequency() / kBucketsPerSecond, 1)),
      current_(clock.PerformanceCounter() / ticks_per_bucket_) {}

void FrameRate::Advance(qint64 now) {
    const qint64 bucket = now / ticks_per_bucket_;
    if (bucket <= current_) {
        return;  // same bucket (or a counter that went back: keep counting there)
    }
    if (bucket - current_ >= kBuckets) {
        buckets_.fill(0);
    } else {
        for (qint64 i = current_ + 1; i <= bucket; ++i) {
            buckets_[Slot(i, kBuckets)] = 0;
        }
    }
    current_ = bucket;
}

double FrameRate::Sum(qint64 now) const {
    int whole = 0;
    for (int i = 0; i < kBucketsPerSecond; ++i) {
        whole += buckets_[Slot(current_ - i, kBuckets)];
    }
    const qint64 into_current =
        std::clamp<qint64>(now - current_ * ticks_per_bucket_, 0, ticks_per_bucket_);
    const double oldest_share = 1.0 - double(into_current) / double(ticks_per_bucket_);
    return whole + oldest_share * buckets_[Slot(current_ + 1, kBuckets)];
}

double FrameRate::Count() {
    return Count(clock_.PerformanceCounter());
}

double FrameRate::Count(qint64 now) {
    Advance(now);
    ++buckets_[Slot(current_, kBuckets)];
    return Sum(now);
}

double FrameRate::PerSecond() {
    const qint64 now = clock_.PerformanceCounter();
    Advance(now);
    return Sum(now);
}
