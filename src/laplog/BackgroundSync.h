#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

// Flushes a file descriptor to the disk (fdatasync) on a thread of its own, so the
// thread that appends never waits for the disk. Request() after each append; the
// thread syncs once for however many requests came meanwhile. The descriptor must
// stay open until this object is destroyed (the destructor joins the thread).
class BackgroundSync {
  public:
    explicit BackgroundSync(int fd);
    ~BackgroundSync();
    BackgroundSync(const BackgroundSync&) = delete;
    BackgroundSync& operator=(const BackgroundSync&) = delete;

    void Request();

  private:
    void Run();

    int fd_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool pending_ = false;
    bool stopping_ = false;
    std::thread thread_;
};
