#include "HotplugWatch.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <QDir>
#include <array>
#include <cerrno>

namespace {

constexpr uint32_t kNodeEvents = IN_CREATE | IN_DELETE | IN_ATTRIB | IN_MOVED_FROM | IN_MOVED_TO;

}  // namespace

HotplugWatch::HotplugWatch(QString folder) : folder_(std::move(folder)) {
    descriptor_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    Rearm();
}

HotplugWatch::~HotplugWatch() {
    if (descriptor_ >= 0) {
        close(descriptor_);
    }
}

void HotplugWatch::Rearm() {
    if (descriptor_ < 0 || !watches_.empty()) {
        return;
    }
    Watch(folder_);
    if (watches_.empty()) {
        return;
    }
    const QDir dir(folder_);
    for (const QString& bus : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        Watch(dir.filePath(bus));
    }
}

void HotplugWatch::Watch(const QString& path) {
    const int watch = inotify_add_watch(descriptor_, QFile::encodeName(path).constData(),
                                        kNodeEvents | IN_ONLYDIR);
    if (watch >= 0) {
        watches_[watch] = path;
    }
}

bool HotplugWatch::TakeChanges() {
    if (descriptor_ < 0) {
        return false;
    }
    bool changed = false;
    // Aligned for the event structures the kernel writes into it.
    alignas(inotify_event) std::array<char, 4096> buffer;
    for (;;) {
        const ssize_t length = read(descriptor_, buffer.data(), buffer.size());
        if (length < 0 && errno == EINTR) {
            continue;
        }
        if (length <= 0) {
            break;  // EAGAIN: nothing more pending
        }
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + offset);
            offset += ssize_t(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                changed = true;  // events were lost: assume the worst
                continue;
            }
            const auto watched = watches_.find(event->wd);
            if (event->mask & IN_IGNORED) {
                if (watched != watches_.end()) {
                    watches_.erase(watched);  // its folder is gone
                }
                changed = true;
                continue;
            }
            if (!(event->mask & kNodeEvents)) {
                continue;
            }
            changed = true;
            // A new bus folder in the top folder: watch its nodes too.
            if ((event->mask & IN_ISDIR) && (event->mask & (IN_CREATE | IN_MOVED_TO)) &&
                watched != watches_.end() && watched->second == folder_ && event->len > 0) {
                Watch(QDir(folder_).filePath(QFile::decodeName(event->name)));
            }
        }
    }
    return changed;
}

bool HotplugWatch::WaitForChanges(int timeout_ms) {
    if (!watching()) {
        return false;
    }
    pollfd entry{descriptor_, POLLIN, 0};
    if (poll(&entry, 1, timeout_ms) <= 0) {
        return false;
    }
    return TakeChanges();
}
