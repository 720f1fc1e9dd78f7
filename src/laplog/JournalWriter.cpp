#include "JournalWriter.h"

#include <unistd.h>

#include <cerrno>

JournalWriter::JournalWriter(int fd) : fd_(fd), thread_([this] { Run(); }) {}

JournalWriter::~JournalWriter() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void JournalWriter::Append(const QByteArray& records) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        queue_ += records;
    }
    wake_.notify_one();
}

void JournalWriter::Drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    drained_.wait(lock, [this] { return queue_.isEmpty() && !busy_; });
}

bool JournalWriter::WriteAll(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error_ = n < 0 ? errno : ENOSPC;
            return false;
        }
        done += n;
    }
    return true;
}

void JournalWriter::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return !queue_.isEmpty() || stopping_; });
        if (queue_.isEmpty()) {
            return;  // stopping, all written
        }
        const QByteArray batch = std::move(queue_);
        queue_.clear();
        busy_ = true;
        lock.unlock();
        if (!failed_) {
            if (WriteAll(batch)) {
                written_ += batch.size();
                // A failing sync (an I/O error on a USB stick or SD card) means the
                // records may never reach the disk: told as a failed write is.
                if (::fdatasync(fd_) != 0 && errno != EINTR) {
                    error_ = errno;
                    failed_ = true;
                }
            } else {
                failed_ = true;
                // A record cut in the middle would read as junk: back to the last whole one.
                if (::ftruncate(fd_, written_) != 0) {
                    // Left as it is; the reader skips the cut record.
                }
            }
        }
        lock.lock();
        busy_ = false;
        drained_.notify_all();
    }
}
