#pragma once

#include <sys/resource.h>

#include <QDir>
#include <QStringList>
#include <csignal>

// Lowers the file size limit for one scope, so writes past it fail as on a full
// disk (the tests run as root, where permissions stop nothing). SIGXFSZ is ignored
// meanwhile, so the write returns a short count instead of killing the process.
class DiskFull {
  public:
    explicit DiskFull(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~DiskFull() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_handler_);
    }
    DiskFull(const DiskFull&) = delete;
    DiskFull& operator=(const DiskFull&) = delete;

  private:
    rlimit saved_{};
    void (*previous_handler_)(int) = nullptr;
};

// Every entry of a folder, hidden ones too, so a temporary file left behind shows.
inline QStringList FolderEntries(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}
