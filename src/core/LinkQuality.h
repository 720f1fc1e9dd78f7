#pragma once

#include <QString>
#include <QtGlobal>
#include <unordered_map>

// How well the radio link to each unit works, from the packet counter (byte 8) of
// its timing frames. The counter steps by one with every transmission of the unit
// and wraps from 255 to 0, so the step from the unit's previous counter, taken
// modulo 256 as a signed 8-bit number d, tells what happened:
//
//   d = 0          a duplicate: the same transmission delivered again. It is neither
//                  a new packet nor a lost one, and "last heard" does not move.
//   d = 1 .. 127   a new packet, with d - 1 packets lost before it (a wrap counts:
//                  254 then 1 is d = 3, two lost).
//   d = -128 .. -1 the counter jumped back: the unit restarted. A new packet,
//                  nothing lost; counting goes on from the new counter.
//
// The 8-bit counter cannot tell more. A restart that lands less than 128 ahead
// (200, then a fresh 0) reads as a gap of 55, and a silence longer than 127
// transmissions (about 13 s at ten reports a second) reads as a restart; the
// "last heard" age shows such a silence instead.
struct UnitLink {
    quint8 counter = 0;     // packet counter of the last new packet
    qint64 received = 0;    // new packets, the first one included
    qint64 lost = 0;        // estimated from the counter gaps
    qint64 restarts = 0;    // counter jumps back
    qint64 duplicates = 0;  // repeated counters
    qint64 last_heard = 0;  // performance counter at the last new packet
};

class LinkQuality {
  public:
    // Noise and damaged frames can carry any serial number: the table keeps at most
    // this many units and forgets the one heard longest ago to make room.
    static constexpr size_t kMaxUnits = 256;

    // One timing frame of a unit (24-bit serial number) at performance counter `now`.
    void Heard(quint32 serial, quint8 counter, qint64 now);

    // The unit, or nullptr when it was never heard (or the number is no 24-bit serial).
    const UnitLink* Find(qint64 serial) const;

    size_t size() const { return units_.size(); }
    void Clear() { units_.clear(); }

  private:
    void ForgetOldest();

    std::unordered_map<quint32, UnitLink> units_;
};

// "Radio: 98.7% of packets, last heard 0.1 s ago" for a unit (the share of packets
// rounded down, so 100.0% means none lost; the age to the nearest tenth), or
// "Radio: not heard yet" for nullptr.
QString LinkQualityText(const UnitLink* unit, qint64 now, qint64 frequency);
