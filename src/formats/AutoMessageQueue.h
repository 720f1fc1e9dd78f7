#pragma once

#include <array>
#include <deque>

#include "FormatSettings.h"
#include "KartSlot.h"

class Station;

// The automatic messages waiting for each kart. A message is moved into the kart
// slot's outgoing fields only while the slot holds no unsent message, so the
// receiver link sends it with the operator's own messages, one at a time per kart,
// and an operator's message waiting to go out is never overwritten.
class AutoMessageQueue {
  public:
    // More would only show the driver stale news: the oldest is dropped.
    static constexpr size_t kMaxWaiting = 4;

    struct Message {
        QString line1;
        QString line2;
        Colour background = 0;
        Colour font_colour = 0;
    };

    // Queues the message for a radio kart, with its placeholders filled in; nothing
    // for a hand-timed kart or a message that is off.
    void Push(const Station& station, int slot, const AutoMessage& message, int position,
              qint32 lap_time);
    // Moves the next message of each kart whose slot is free into it. Returns how
    // many were moved.
    int Pump(Station& station);
    size_t waiting(int slot) const { return waiting_.at(size_t(slot - 1)).size(); }
    void Clear();

  private:
    std::array<std::deque<Message>, kSlotCount> waiting_;
};
