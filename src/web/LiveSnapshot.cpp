#include "LiveSnapshot.h"

#include <chrono>

qint64 SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool LiveSnapshot::Publish(const QByteArray& json) {
    const qint64 now = SteadyMs();
    const std::lock_guard lock(mutex_);
    ++state_.serial;
    state_.looked_at_ms = now;
    if (state_.version > 0 && json == state_.json) {
        return false;
    }
    state_.json = json;
    ++state_.version;
    return true;
}

LiveSnapshot::State LiveSnapshot::Latest() const {
    const std::lock_guard lock(mutex_);
    return state_;
}
