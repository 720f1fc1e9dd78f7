#include "BackgroundSync.h"

#include <unistd.h>

BackgroundSync::BackgroundSync(int fd) : fd_(fd), thread_([this] { Run(); }) {}

BackgroundSync::~BackgroundSync() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void BackgroundSync::Request() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        pending_ = true;
    }
    wake_.notify_one();
}

void BackgroundSync::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return pending_ || stopping_; });
        if (pending_) {
            pending_ = false;
            lock.unlock();
            ::fdatasync(fd_);
            lock.lock();
            continue;
        }
        return;  // stopping with nothing pending
    }
}
