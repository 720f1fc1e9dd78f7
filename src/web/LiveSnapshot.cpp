#include "LiveSnapshot.h"

bool LiveSnapshot::Publish(const QByteArray& json) {
    const std::lock_guard lock(mutex_);
    ++state_.serial;
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
