#include "EmulatorScript.h"

#include <map>
#include <sstream>

namespace {

struct Field {
    int offset;
    int size;  // bytes, little-endian
};

// Timing frame fields by script name (receiver frame layout, type 0).
const std::map<std::string, Field>& TimingFields() {
    static const std::map<std::string, Field> fields = {
        {"sn", {0, 4}},       {"node", {4, 2}},         {"counter", {8, 1}},   {"race", {24, 1}},
        {"lap", {25, 1}},     {"in-progress", {29, 1}}, {"lap-time", {32, 4}}, {"rpm-max", {40, 2}},
        {"rpm-min", {42, 2}}, {"running", {48, 4}},     {"session", {52, 4}},  {"rpm", {56, 2}},
        {"best", {60, 4}},
    };
    return fields;
}

bool ParseNumber(const std::string& text, long long& value) {
    try {
        size_t used = 0;
        value = std::stoll(text, &used, 0);
        return used == text.size();
    } catch (...) {
        return false;
    }
}

std::string ParseTiming(std::istringstream& words, Frame64& frame) {
    std::string word;
    while (words >> word) {
        const size_t equals = word.find('=');
        if (equals == std::string::npos) {
            return "expected name=value, got '" + word + "'";
        }
        const std::string name = word.substr(0, equals);
        const std::string text = word.substr(equals + 1);
        if (name == "driver") {
            for (size_t i = 0; i < 12; ++i) {
                frame[12 + i] = i < text.size() ? std::uint8_t(text[i]) : ' ';
            }
            continue;
        }
        const auto field = TimingFields().find(name);
        long long value = 0;
        if (field == TimingFields().end()) {
            return "unknown timing field '" + name + "'";
        }
        if (!ParseNumber(text, value)) {
            return "not a number: '" + text + "'";
        }
        for (int i = 0; i < field->second.size; ++i) {
            frame[size_t(field->second.offset + i)] = std::uint8_t((value >> (8 * i)) & 0xFF);
        }
    }
    return {};
}

std::string ParseHexFrame(std::istringstream& words, Frame64& frame) {
    std::string hex;
    std::string word;
    while (words >> word) {
        hex += word;
    }
    if (hex.size() % 2 != 0 || hex.size() > 128) {
        return "a frame is at most 64 whole bytes of hex";
    }
    for (size_t i = 0; i < hex.size(); i += 2) {
        long long value = 0;
        if (!ParseNumber("0x" + hex.substr(i, 2), value)) {
            return "not hex: '" + hex.substr(i, 2) + "'";
        }
        frame[i / 2] = std::uint8_t(value);
    }
    return {};
}

}  // namespace

ParsedScript ParseScript(const std::string& text) {
    ParsedScript script;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        std::istringstream words(line);
        std::string command;
        if (!(words >> command) || command[0] == '#') {
            continue;
        }
        ScriptStep step;
        std::string error;
        std::string argument;
        long long value = 0;
        if (command == "timing") {
            error = ParseTiming(words, step.frame);
        } else if (command == "frame") {
            error = ParseHexFrame(words, step.frame);
        } else if (command == "delay") {
            step.kind = ScriptStep::Kind::kDelay;
            if (!(words >> argument) || !ParseNumber(argument, value) || value < 0) {
                error = "delay needs milliseconds";
            }
            step.value = int(value);
        } else if (command == "unplug") {
            step.kind = ScriptStep::Kind::kUnplug;
        } else if (command == "replug") {
            step.kind = ScriptStep::Kind::kReplug;
        } else if (command == "network") {
            step.kind = ScriptStep::Kind::kNetwork;
            if (!(words >> argument) || !ParseNumber(argument, value) || value < 0 ||
                value > 0xFFFF) {
                error = "network needs a number 0..65535";
            }
            step.value = int(value);
        } else if (command == "message-reply") {
            step.kind = ScriptStep::Kind::kMessageReply;
            words >> argument;
            if (argument != "on" && argument != "off") {
                error = "message-reply needs on or off";
            }
            step.value = argument == "on" ? 1 : 0;
        } else {
            error = "unknown command '" + command + "'";
        }
        if (!error.empty()) {
            script.errors.push_back("line " + std::to_string(number) + ": " + error);
            continue;
        }
        script.steps.push_back(step);
    }
    return script;
}
