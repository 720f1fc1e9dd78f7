#include "CallOutQueue.h"

#include <algorithm>
#include <utility>

CallOutQueue::CallOutQueue(int capacity) : ring_(size_t(std::max(capacity, 1))) {}

bool CallOutQueue::Push(QString text) {
    const int size = capacity();
    if (count_ == size) {
        // The newest takes the oldest's place, which becomes the end of the queue.
        ring_[size_t(head_)] = std::move(text);
        head_ = (head_ + 1) % size;
        ++dropped_;
        return true;
    }
    ring_[size_t((head_ + count_) % size)] = std::move(text);
    ++count_;
    return false;
}

QString CallOutQueue::Pop() {
    if (count_ == 0) {
        return {};
    }
    QString text = std::move(ring_[size_t(head_)]);
    ring_[size_t(head_)] = QString();
    head_ = (head_ + 1) % capacity();
    --count_;
    return text;
}

void CallOutQueue::Clear() {
    while (count_ > 0) {
        Pop();
    }
    head_ = 0;
}
