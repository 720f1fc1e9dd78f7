// A user-space USB/IP device that plays the USB-Key for the kernel-level receiver
// test (scripts/vm-test). It runs inside the test guest, listens on 127.0.0.1,
// imports itself into the guest kernel's virtual host controller (vhci_hcd) and then
// serves the kernel's URBs: descriptors and configuration on endpoint 0, the
// scripted frames on bulk IN 0x82, and every bulk OUT 0x05 write logged byte for
// byte. Written for this test because Debian's usbip tools only export real devices.
//
//   usbip_emulator --script FILE --log FILE [--port N] [--descriptors VARIANT]
//
// VARIANT: usb-key (default), no-interface-1, wrong-endpoints. SIGTERM ends it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "EmulatorScript.h"
#include "UsbKeyDevice.h"
#include "UsbipProtocol.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr const char* kVhci = "/sys/devices/platform/vhci_hcd.0";
constexpr std::uint32_t kEndpointOut = 5;
constexpr std::uint32_t kEndpointIn = 2;
// libusb 0.1 gives up on a read after its timeout (100 ms) and drops whatever came
// too late, so a frame goes only to a read submitted less than this long ago: a
// frame handed to a read just before its timeout would be lost on the way, and the
// race would then depend on timing instead of the script.
constexpr milliseconds kFreshRead{40};
constexpr std::uint32_t kAckSerial = 0x00ACC0DE;  // serial number of a message reply

bool ReadExact(int fd, void* buffer, size_t size) {
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    while (size > 0) {
        const ssize_t got = ::recv(fd, bytes, size, 0);
        if (got <= 0) {
            return false;
        }
        bytes += got;
        size -= size_t(got);
    }
    return true;
}

bool WriteAll(int fd, const usbip::Bytes& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent <= 0) {
            return false;
        }
        done += size_t(sent);
    }
    return true;
}

std::string Hex(const std::uint8_t* bytes, size_t size) {
    std::string text;
    char byte[4];
    for (size_t i = 0; i < size; ++i) {
        std::snprintf(byte, sizeof byte, i == 0 ? "%02x" : " %02x", bytes[i]);
        text += byte;
    }
    return text;
}

// A free high-speed port of vhci_hcd.0 ("hs  0003 004 ..." where 004 means free);
// after an unplug the kernel frees the port a little later.
int FindFreePort() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::ifstream status(std::string(kVhci) + "/status");
        std::string line;
        while (std::getline(status, line)) {
            std::istringstream words(line);
            std::string hub;
            std::string port;
            std::string state;
            if (words >> hub >> port >> state && hub == "hs" && state == "004") {
                return std::stoi(port);
            }
        }
        std::this_thread::sleep_for(milliseconds(20));
    }
    return -1;
}

class Emulator {
  public:
    Emulator(UsbKeyDevice device, std::vector<ScriptStep> steps, FILE* log)
        : device_(device), steps_(std::move(steps)), log_(log) {}

    bool Listen(int port);
    bool Attach();
    int Run(int signal_fd);

  private:
    struct PendingRead {
        std::uint32_t seqnum;
        std::uint32_t length;
        Clock::time_point submitted;
    };

    void Log(const std::string& line) {
        std::fprintf(log_, "%s\n", line.c_str());
        std::fflush(log_);
    }
    // OP_REQ_DEVLIST or OP_REQ_IMPORT on a fresh connection; true when imported.
    bool Handshake(int fd);
    bool OnCommand();
    void OnBulkOut(const usbip::Bytes& data);
    void Unplug(const char* why);
    void Advance();
    void Pump();
    int PollTimeoutMs() const;

    UsbKeyDevice device_;
    std::vector<ScriptStep> steps_;
    FILE* log_;
    int listen_fd_ = -1;
    int port_ = 0;
    int connection_ = -1;
    size_t step_ = 0;
    Clock::time_point step_started_ = Clock::now();
    bool step_delivered_ = false;
    std::deque<int> network_answers_;  // one per test request, in order
    bool message_reply_ = true;
    std::deque<Frame64> replies_;  // answers to requests, ahead of the timeline
    std::deque<PendingRead> reads_;
};

bool Emulator::Listen(int port) {
    listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listen_fd_, 4) != 0) {
        std::perror("usbip_emulator: listen on 127.0.0.1");
        return false;
    }
    port_ = port;
    return true;
}

bool Emulator::Handshake(int fd) {
    std::uint8_t op[8];
    if (!ReadExact(fd, op, sizeof op)) {
        return false;
    }
    const std::uint16_t code = usbip::GetU16(op + 2);
    if (code == usbip::kOpReqDevlist) {
        usbip::Bytes reply = usbip::OpHeader(usbip::kOpRepDevlist, 0);
        usbip::PutU32(reply, 1);
        const usbip::Bytes info = device_.DeviceInfo();
        const usbip::Bytes interfaces = device_.InterfaceInfo();
        reply.insert(reply.end(), info.begin(), info.end());
        reply.insert(reply.end(), interfaces.begin(), interfaces.end());
        WriteAll(fd, reply);
        return false;
    }
    char busid[usbip::kBusIdSize + 1] = {};
    if (code != usbip::kOpReqImport || !ReadExact(fd, busid, usbip::kBusIdSize) ||
        std::string(busid) != UsbKeyDevice::kBusId || connection_ >= 0) {
        WriteAll(fd, usbip::OpHeader(usbip::kOpRepImport, 1));
        return false;
    }
    usbip::Bytes reply = usbip::OpHeader(usbip::kOpRepImport, 0);
    const usbip::Bytes info = device_.DeviceInfo();
    reply.insert(reply.end(), info.begin(), info.end());
    return WriteAll(fd, reply);
}

// What `usbip attach` does, against ourselves: import over a loopback connection,
// then hand the client's socket to the kernel. The messages are small enough to sit
// in the socket buffers, so one thread plays both ends.
bool Emulator::Attach() {
    const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(port_));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("usbip_emulator: connect to itself");
        ::close(client);
        return false;
    }
    usbip::Bytes request = usbip::OpHeader(usbip::kOpReqImport, 0);
    request.resize(request.size() + usbip::kBusIdSize, 0);
    std::memcpy(request.data() + 8, UsbKeyDevice::kBusId, std::strlen(UsbKeyDevice::kBusId));
    WriteAll(client, request);
    const int server = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    std::uint8_t reply[8 + usbip::kDeviceInfoSize];
    if (server < 0 || !Handshake(server) || !ReadExact(client, reply, sizeof reply)) {
        std::fprintf(stderr, "usbip_emulator: import of %s failed\n", UsbKeyDevice::kBusId);
        ::close(client);
        if (server >= 0) {
            ::close(server);
        }
        return false;
    }
    const int port = FindFreePort();
    const std::uint32_t devid = (UsbKeyDevice::kBusNumber << 16) | UsbKeyDevice::kDeviceNumber;
    std::ofstream attach(std::string(kVhci) + "/attach");
    attach << port << ' ' << client << ' ' << devid << ' ' << usbip::kSpeedFull;
    attach.close();
    ::close(client);  // the kernel holds its own reference now
    if (port < 0 || !attach) {
        std::fprintf(stderr, "usbip_emulator: attach to vhci port %d failed\n", port);
        ::close(server);
        return false;
    }
    const int on = 1;
    ::setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    connection_ = server;
    Log("attached");
    return true;
}

void Emulator::Unplug(const char* why) {
    if (connection_ < 0) {
        return;
    }
    ::shutdown(connection_, SHUT_RDWR);
    ::close(connection_);
    connection_ = -1;
    reads_.clear();
    replies_.clear();
    Log(why);
}

void Emulator::OnBulkOut(const usbip::Bytes& data) {
    Log("out " + Hex(data.data(), data.size()));
    if (data.empty()) {
        return;
    }
    if (data[0] == 0x01 && !network_answers_.empty()) {
        const int value = network_answers_.front();
        network_answers_.pop_front();
        Frame64 reply{};
        reply[0] = std::uint8_t(value & 0xFF);
        reply[1] = std::uint8_t((value >> 8) & 0xFF);
        replies_.push_back(reply);
    } else if (data[0] == 0x02 && message_reply_) {
        // Shaped like a timing frame of a unit no slot holds: if the link ever
        // decoded the reply instead of discarding it, it would show in memdane.
        Frame64 reply{};
        for (int i = 0; i < 4; ++i) {
            reply[size_t(i)] = std::uint8_t(kAckSerial >> (8 * i));
        }
        replies_.push_back(reply);
    }
}

bool Emulator::OnCommand() {
    std::uint8_t header[usbip::kHeaderSize];
    if (!ReadExact(connection_, header, sizeof header)) {
        return false;
    }
    const usbip::Command command = usbip::Command::Parse(header);
    if (command.command == usbip::kCmdUnlink) {
        // Answered at once, or every timed-out read would hang in the kernel.
        int status = 0;
        for (auto it = reads_.begin(); it != reads_.end(); ++it) {
            if (it->seqnum == command.unlink_seqnum) {
                reads_.erase(it);
                status = usbip::kStatusUnlinked;
                break;
            }
        }
        return WriteAll(connection_, usbip::RetUnlink(command.seqnum, status));
    }
    if (command.command != usbip::kCmdSubmit) {
        std::fprintf(stderr, "usbip_emulator: unknown command %u\n", command.command);
        return false;
    }
    usbip::Bytes out_data;
    if (command.direction == usbip::kDirOut && command.buffer_length > 0) {
        out_data.resize(command.buffer_length);
        if (!ReadExact(connection_, out_data.data(), out_data.size())) {
            return false;
        }
    }
    if (command.iso_packets != 0 && command.iso_packets != usbip::kNoIsoPackets) {
        return WriteAll(connection_, usbip::RetSubmit(command.seqnum, usbip::kStatusStall, {}, 0));
    }
    if (command.endpoint == 0) {
        const ControlAnswer answer = device_.Control(command.setup);
        if (!answer.log.empty()) {
            Log(answer.log);
        }
        const bool in = command.direction == usbip::kDirIn;
        const std::uint32_t actual = in ? std::uint32_t(answer.data.size())
                                        : (answer.status == 0 ? command.buffer_length : 0);
        return WriteAll(connection_, usbip::RetSubmit(command.seqnum, answer.status,
                                                      in ? answer.data : usbip::Bytes{}, actual));
    }
    if (command.direction == usbip::kDirOut && command.endpoint == kEndpointOut) {
        const bool sent =
            WriteAll(connection_, usbip::RetSubmit(command.seqnum, 0, {}, command.buffer_length));
        OnBulkOut(out_data);
        return sent;
    }
    if (command.direction == usbip::kDirIn && command.endpoint == kEndpointIn) {
        reads_.push_back({command.seqnum, command.buffer_length, Clock::now()});
        return true;
    }
    return WriteAll(connection_, usbip::RetSubmit(command.seqnum, usbip::kStatusStall, {}, 0));
}

// Hands the next reply, or else the current timeline frame, to a fresh read.
void Emulator::Pump() {
    while (connection_ >= 0 && !reads_.empty()) {
        const bool fresh = Clock::now() - reads_.back().submitted < kFreshRead;
        const bool timeline_frame = step_ < steps_.size() &&
                                    steps_[step_].kind == ScriptStep::Kind::kFrame &&
                                    !step_delivered_;
        if (!fresh || (replies_.empty() && !timeline_frame)) {
            return;
        }
        const PendingRead read = reads_.back();
        reads_.pop_back();
        Frame64 frame;
        if (!replies_.empty()) {
            frame = replies_.front();
            replies_.pop_front();
        } else {
            frame = steps_[step_].frame;
            step_delivered_ = true;
        }
        const std::uint32_t length = std::min<std::uint32_t>(read.length, 64);
        const usbip::Bytes data(frame.begin(), frame.begin() + length);
        if (!WriteAll(connection_, usbip::RetSubmit(read.seqnum, 0, data, length))) {
            Unplug("disconnected by the host");
            return;
        }
        Advance();
    }
}

void Emulator::Advance() {
    while (step_ < steps_.size()) {
        const ScriptStep& step = steps_[step_];
        bool done = true;
        switch (step.kind) {
            case ScriptStep::Kind::kFrame:
                done = step_delivered_;
                break;
            case ScriptStep::Kind::kDelay:
                done = Clock::now() - step_started_ >= milliseconds(step.value);
                break;
            case ScriptStep::Kind::kUnplug:
                done = connection_ >= 0 && !reads_.empty();
                if (done) {
                    Unplug("unplugged during a read");
                }
                break;
            case ScriptStep::Kind::kReplug:
                if (!Attach()) {
                    Log("replug failed");
                }
                break;
            case ScriptStep::Kind::kNetwork:
                network_answers_.push_back(step.value);
                break;
            case ScriptStep::Kind::kMessageReply:
                message_reply_ = step.value != 0;
                break;
        }
        if (!done) {
            return;
        }
        ++step_;
        step_started_ = Clock::now();
        step_delivered_ = false;
        if (step_ == steps_.size()) {
            Log("script done");
        }
    }
}

int Emulator::PollTimeoutMs() const {
    if (step_ < steps_.size() && steps_[step_].kind == ScriptStep::Kind::kDelay) {
        const auto left = milliseconds(steps_[step_].value) -
                          std::chrono::duration_cast<milliseconds>(Clock::now() - step_started_);
        return int(std::max<long long>(0, std::min<long long>(left.count(), 50)));
    }
    return 50;
}

int Emulator::Run(int signal_fd) {
    Advance();
    for (;;) {
        pollfd fds[3] = {{signal_fd, POLLIN, 0}, {listen_fd_, POLLIN, 0}, {connection_, POLLIN, 0}};
        const nfds_t count = connection_ >= 0 ? 3 : 2;
        if (::poll(fds, count, PollTimeoutMs()) < 0 && errno != EINTR) {
            std::perror("usbip_emulator: poll");
            return 1;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            Unplug("stopped");
            return 0;
        }
        if ((fds[1].revents & POLLIN) != 0) {  // usbip list or import from outside
            const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0 && Handshake(fd)) {
                connection_ = fd;
                Log("attached");
            } else if (fd >= 0) {
                ::close(fd);
            }
        }
        if (count == 3 && (fds[2].revents & (POLLIN | POLLHUP | POLLERR)) != 0 && !OnCommand()) {
            Unplug("disconnected by the host");
        }
        Advance();
        Pump();
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string script_path;
    std::string log_path;
    std::string variant_name = "usb-key";
    int port = 3240;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--script") {
            script_path = argv[i + 1];
        } else if (option == "--log") {
            log_path = argv[i + 1];
        } else if (option == "--descriptors") {
            variant_name = argv[i + 1];
        } else if (option == "--port") {
            port = std::atoi(argv[i + 1]);
        }
    }
    const auto variant = ParseDescriptorVariant(variant_name);
    std::ifstream file(script_path);
    if (script_path.empty() || log_path.empty() || !variant || !file) {
        std::fprintf(stderr,
                     "usage: usbip_emulator --script FILE --log FILE [--port N] "
                     "[--descriptors usb-key|no-interface-1|wrong-endpoints]\n");
        return 2;
    }
    std::stringstream text;
    text << file.rdbuf();
    ParsedScript script = ParseScript(text.str());
    for (const std::string& error : script.errors) {
        std::fprintf(stderr, "usbip_emulator: %s: %s\n", script_path.c_str(), error.c_str());
    }
    FILE* log = std::fopen(log_path.c_str(), "w");
    if (!script.errors.empty() || log == nullptr) {
        return 2;
    }

    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    const int signal_fd = signalfd(-1, &stop, SFD_CLOEXEC);

    Emulator emulator(UsbKeyDevice(*variant), std::move(script.steps), log);
    if (!emulator.Listen(port) || !emulator.Attach()) {
        return 1;
    }
    const int result = emulator.Run(signal_fd);
    std::fclose(log);
    return result;
}
