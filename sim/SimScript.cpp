// The plain-text script of the simulated receiver (format in docs/simulator.md).
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>

#include "SimReceiver.h"

namespace sim {
namespace {

// Words of a line; "double quoted" words may hold blanks.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
        }
        if (i >= line.size() || line[i] == '#') {
            break;
        }
        std::string word;
        bool quoted = false;
        while (i < line.size() && (quoted || !std::isspace(static_cast<unsigned char>(line[i])))) {
            if (line[i] == '"') {
                quoted = !quoted;
            } else {
                word += line[i];
            }
            ++i;
        }
        words.push_back(word);
    }
    return words;
}

bool ParseInteger(const std::string& text, long long& value) {
    if (text.empty()) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 0);
    return errno == 0 && end != nullptr && *end == '\0';
}

// Centiseconds, either as a number or as m:ss.cc (1:02.33 is 6233).
bool ParseTime(const std::string& text, long long& value) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) {
        return ParseInteger(text, value);
    }
    const size_t dot = text.find('.', colon);
    long long minutes = 0;
    long long seconds = 0;
    long long hundredths = 0;
    if (!ParseInteger(text.substr(0, colon), minutes) ||
        !ParseInteger(
            text.substr(colon + 1, dot == std::string::npos ? std::string::npos : dot - colon - 1),
            seconds) ||
        (dot != std::string::npos && !ParseInteger(text.substr(dot + 1), hundredths))) {
        return false;
    }
    value = (minutes * 60 + seconds) * 100 + hundredths;
    return minutes >= 0 && seconds >= 0 && hundredths >= 0;
}

template <typename T>
bool Store(const std::string& text, T& field, bool time = false) {
    long long value = 0;
    if (!(time ? ParseTime(text, value) : ParseInteger(text, value))) {
        return false;
    }
    if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max()) {
        return false;
    }
    field = T(value);
    return true;
}

using Setter = std::function<bool(const std::string&)>;

std::string ApplyFields(const std::vector<std::string>& words,
                        const std::map<std::string, Setter>& setters) {
    for (size_t i = 1; i < words.size(); ++i) {
        const size_t eq = words[i].find('=');
        if (eq == std::string::npos) {
            return "expected key=value, got \"" + words[i] + "\"";
        }
        const std::string key = words[i].substr(0, eq);
        const auto setter = setters.find(key);
        if (setter == setters.end()) {
            return "unknown field \"" + key + "\"";
        }
        if (!setter->second(words[i].substr(eq + 1))) {
            return "bad value for \"" + key + "\"";
        }
    }
    return {};
}

std::string ParseTiming(const std::vector<std::string>& words, Bytes64& frame) {
    TimingFields f;
    const std::map<std::string, Setter> setters = {
        {"sn", [&](const std::string& v) { return Store(v, f.serial); }},
        {"node", [&](const std::string& v) { return Store(v, f.node); }},
        {"counter", [&](const std::string& v) { return Store(v, f.counter); }},
        {"type", [&](const std::string& v) { return Store(v, f.type); }},
        {"driver",
         [&](const std::string& v) {
             f.driver = v;
             return v.size() <= 12;
         }},
        {"race", [&](const std::string& v) { return Store(v, f.race); }},
        {"lap", [&](const std::string& v) { return Store(v, f.lap); }},
        {"sector", [&](const std::string& v) { return Store(v, f.sector); }},
        {"strips", [&](const std::string& v) { return Store(v, f.strips); }},
        {"sector_lap", [&](const std::string& v) { return Store(v, f.sector_lap); }},
        {"cur_lap", [&](const std::string& v) { return Store(v, f.lap_in_progress); }},
        {"cur_sector", [&](const std::string& v) { return Store(v, f.sector_in_progress); }},
        {"lap_time", [&](const std::string& v) { return Store(v, f.lap_time, true); }},
        {"sector_time", [&](const std::string& v) { return Store(v, f.sector_time, true); }},
        {"lap_max", [&](const std::string& v) { return Store(v, f.lap_rpm_max); }},
        {"lap_min", [&](const std::string& v) { return Store(v, f.lap_rpm_min); }},
        {"sector_max", [&](const std::string& v) { return Store(v, f.sector_rpm_max); }},
        {"sector_min", [&](const std::string& v) { return Store(v, f.sector_rpm_min); }},
        {"run_time", [&](const std::string& v) { return Store(v, f.running_lap_time, true); }},
        {"session_time", [&](const std::string& v) { return Store(v, f.session_time, true); }},
        {"rpm", [&](const std::string& v) { return Store(v, f.rpm); }},
        {"best", [&](const std::string& v) { return Store(v, f.best_lap, true); }},
    };
    const std::string error = ApplyFields(words, setters);
    frame = MakeTimingFrame(f);
    return error;
}

std::string ParseTemperature(const std::vector<std::string>& words, Bytes64& frame) {
    TemperatureFields f;
    const std::map<std::string, Setter> setters = {
        {"sn", [&](const std::string& v) { return Store(v, f.serial); }},
        {"node", [&](const std::string& v) { return Store(v, f.node); }},
        {"counter", [&](const std::string& v) { return Store(v, f.counter); }},
        {"t1", [&](const std::string& v) { return Store(v, f.temp1); }},
        {"t2", [&](const std::string& v) { return Store(v, f.temp2); }},
        {"t3", [&](const std::string& v) { return Store(v, f.temp3); }},
    };
    const std::string error = ApplyFields(words, setters);
    frame = MakeTemperatureFrame(f);
    return error;
}

std::string ParseHex(const std::vector<std::string>& words, Bytes64& frame) {
    frame = Bytes64{};
    std::string digits;
    for (size_t i = 1; i < words.size(); ++i) {
        digits += words[i];
    }
    if (digits.size() % 2 != 0 || digits.size() > 128) {
        return "a hex frame has up to 64 bytes of two digits each";
    }
    for (size_t i = 0; i < digits.size(); i += 2) {
        long long value = 0;
        if (!ParseInteger("0x" + digits.substr(i, 2), value)) {
            return "bad hex byte \"" + digits.substr(i, 2) + "\"";
        }
        frame[i / 2] = std::uint8_t(value);
    }
    return {};
}

// A count argument at word i, or the fallback when there is none.
bool OptionalCount(const std::vector<std::string>& words, size_t i, int fallback, int& count) {
    long long value = fallback;
    if (words.size() > i && (!ParseInteger(words[i], value) || value < 0 || value > 1'000'000)) {
        return false;
    }
    count = int(value);
    return words.size() <= i + 1;
}

// "interface N [ADDRESS:TYPE:SIZE ...]", added to the receiver's last configuration:
// the one a "descriptors" line started, else its own.
std::string ParseInterface(const std::vector<std::string>& words, SimReceiver& sim, int device) {
    const SimReceiver::Device* current = sim.FindDevice(device);
    long long number = 0;
    if (!ParseInteger(words[1], number) || number < 0 || number > 255) {
        return "interface takes a number";
    }
    InterfaceLayout interface {
        std::uint8_t(number), {}
    };
    const std::map<std::string, std::uint8_t> types = {
        {"control", 0}, {"iso", 1}, {"bulk", 2}, {"interrupt", 3}};
    for (size_t i = 2; i < words.size(); ++i) {
        const size_t first = words[i].find(':');
        const size_t second = words[i].find(':', first == std::string::npos ? first : first + 1);
        long long address = 0;
        long long size = 0;
        if (first == std::string::npos || second == std::string::npos ||
            !ParseInteger(words[i].substr(0, first), address) || address < 0 || address > 255 ||
            types.count(words[i].substr(first + 1, second - first - 1)) == 0 ||
            !ParseInteger(words[i].substr(second + 1), size) || size < 0 || size > 0xFFFF) {
            return "an endpoint is ADDRESS:control|iso|bulk|interrupt:SIZE, got \"" + words[i] +
                   "\"";
        }
        interface.endpoints.push_back({std::uint8_t(address),
                                       types.at(words[i].substr(first + 1, second - first - 1)),
                                       std::uint16_t(size)});
    }
    std::vector<ConfigurationLayout> configurations = current->configurations;
    if (configurations.empty()) {
        return "interface needs a \"descriptors\" line first";
    }
    configurations.back().interfaces.push_back(interface);
    sim.SetConfigurations(device, std::move(configurations));
    return {};
}

}  // namespace

std::vector<std::string> SimReceiver::LoadScriptFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        return {"cannot read the script"};
    }
    std::stringstream text;
    text << in.rdbuf();
    return LoadScriptText(text.str());
}

std::vector<std::string> SimReceiver::LoadScriptText(const std::string& text) {
    std::vector<std::string> errors;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    const auto receiver = [this]() {
        if (script_receiver_ == 0) {
            script_receiver_ = AttachReceiver();
        }
        return script_receiver_;
    };
    while (std::getline(lines, line)) {
        ++number;
        const std::vector<std::string> words = Words(line);
        if (words.empty()) {
            continue;
        }
        const std::string& event = words[0];
        std::string error;
        int count = 0;
        Bytes64 frame{};
        if (event == "frame" || event == "temp" || event == "hex") {
            error = event == "frame"  ? ParseTiming(words, frame)
                    : event == "temp" ? ParseTemperature(words, frame)
                                      : ParseHex(words, frame);
            if (error.empty()) {
                QueueFrame(receiver(), frame);
            }
        } else if (event == "timeout" && words.size() == 1) {
            QueueTimeout(receiver());
        } else if (event == "short" && OptionalCount(words, 1, 32, count) && count < 64) {
            QueueShortRead(receiver(), count);
        } else if (event == "error" && words.size() == 2) {
            long long code = 0;
            if (ParseInteger(words[1], code) && code < 0 && code > -1000) {
                QueueError(receiver(), int(code));
            } else {
                error = "error takes a negative code";
            }
        } else if (event == "delay" && words.size() == 2 && OptionalCount(words, 1, 0, count)) {
            QueueDelay(receiver(), count);
        } else if (event == "unplug" &&
                   (words.size() == 1 || (words.size() == 2 && words[1] == "between"))) {
            QueueUnplug(receiver(), words.size() == 1);
        } else if (event == "access" && words.size() == 2 &&
                   (words[1] == "full" || words[1] == "read-only" || words[1] == "none")) {
            SetAccess(receiver(), words[1] == "full"        ? Access::kFull
                                  : words[1] == "read-only" ? Access::kReadOnly
                                                            : Access::kNone);
        } else if (event == "descriptors" && words.size() == 2) {
            long long value = 0;
            if (words[1] == "none") {
                SetConfigurations(receiver(), {});
            } else if (ParseInteger(words[1], value) && value >= 0 && value <= 255) {
                SetConfigurations(receiver(), {ConfigurationLayout{std::uint8_t(value), {}}});
            } else {
                error = "descriptors takes a configuration number or none";
            }
        } else if (event == "interface" && words.size() >= 2) {
            error = ParseInterface(words, *this, receiver());
        } else if (event == "replug" && OptionalCount(words, 1, 1, count) && count > 0) {
            QueueReplug(receiver(), count);
        } else if (event == "loop" && words.size() == 1) {
            SetLoop(receiver(), true);
        } else if (event == "receiver" || event == "device") {
            const bool is_receiver = event == "receiver";
            long long vendor = kReceiverVendor;
            long long product = kReceiverProduct;
            long long bus = 1;
            size_t next = 1;
            if (!is_receiver) {
                if (words.size() < 3 || !ParseInteger(words[1], vendor) ||
                    !ParseInteger(words[2], product) || vendor < 0 || vendor > 0xFFFF ||
                    product < 0 || product > 0xFFFF) {
                    error = "device takes a vendor and a product id";
                }
                next = 3;
            }
            if (error.empty() && words.size() > next &&
                (words.size() > next + 1 || words[next].rfind("bus=", 0) != 0 ||
                 !ParseInteger(words[next].substr(4), bus) || bus < 0 || bus > 255)) {
                error = "expected bus=N";
            }
            if (error.empty()) {
                const int id =
                    AttachDevice(std::uint16_t(vendor), std::uint16_t(product), int(bus));
                if (is_receiver) {
                    script_receiver_ = id;
                }
            }
        } else if (event == "network" && words.size() == 2) {
            long long value = 0;
            if (words[1] == "none") {
                SetNetworkValue(std::nullopt);
            } else if (ParseInteger(words[1], value) && value >= 0 && value <= 0xFFFF) {
                SetNetworkValue(int(value));
            } else {
                error = "network takes 0..65535 or none";
            }
        } else if (event == "message-reply" && words.size() == 2 &&
                   (words[1] == "on" || words[1] == "off")) {
            SetMessageReply(words[1] == "on");
        } else if (event == "fail" && words.size() >= 2 && OptionalCount(words, 2, 1, count)) {
            if (words[1] == "open") {
                FailOpen(count);
            } else if (words[1] == "config") {
                FailConfiguration(count);
            } else if (words[1] == "claim") {
                FailClaim(count);
            } else if (words[1] == "write") {
                FailWrite(count);
            } else {
                error = "fail takes open, config, claim or write";
            }
        } else if (event == "empty-read-sleep" && OptionalCount(words, 1, 2, count) &&
                   words.size() == 2) {
            SetEmptyReadSleep(std::chrono::milliseconds(count));
        } else {
            error = "cannot read \"" + line + "\"";
        }
        if (!error.empty()) {
            errors.push_back("line " + std::to_string(number) + ": " + error);
        }
    }
    return errors;
}

}  // namespace sim
