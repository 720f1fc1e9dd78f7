#include "RecordsUpdater.h"

RecordsUpdater::RecordsUpdater(const QString& program_folder, QObject* parent)
    : QObject(parent), program_folder_(program_folder) {}

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
    thread_ = QThread::create([this, full, files] {
        // The connection is made, used and closed on this thread.
        RecordsIndex index(program_folder_);
        if (full) {
            running_ = index.Update(&cancel_);
            return;
        }
        running_ = IndexUpdate();
        for (const QString& file : files) {
            const IndexUpdate one = index.AddSessionFile(file);
            running_.files_read += one.files_read;
            running_.bytes_read += one.bytes_read;
            running_.unreadable += one.unreadable;
            running_.error = one.error.isEmpty() ? running_.error : one.error;
        }
    });
    connect(thread_, &QThread::finished, this, &RecordsUpdater::ThreadEnded);
    thread_->start(QThread::LowPriority);
}

void RecordsUpdater::ThreadEnded() {
    delete thread_;
    thread_ = nullptr;
    last_ = running_;
    emit Updated(last_);
    if (pending_full_ || !pending_files_.isEmpty()) {
        StartThread();
    }
}
