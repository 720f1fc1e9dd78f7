#include "RecordsUpdater.h"

#include <sys/resource.h>
#include <unistd.h>

RecordsUpdater::RecordsUpdater(const QString& program_folder, QObject* parent,
                               std::function<QDate()> today)
    : QObject(parent), program_folder_(program_folder), today_(std::move(today)) {
    if (!today_) {
        today_ = [] { return QDate::currentDate(); };
    }
}

RecordsUpdater::~RecordsUpdater() {
    if (thread_ != nullptr) {
        cancel_ = true;
        thread_->wait();
        delete thread_;
    }
}

void RecordsUpdater::Request(const QString& session_path) {
    if (session_path.isEmpty()) {
        pending_full_ = true;
    } else if (!pending_files_.contains(session_path)) {
        pending_files_.append(session_path);
    }
    if (thread_ == nullptr) {
        StartThread();
    }
}

void RecordsUpdater::StartThread() {
    const bool full = pending_full_;
    const QStringList files = full ? QStringList() : pending_files_;
    pending_full_ = false;
    pending_files_.clear();
    const QDate today = today_();
    thread_ = QThread::create([this, full, files, today] {
        // Timing comes first: on a busy machine the index waits, never the receiver
        // or the screen. The thread that reads files for it inherits this.
        setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
        // The connection is made, used and closed on this thread.
        RecordsIndex index(program_folder_);
        running_ = full ? index.Update(&cancel_) : IndexUpdate();
        for (const QString& file : files) {
            const IndexUpdate one = index.AddSessionFile(file);
            running_.files_read += one.files_read;
            running_.bytes_read += one.bytes_read;
            running_.unreadable += one.unreadable;
            running_.error = one.error.isEmpty() ? running_.error : one.error;
        }
        running_board_ = index.Board(today);
        if (index.damaged()) {
            // Damage the board's reads met: built again from the files.
            running_ = index.Update(&cancel_);
            running_board_ = index.Board(today);
        }
    });
    connect(thread_, &QThread::finished, this, &RecordsUpdater::ThreadEnded);
    thread_->start(QThread::LowPriority);
}

void RecordsUpdater::ThreadEnded() {
    delete thread_;
    thread_ = nullptr;
    last_ = running_;
    // A failed update whose reads failed too keeps the board it had.
    if (running_.error.isEmpty() || !running_board_.driver_bests.isEmpty()) {
        board_ = running_board_;
    }
    emit Updated(last_);
    if (pending_full_ || !pending_files_.isEmpty()) {
        StartThread();
    }
}
