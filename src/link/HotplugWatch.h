#pragma once

#include <QString>
#include <map>

// Tells when USB device nodes come, go or change their rights, so the link can
// sleep instead of scanning the buses while no receiver is usable. It watches the
// device folder (devtmpfs /dev/bus/usb) and each bus folder in it through inotify:
// node created or deleted, and attribute changes, since udev sets the mode and the
// seat's ACL only after the kernel has created the node.
class HotplugWatch {
  public:
    static constexpr const char* kUsbDeviceFolder = "/dev/bus/usb";

    explicit HotplugWatch(QString folder = QString::fromLatin1(kUsbDeviceFolder));
    ~HotplugWatch();
    HotplugWatch(const HotplugWatch&) = delete;
    HotplugWatch& operator=(const HotplugWatch&) = delete;

    const QString& folder() const { return folder_; }
    // False where the folder does not exist (no USB support loaded) or inotify
    // is not available: the link then relies on its slow fall-back scan.
    bool watching() const { return descriptor_ >= 0 && !watches_.empty(); }
    // Readable when events are pending; -1 when not watching.
    int descriptor() const { return watching() ? descriptor_ : -1; }

    // Tries again to watch a folder that was missing until now.
    void Rearm();
    // Reads every pending event without blocking; true when any of them reports a
    // change of a device node or bus folder. Bus folders that appear are watched.
    bool TakeChanges();
    // Waits up to timeout_ms for a change (for callers without an event loop).
    bool WaitForChanges(int timeout_ms);

  private:
    void Watch(const QString& path);

    QString folder_;
    int descriptor_ = -1;
    std::map<int, QString> watches_;  // watch descriptor -> folder
};
