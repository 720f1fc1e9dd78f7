#pragma once

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "RaceGenerator.h"
#include "SimFrames.h"

// The simulated receiver: provides the libusb 0.1 functions the receiver link calls
// (usb_init ... usb_close, with the prototypes of <usb.h>) over simulated devices.
// Tests drive it through this API; the demo through a script named by the
// environment variable RUVOTIMER_SIM_SCRIPT (format in docs/simulator.md), or else
// through a race generator (RaceGenerator.h).
// Its state is one object, reset between tests. It is not thread-safe.
namespace sim {

struct BusList;  // the usb_bus/usb_device structures of the last scan

inline constexpr std::uint16_t kReceiverVendor = 0x1234;
inline constexpr std::uint16_t kReceiverProduct = 0x1236;
inline constexpr int kTimeout = -110;  // ETIMEDOUT
inline constexpr int kNoDevice = -19;  // ENODEV
inline constexpr int kIoError = -5;    // EIO
inline constexpr int kBusy = -16;      // EBUSY
inline constexpr int kInvalid = -22;   // EINVAL
inline constexpr int kNoEntry = -2;    // ENOENT
inline constexpr int kRefused = -1;    // EPERM: a node opened read-only

// Descriptors as libusb reads them at a scan (usb_device::config).
struct EndpointLayout {
    std::uint8_t address = 0;  // 0x82: IN endpoint 2
    std::uint8_t type = 2;     // bmAttributes: 0 control, 1 isochronous, 2 bulk, 3 interrupt
    std::uint16_t max_packet = 64;
};
struct InterfaceLayout {
    std::uint8_t number = 0;
    std::vector<EndpointLayout> endpoints;
};
struct ConfigurationLayout {
    std::uint8_t value = 1;
    std::vector<InterfaceLayout> interfaces;
};
// The USB-Key's own: configuration 1, interface 0 without endpoints, interface 1
// with bulk 0x05 OUT and 0x82 IN of 64 bytes.
ConfigurationLayout ReceiverConfiguration();
// What another device (a mouse) shows: interface 0 with one 8-byte interrupt IN.
ConfigurationLayout OtherDeviceConfiguration();

// What the user running the program may do with a device node, as the real kernel
// stack lets libusb 0.1 see it.
enum class Access {
    kFull,      // node 0666 or a seat ACL: everything works
    kReadOnly,  // node 0644: listed without configuration descriptors, usb_open
                // succeeds, then every configuration, claim, read and write returns -1
    kNone,      // node 0600 of root: the scan cannot open it, so it is not listed
};

// One event of a device's inbound timeline, consumed by its bulk reads (a re-plug
// by bus scans while the device is away).
struct Inbound {
    enum class Kind { kFrame, kShortRead, kTimeout, kError, kDelay, kUnplug, kReplug };
    Kind kind = Kind::kFrame;
    Bytes64 frame{};
    // short read: bytes; error: code; delay: ms; re-plug: bus scans; unplug: 1 when
    // it falls between two reads
    int value = 0;
};

// One libusb call as the link made it.
struct Call {
    std::string function;
    int device = 0;  // simulated device id, 0 when the call concerns none
    int endpoint = 0;
    int size = 0;
    int timeout = 0;
    int argument = 0;  // configuration or interface number
    int result = 0;
    std::vector<std::uint8_t> data;  // bytes written, or bytes read
    // "usb_bulk_read(0x82, 64, 100) = -110", "usb_open(device 1) = handle",
    // "usb_find_devices()" (the scan calls' counts only in `result`), ...
    std::string Text() const;
};

class SimReceiver {
  public:
    static SimReceiver& Instance();

    // No devices, no traffic, default behaviour. The environment script is ignored
    // unless read_environment_script is true (then read at the next usb_init).
    void Reset(bool read_environment_script = false);

    // Devices, in attach order within their bus; buses in ascending number.
    // Returns the device id (1, 2, ...).
    int AttachDevice(std::uint16_t vendor, std::uint16_t product, int bus = 1);
    int AttachReceiver(int bus = 1) { return AttachDevice(kReceiverVendor, kReceiverProduct, bus); }
    void Unplug(int device);
    void Replug(int device);  // open handles of the device stay dead
    bool IsAttached(int device) const;

    // Inbound timeline of a device, consumed in order by reads of endpoint 0x82.
    void QueueFrame(int device, const Bytes64& frame);
    void QueueShortRead(int device, int bytes);
    // A short read that returns the first `bytes` bytes of `frame` (a frame cut off).
    void QueueShortRead(int device, int bytes, const Bytes64& frame);
    void QueueTimeout(int device);
    void QueueError(int device, int code);
    // The next event arrives this many ms later; reads wait up to their timeout.
    void QueueDelay(int device, int ms);
    // The device leaves the bus. during_read: the read reaching it returns 0, as
    // libusb 0.1 does when the device goes while a read is in flight; otherwise it
    // left just before that read, which returns -19. Later calls on its handles
    // return -19 either way.
    void QueueUnplug(int device, bool during_read = true);
    // While the device is away, back after this many more bus scans.
    void QueueReplug(int device, int scans = 1);
    // A receiver whose reads, once its timeline is empty, take the generator's frames
    // and whose test requests get the generator's network value.
    int AttachRaceGenerator(std::shared_ptr<RaceGenerator> race, int bus = 1);
    // At the first usb_init: the environment script when one is named, else a
    // receiver with this race (the demo's default).
    void UseRaceWhenUnscripted(std::shared_ptr<RaceGenerator> race) {
        unscripted_race_ = std::move(race);
    }
    // Called with every message frame (0x02) written to a receiver.
    void SetMessageObserver(std::function<void(const Bytes64&)> observer) {
        message_observer_ = std::move(observer);
    }
    // Consumed events go to the back of the timeline again (endless replay).
    void SetLoop(int device, bool loop);
    size_t PendingInbound(int device) const;

    // Access of the user to the device node (see Access). Takes effect at once.
    void SetAccess(int device, Access access);
    // The device's configurations as the next scan lists them; none: libusb could
    // not read them. Receivers start with ReceiverConfiguration(), other devices
    // with OtherDeviceConfiguration().
    void SetConfigurations(int device, std::vector<ConfigurationLayout> configurations);

    // The next `count` calls fail. A failed usb_open leaves `error` in errno
    // (ENOENT: the node went away between the scan and the open; EACCES: its rights
    // changed in between).
    void FailOpen(int count = 1, int error = ENOENT) {
        fail_open_ = count;
        fail_open_error_ = error;
    }
    void FailConfiguration(int count = 1) { fail_configuration_ = count; }
    void FailClaim(int count = 1) { fail_claim_ = count; }
    void FailWrite(int count = 1) { fail_write_ = count; }

    // Answer to a test request (0x01): the network value, or no answer (read times out).
    void SetNetworkValue(std::optional<int> value) { network_value_ = value; }
    // How many bytes of that answer the read returns (a cut-off reply below 64).
    void SetNetworkReplyBytes(int bytes) { network_reply_bytes_ = bytes; }
    // Whether a message frame (0x02) gets a 64-byte acknowledgement.
    void SetMessageReply(bool answer) { message_reply_ = answer; }

    // Sleep of a read that finds nothing to deliver (default 2 ms).
    void SetEmptyReadSleep(std::chrono::microseconds sleep) { empty_read_sleep_ = sleep; }
    // Factor on scripted delays (1 = real time, 0 = none).
    void SetTimeScale(double scale) { time_scale_ = scale; }

    void SetLogging(bool on) { logging_ = on; }
    const std::deque<Call>& calls() const { return calls_; }
    std::vector<std::string> CallTexts() const;
    void ClearCalls() { calls_.clear(); }
    // Sees every call as it is made, with its result and data, whether or not the
    // log keeps it (fault-injection runs watch deliveries without a growing log).
    using CallObserver = std::function<void(const Call&)>;
    void SetCallObserver(CallObserver observer) { observer_ = std::move(observer); }
    // Whether a logged call goes anywhere: the read path then skips copying the
    // bytes of every frame into a call nobody looks at.
    bool Recording() const { return logging_ || static_cast<bool>(observer_); }
    std::optional<Bytes64> LastMessageFrame(std::uint16_t node) const;
    int open_handles() const { return open_handles_; }

    // Script lines (format in docs/simulator.md). Returns one text per bad line
    // ("line 3: ..."); good lines take effect either way.
    std::vector<std::string> LoadScriptText(const std::string& text);
    std::vector<std::string> LoadScriptFile(const std::string& path);

    // --- used by the libusb functions (SimUsb.cpp) ---
    struct Device {
        int id = 0;
        std::uint16_t vendor = 0;
        std::uint16_t product = 0;
        int bus = 1;
        bool attached = true;
        Access access = Access::kFull;
        std::vector<ConfigurationLayout> configurations;
        int generation = 0;  // bumped by a re-plug: older handles are dead
        bool loop = false;
        int delay_left_ms = -1;  // remaining part of a delay in progress
        enum class Reply { kNone, kFrame, kSilent } reply = Reply::kNone;
        Bytes64 reply_frame{};
        int reply_bytes = 64;
        std::deque<Inbound> inbound;
        std::shared_ptr<RaceGenerator> race;  // frames once the timeline is empty
    };
    struct HandleState {
        int device = 0;
        int generation = 0;
        bool claimed = false;
        int configuration = 1;  // the kernel selects the first one at enumeration
    };
    void Log(Call call);
    Device* FindDevice(int id);
    // The live device behind a handle, or nullptr when it went away.
    Device* LiveDevice(const HandleState& handle);
    void CheckEnvironmentScript();
    void ScanBus();  // counts a scan for devices waiting to be re-plugged
    std::vector<const Device*> ListedInBusOrder() const;
    int ReadFrom(Device& device, std::uint8_t* buffer, int size, int timeout);
    int WriteTo(Device& device, const std::uint8_t* bytes, int size);
    bool TakeFailure(int& counter);
    int& fail_open() { return fail_open_; }
    int fail_open_error() const { return fail_open_error_; }
    int& fail_configuration() { return fail_configuration_; }
    int& fail_claim() { return fail_claim_; }
    std::shared_ptr<BusList>& bus_list() { return bus_list_; }
    void AddHandle() { ++open_handles_; }
    void RemoveHandle() { --open_handles_; }

  private:
    SimReceiver() = default;
    void Sleep(std::chrono::microseconds duration) const;
    void Consumed(Device& device);  // pops the front event, replaying it in loop mode

    std::vector<Device> devices_;
    std::deque<Call> calls_;
    std::map<std::uint16_t, Bytes64> last_message_;
    int fail_open_ = 0;
    int fail_open_error_ = ENOENT;
    int fail_configuration_ = 0;
    int fail_claim_ = 0;
    int fail_write_ = 0;
    std::optional<int> network_value_;
    int network_reply_bytes_ = 64;
    bool message_reply_ = true;
    std::chrono::microseconds empty_read_sleep_{2000};
    double time_scale_ = 1.0;
    bool logging_ = true;
    bool environment_checked_ = false;
    int open_handles_ = 0;
    int script_receiver_ = 0;  // receiver that script events go to
    std::shared_ptr<BusList> bus_list_;
    std::shared_ptr<RaceGenerator> unscripted_race_;
    std::function<void(const Bytes64&)> message_observer_;
    CallObserver observer_;
};

}  // namespace sim
