#pragma once

// The emulated receiver's timeline, one step per script line:
//
//   # comment
//   timing sn=0x0A1B01 node=0x0101 counter=1 race=1 lap=0 in-progress=1 lap-time=0
//          rpm-max=0 rpm-min=0 running=0 session=0 rpm=0 best=0 driver=TEXT
//                          a timing frame (unnamed fields are 0), on one line
//   frame 02 00 ...        a raw 64-byte frame in hex (missing bytes are 0)
//   delay MS               the timeline waits
//   unplug                 waits for a read in flight, then drops the USB/IP link
//   replug                 attaches the device again
//   network N              the next test request (0x01) gets N in bytes 0-1; a request
//                          with no answer queued gets none (its reply read times out)
//   message-reply on|off   whether message frames (0x02) get a 64-byte reply
//
// A frame step waits until a read takes it, so the steps happen strictly in order.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

using Frame64 = std::array<std::uint8_t, 64>;

struct ScriptStep {
    enum class Kind { kFrame, kDelay, kUnplug, kReplug, kNetwork, kMessageReply };
    Kind kind = Kind::kFrame;
    Frame64 frame{};
    int value = 0;  // delay in ms; message-reply 1/0
};

struct ParsedScript {
    std::vector<ScriptStep> steps;
    std::vector<std::string> errors;  // "line 3: ..."
};

ParsedScript ParseScript(const std::string& text);
