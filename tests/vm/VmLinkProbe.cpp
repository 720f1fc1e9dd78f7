// Runs one scenario of the kernel-level receiver test inside the test guest: the
// production link code (ruvo_link, the real libusb 0.1) against the emulated USB-Key.
// Prints "check ..." lines that scripts/vm-test compares exactly with
// tests/vm/expected/SCENARIO.txt, "measure ..." lines it records, and one
// "code FUNCTION RESULT xCOUNT" line per libusb result seen.
//
//   vm_link_probe SCENARIO
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include <usb.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "AutoMessageQueue.h"
#include "FrameBytes.h"
#include "OutgoingFrames.h"
#include "ReceiverLink.h"
#include "Station.h"
#include "UsbCallTrace.h"
#include "UsbReceiver.h"

namespace {

namespace fs = std::filesystem;
using usb_trace::Clock;

constexpr quint32 kEndSerial = 0xE0E0E0;  // the last frame of a scripted race
constexpr quint32 kAckSerial = 0xACC0DE;  // the emulator's reply to a message frame
constexpr int kDeadlineMs = 20000;        // a scenario that never ends fails, not hangs

void Check(const std::string& line) {
    std::printf("check %s\n", line.c_str());
    std::fflush(stdout);
}

void Measure(const std::string& line) {
    std::printf("measure %s\n", line.c_str());
    std::fflush(stdout);
}

std::string Hex(const Frame& frame) {
    std::string text;
    char byte[4];
    for (size_t i = 0; i < frame.size(); ++i) {
        std::snprintf(byte, sizeof byte, i == 0 ? "%02x" : " %02x", frame[i]);
        text += byte;
    }
    return text;
}

const char* OpenResultName(OpenResult result) {
    switch (result) {
        case OpenResult::kOpened:
            return "kOpened";
        case OpenResult::kNoAccess:
            return "kNoAccess";
        case OpenResult::kFailed:
            return "kFailed";
    }
    return "?";
}

// Scans like a poll cycle and opens the receiver found: "kOpened", "kNoAccess",
// "kFailed", "not listed" or "not usable: REASON".
std::string ScanAndOpen(UsbReceiver& receiver) {
    InitUsb();
    const FoundReceiver found = FindReceiver();
    if (found.device == nullptr) {
        return found.listed ? "not usable: " + found.fault.toStdString() : "not listed";
    }
    return OpenResultName(receiver.Open(found.device));
}

std::string StatusText(const Station& station) {
    return ReceiverStatusText(station.receiver_status).toStdString();
}

std::string StateName(ReceiverState state) {
    switch (state) {
        case ReceiverState::kNotFound:
            return "not found";
        case ReceiverState::kNoAccess:
            return "no access";
        case ReceiverState::kNotUsable:
            return "not usable";
        case ReceiverState::kConnected:
            return "connected";
    }
    return "?";
}

double MillisecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Records the laps, and ends the poll loop once the race's last frame came.
class RaceRecorder : public SessionView {
  public:
    explicit RaceRecorder(Station& station) : station_(station) {}
    void RefreshKarts() override {
        const std::string state = StateName(station_.receiver_status.state);
        if (states.empty() || states.back() != state) {
            states.push_back(state);
        }
        if ((ReadU32(station_.receive_buffer, 0) & 0xFFFFFF) == kEndSerial) {
            station_.stop_requested = true;
        }
        if (auto_messages != nullptr) {
            auto_messages->Pump(station_);  // as the session screen does after each cycle
        }
    }
    void RecordLap(qint32 lap_time, int slot, qint32 rpm_max, qint32 rpm_min) override {
        laps.push_back("lap slot=" + std::to_string(slot) +
                       " number=" + std::to_string(station_.slot(slot).current_lap_number) +
                       " time=" + std::to_string(lap_time) + " rpm_max=" + std::to_string(rpm_max) +
                       " rpm_min=" + std::to_string(rpm_min));
    }
    std::vector<std::string> laps;
    std::vector<std::string> states;  // the operator's status line as it changed
    AutoMessageQueue* auto_messages = nullptr;

  private:
    Station& station_;
};

std::string Joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : ", ") + part;
    }
    return text;
}

class TransmissionRecorder : public TransmissionView {
  public:
    TransmissionRecorder(Station& station, size_t stop_after)
        : station_(station), stop_after_(stop_after) {}
    void UpdateTransmission(qint32 serial, qint32 counter, qint32 network) override {
        updates.push_back("update serial=" + std::to_string(serial) + " counter=" +
                          std::to_string(counter) + " network=" + std::to_string(network));
        if (updates.size() >= stop_after_) {
            station_.stop_requested = true;
        }
    }
    std::vector<std::string> updates;

  private:
    Station& station_;
    size_t stop_after_;
};

// Runs the production poll loop until the scenario stops it or the deadline passes;
// returns the link's count of bus scans.
qint64 RunLoop(Station& station, PollMode mode, int deadline_ms = kDeadlineMs) {
    bool deadline = false;
    QTimer::singleShot(deadline_ms, [&] {
        deadline = true;
        station.stop_requested = true;
    });
    station.stop_requested = false;
    station.poll_mode = mode;
    ReceiverLink link(station);
    link.RunPollLoop();
    station.poll_mode = kPollIdle;
    Check(std::string("stopped_by=") + (deadline ? "deadline" : "scenario"));
    return link.scan_count();
}

// sysfs name of the emulated device ("3-1"), empty when it is not there.
std::string DeviceSysfsName() {
    for (const auto& entry : fs::directory_iterator("/sys/bus/usb/devices")) {
        const std::string name = entry.path().filename();
        std::ifstream vendor(entry.path() / "idVendor");
        std::string id;
        if (name.find(':') == std::string::npos && vendor >> id && id == "1234") {
            return name;
        }
    }
    return {};
}

std::string DeviceNode() {
    const fs::path device = fs::path("/sys/bus/usb/devices") / DeviceSysfsName();
    int bus = 0;
    int number = 0;
    std::ifstream(device / "busnum") >> bus;
    std::ifstream(device / "devnum") >> number;
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03d/%03d", bus, number);
    return node;
}

std::string InterfaceDriver(const std::string& device, int interface) {
    const fs::path link =
        fs::path("/sys/bus/usb/devices") / (device + ":1." + std::to_string(interface)) / "driver";
    std::error_code error;
    const fs::path target = fs::read_symlink(link, error);
    return error ? "none" : target.filename().string();
}

void OpenScenario() {
    UsbReceiver receiver;
    Check("open=" + ScanAndOpen(receiver));
    const std::string device = DeviceSysfsName();
    Check("interface1_driver=" + InterfaceDriver(device, 1));
    Check("interface0_driver=" + InterfaceDriver(device, 0));
}

void TimeoutScenario() {
    UsbReceiver receiver;
    Check("open=" + ScanAndOpen(receiver));
    Frame frame{};
    const auto start = Clock::now();
    const int result = receiver.Read(frame);
    const double elapsed = MillisecondsBetween(start, Clock::now());
    Check("read=" + std::to_string(result));
    // libusb cannot give up before the timeout; how much later it does is measured.
    Check(std::string("waited_whole_timeout=") +
          (elapsed >= receiver_usb::kReadTimeoutMs ? "yes" : "no"));
    Measure("read_timeout_ms=" + std::to_string(int(elapsed + 0.5)));
}

// Each libusb call once on the first device with the receiver's IDs, whatever the
// one before returned: what a program that ignored the results would see. Reported
// through Check where the link relies on the result, else through Measure.
void RawCallsOnFirstReceiver(void (*report)(const std::string&)) {
    usb_init();
    usb_find_busses();
    usb_find_devices();
    for (usb_bus* bus = usb_get_busses(); bus != nullptr; bus = bus->next) {
        for (struct usb_device* device = bus->devices; device != nullptr; device = device->next) {
            if (device->descriptor.idVendor != receiver_usb::kVendorId) {
                continue;
            }
            usb_dev_handle* handle = usb_open(device);
            if (handle == nullptr) {
                report("raw_open=NULL");
                return;
            }
            char bytes[kFrameSize] = {};
            report("raw_set_configuration=" + std::to_string(usb_set_configuration(handle, 1)));
            report("raw_claim_interface=" + std::to_string(usb_claim_interface(handle, 1)));
            report("raw_bulk_write=" +
                   std::to_string(usb_bulk_write(handle, 0x05, bytes, kFrameSize, 1000)));
            report("raw_bulk_read=" +
                   std::to_string(usb_bulk_read(handle, 0x82, bytes, kFrameSize, 100)));
            report("raw_close=" + std::to_string(usb_close(handle)));
            return;
        }
    }
    report("raw_open=not listed");
}

// Run as a user without rights; the node's mode is set by the guest script.
void AccessScenario() {
    {
        UsbReceiver receiver;
        Check("open=" + ScanAndOpen(receiver));
    }
    SystemClock clock;
    Station station(clock, QStringLiteral("/nonexistent/"));
    ReceiverLink link(station);
    link.ProbeReceiver();
    Check("status=" + StatusText(station));
    RawCallsOnFirstReceiver(Check);
}

void SetRadioSlot(Station& station, int slot, quint32 serial) {
    station.slot(slot).radio = true;
    station.slot(slot).serial_number = qint32(serial);
}

void RaceScenario() {
    SystemClock clock;
    Station station(clock, QStringLiteral("/nonexistent/"));
    SetRadioSlot(station, 1, 0x0A1B01);
    SetRadioSlot(station, 2, 0x0A1B02);
    RaceRecorder recorder(station);
    station.session_screen = &recorder;
    RunLoop(station, kPollSession);
    for (const std::string& lap : recorder.laps) {
        Check(lap);
    }
    Check("laps=" + std::to_string(recorder.laps.size()));
    Check("states=" + Joined(recorder.states));
}

void MessageScenario() {
    SystemClock clock;
    Station station(clock, QStringLiteral("/nonexistent/"));
    SetRadioSlot(station, 2, 0x0A1B02);
    KartSlot& slot = station.slot(2);
    slot.node_address = 0x0102;
    slot.message_immediate = 1;
    slot.message_background = 0x0000FF;
    slot.message_font_colour = 0xFFFFFF;
    slot.message_line1 = QStringLiteral("PIT IN");
    slot.message_line2 = QStringLiteral("NEXT LAP");
    slot.message_pending = true;
    Station copy(clock, QStringLiteral("/nonexistent/"));
    copy.slot(2) = slot;
    // The emulator's log of what arrived is compared with this on the host.
    Measure("built_message_frame=" + Hex(BuildMessageFrame(copy, 2)));
    // An automatic message for the kart waits for the operator's, then goes in its own frame.
    AutoMessageQueue auto_messages;
    auto_messages.Push(station, 2,
                       AutoMessage{true, QStringLiteral("FINISH"), QStringLiteral("POSITION %P"),
                                   0x000000, 0xFFFFFF},
                       1, 0);
    Check("auto_moved_before_send=" + std::to_string(auto_messages.Pump(station)));
    RaceRecorder recorder(station);
    recorder.auto_messages = &auto_messages;
    station.session_screen = &recorder;
    RunLoop(station, kPollSession);
    Check("auto_waiting_after=" + std::to_string(auto_messages.waiting(2)));
    Check(std::string("message_pending=") + (slot.message_pending ? "1" : "0"));
    Check("lines_after=\"" + slot.message_line1.str().toStdString() + "\"/\"" +
          slot.message_line2.str().toStdString() + "\"");
    std::string serials;
    bool reply_decoded = false;
    for (const MemdaneRow& row : station.memdane.rows()) {
        reply_decoded = reply_decoded || row.sn == kAckSerial;
        char text[16];
        std::snprintf(text, sizeof text, "%s%06llx", serials.empty() ? "" : ",",
                      static_cast<unsigned long long>(row.sn));
        serials += text;
    }
    // The reply to the message (serial 0xACC0DE) must have been discarded, not decoded.
    Check("memdane_serials=" + serials);
    Check(std::string("reply_decoded=") + (reply_decoded ? "yes" : "no"));
}

void NetworkScenario() {
    SystemClock clock;
    Station station(clock, QStringLiteral("/nonexistent/"));
    TransmissionRecorder recorder(station, 2);
    station.transmission_test = &recorder;
    RunLoop(station, kPollTransmissionTest);
    for (const std::string& update : recorder.updates) {
        Check(update);
    }
}

// Counts the device nodes created under /dev/bus/usb while it lives and notes when
// the first creation was seen, from a thread of its own that reads the events as
// they come.
class NodeWatcher {
  public:
    NodeWatcher() : fd_(inotify_init1(IN_CLOEXEC | IN_NONBLOCK)) {
        for (const auto& bus : fs::directory_iterator("/dev/bus/usb")) {
            inotify_add_watch(fd_, bus.path().c_str(), IN_CREATE);
        }
        thread_ = std::thread([this] { Watch(); });
    }
    ~NodeWatcher() {
        Stop();
        ::close(fd_);
    }
    NodeWatcher(const NodeWatcher&) = delete;
    NodeWatcher& operator=(const NodeWatcher&) = delete;

    // Ends the watch; created() and first_created() hold from then on.
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    int created() const { return created_; }
    std::optional<std::chrono::system_clock::time_point> first_created() const {
        return first_created_;
    }

  private:
    void Watch() {
        alignas(inotify_event) char buffer[4096];
        while (!stop_) {
            pollfd ready{fd_, POLLIN, 0};
            if (::poll(&ready, 1, 20) <= 0) {
                continue;
            }
            const auto now = std::chrono::system_clock::now();
            for (ssize_t got; (got = ::read(fd_, buffer, sizeof buffer)) > 0;) {
                for (ssize_t at = 0; at < got;) {
                    const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                    if ((event->mask & IN_CREATE) != 0) {
                        ++created_;
                        first_created_ = first_created_.value_or(now);
                    }
                    at += ssize_t(sizeof(inotify_event) + event->len);
                }
            }
        }
    }

    int fd_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    int created_ = 0;
    std::optional<std::chrono::system_clock::time_point> first_created_;
};

void ReplugScenario() {
    NodeWatcher watcher;
    SystemClock clock;
    Station station(clock, QStringLiteral("/nonexistent/"));
    SetRadioSlot(station, 1, 0x0A1B01);
    RaceRecorder recorder(station);
    station.session_screen = &recorder;
    RunLoop(station, kPollSession);
    for (const std::string& lap : recorder.laps) {
        Check(lap);
    }
    Check("laps=" + std::to_string(recorder.laps.size()));
    Check("states=" + Joined(recorder.states));

    watcher.Stop();
    Check("nodes_created=" + std::to_string(watcher.created()));
    // The re-plugged receiver's node appearing, the moment it became findable: the
    // earlier of the node's change time and the creation event. Kernel 6.1 stamps
    // the change time as it creates the node; 6.12 only when it sets the node's
    // owner and mode, tens of milliseconds after the link could open it. The event
    // is read late on a busy machine.
    struct stat node {};
    if (!watcher.first_created() || ::stat(DeviceNode().c_str(), &node) != 0) {
        Check("node_after_replug=missing");
        return;
    }
    const auto changed = std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::seconds(node.st_ctim.tv_sec) +
            std::chrono::nanoseconds(node.st_ctim.tv_nsec)));
    const auto created = std::min(changed, *watcher.first_created());
    int scans = 0;
    const usb_trace::Call* scan_start = nullptr;  // usb_find_busses of the latest scan
    const usb_trace::Call* scan_end = nullptr;    // usb_find_devices of the latest scan
    for (const usb_trace::Call& call : usb_trace::Calls()) {
        if (call.function == "usb_find_busses") {
            scan_start = &call;
        }
        if (call.function == "usb_find_devices") {
            scan_end = &call;
            // Scans begun once the node was there: one already running may miss it
            // (on a busy machine a scan takes over half a second).
            const auto began = scan_start != nullptr
                                   ? scan_start->wall_end - (scan_start->end - scan_start->start)
                                   : call.wall_end;
            scans += began >= created ? 1 : 0;
        }
        if (call.function == "usb_claim_interface" && call.result == 0 &&
            call.wall_end >= created) {
            const double ms =
                std::chrono::duration<double, std::milli>(call.wall_end - created).count();
            Measure("replug_find_ms=" + std::to_string(int(ms + 0.5)));
            if (scan_start != nullptr && scan_end != nullptr) {
                // Split into the link's reaction and the cost of the scan itself,
                // which the emulated CPU makes far slower than on a PC.
                const auto started = scan_start->wall_end - (scan_start->end - scan_start->start);
                const double wake =
                    std::chrono::duration<double, std::milli>(started - created).count();
                Measure("replug_wake_ms=" + std::to_string(int(wake + (wake < 0 ? -0.5 : 0.5))));
                Measure("replug_scan_ms=" +
                        std::to_string(
                            int(MillisecondsBetween(scan_start->start, scan_end->end) + 0.5)));
            }
            Measure("scans_between_node_and_open=" + std::to_string(scans));
            // A scan already running when the node appeared may miss it; the next one
            // must not.
            Check(std::string("back_within_one_cycle=") + (scans <= 1 ? "yes" : "no"));
            return;
        }
    }
    Check("back_within_one_cycle=never");
}

// What each call returns around an unplug during a read (the emulator drops the
// link while the second read waits).
void UnplugCallsScenario() {
    UsbReceiver receiver;
    Check("open=" + ScanAndOpen(receiver));
    Frame frame{};
    Check("read_before=" + std::to_string(receiver.Read(frame)));
    int during = -110;
    for (int i = 0; i < 100 && during == -110; ++i) {
        during = receiver.Read(frame);
    }
    // Mostly 0 (libusb 0.1 reaps the killed transfer and ignores its status), now
    // and then -19 (it polls just after the kernel marked the device gone and
    // before the transfer completed): both end the link's serve loop alike.
    Check(std::string("read_during_unplug_0_or_-19=") +
          (during == 0 || during == -19 ? "yes" : "no"));
    Measure("read_during_unplug=" + std::to_string(during));
    Check("read_after=" + std::to_string(receiver.Read(frame)));
    Check("write_after=" + std::to_string(receiver.Write(frame)));
    receiver.Close();
    std::string listed = "yes";
    for (int i = 0; i < 100 && listed == "yes"; ++i) {
        UsbReceiver again;
        listed = ScanAndOpen(again) == "not listed" ? "no" : "yes";
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Check("listed_later=" + listed);
}

int CountCalls(const std::string& function) {
    int count = 0;
    for (const usb_trace::Call& call : usb_trace::Calls()) {
        count += call.function == function ? 1 : 0;
    }
    return count;
}

void IdleScanScenario() {
    SystemClock clock;
    Station station(clock, QStringLiteral("/nonexistent/"));
    constexpr int kIdleMs = 3000;
    const auto start = Clock::now();
    const qint64 scans = RunLoop(station, kPollSession, kIdleMs);
    const double seconds = MillisecondsBetween(start, Clock::now()) / 1000;
    Check("status=" + StatusText(station));
    // The link's own count and the scans libusb was asked for.
    Check(std::string("scan_count_matches_libusb=") +
          (scans == CountCalls("usb_find_devices") ? "yes" : "no"));
    char text[64];
    std::snprintf(text, sizeof text, "scans_per_second=%.1f", double(scans) / seconds);
    Measure(text);
    // One scan is usb_find_busses plus usb_find_devices (which opens every node).
    double scan_ms = 0;
    for (const usb_trace::Call& call : usb_trace::Calls()) {
        if (call.function == "usb_find_busses" || call.function == "usb_find_devices") {
            scan_ms += MillisecondsBetween(call.start, call.end);
        }
    }
    std::snprintf(text, sizeof text, "scan_ms=%.1f", scans > 0 ? scan_ms / double(scans) : 0.0);
    Measure(text);
}

// A device with the receiver's IDs and the wrong descriptors: reported with the
// reason and never opened, however long the loop runs.
void NotUsableScenario() {
    {
        UsbReceiver receiver;
        Check("open=" + ScanAndOpen(receiver));
    }
    SystemClock clock;
    Station station(clock, QStringLiteral("/nonexistent/"));
    const qint64 scans = RunLoop(station, kPollSession, 2000);
    Check("status=" + StatusText(station));
    Check("opens_in_loop=" + std::to_string(CountCalls("usb_open")));
    Measure("scans_in_2s=" + std::to_string(scans));
    RawCallsOnFirstReceiver(Measure);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::string scenario = argc > 1 ? argv[1] : "";
    if (scenario == "open") {
        OpenScenario();
    } else if (scenario == "timeout") {
        TimeoutScenario();
    } else if (scenario.rfind("access", 0) == 0) {
        AccessScenario();
    } else if (scenario == "race") {
        RaceScenario();
    } else if (scenario == "message") {
        MessageScenario();
    } else if (scenario == "network") {
        NetworkScenario();
    } else if (scenario == "replug") {
        ReplugScenario();
    } else if (scenario == "unplug-calls") {
        UnplugCallsScenario();
    } else if (scenario == "idle-scan") {
        IdleScanScenario();
    } else if (scenario.rfind("not-usable", 0) == 0) {
        NotUsableScenario();
    } else {
        std::fprintf(stderr, "usage: vm_link_probe SCENARIO (see tests/vm/expected)\n");
        return 2;
    }
    for (const std::string& line : usb_trace::CodeSummary()) {
        std::printf("code %s\n", line.c_str());
    }
    return 0;
}
