#pragma once

#include <QByteArray>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

// Writes the journal's records on a thread of its own: write(2) and then
// fdatasync(2) for whatever was queued meanwhile. On ext4 a write that meets a
// running fdatasync (or the journal commit it forces) waits for it, for several
// milliseconds; kept off the thread that reads frames, appending costs a copy into
// the queue. After the first failed write (disk full) the file is cut back to its
// last whole record and nothing more is written; a failed fdatasync (an I/O error)
// counts as a failed write. The descriptor must stay open
// until this object is destroyed; the destructor writes what is queued and joins.
class JournalWriter {
  public:
    explicit JournalWriter(int fd);
    ~JournalWriter();
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    void Append(const QByteArray& records);
    // Waits until everything appended so far has been written and synced (or failed).
    void Drain();
    bool failed() const { return failed_.load(); }
    int error() const { return error_.load(); }  // errno of the failed write or sync

  private:
    void Run();
    bool WriteAll(const QByteArray& bytes);

    int fd_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable drained_;
    QByteArray queue_;
    bool busy_ = false;
    bool stopping_ = false;
    qint64 written_ = 0;  // always at a record boundary
    std::atomic<bool> failed_{false};
    std::atomic<int> error_{0};
    std::thread thread_;
};
