#include "Clock.h"

#include <chrono>

qint64 SystemClock::PerformanceCounter() const {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

qint64 SystemClock::PerformanceFrequency() const {
    return 1'000'000'000;
}

QDateTime SystemClock::LocalDateTime() const {
    return QDateTime::currentDateTime();
}

namespace {

// numerator / denominator rounded half to even; denominator > 0.
qint64 DivideHalfToEven(__int128 numerator, __int128 denominator) {
    __int128 quotient = numerator / denominator;
    __int128 remainder = numerator % denominator;
    if (remainder < 0) {  // floor division, so the remainder is never negative
        remainder += denominator;
        quotient -= 1;
    }
    const __int128 twice = remainder * 2;
    if (twice > denominator || (twice == denominator && (quotient % 2 != 0))) {
        quotient += 1;
    }
    return static_cast<qint64>(quotient);
}

}  // namespace

qint64 CountsToCentiseconds(qint64 counter_diff, qint64 frequency) {
    if (frequency <= 0) {
        return 0;
    }
    return DivideHalfToEven(static_cast<__int128>(counter_diff) * 100, frequency);
}

qint64 CountsToSeconds(qint64 counter_diff, qint64 frequency) {
    if (frequency <= 0) {
        return 0;
    }
    return DivideHalfToEven(counter_diff, frequency);
}
