#include "AutoMessageQueue.h"

#include "Station.h"

void AutoMessageQueue::Push(const Station& station, int slot, const AutoMessage& message,
                            int position, qint32 lap_time) {
    if (!message.on || !IsValidSlot(slot) || !station.slot(slot).radio) {
        return;
    }
    std::deque<Message>& queue = waiting_[size_t(slot - 1)];
    if (queue.size() >= kMaxWaiting) {
        queue.pop_front();
    }
    queue.push_back(Message{ExpandMessageLine(message.line1, position, lap_time),
                            ExpandMessageLine(message.line2, position, lap_time),
                            message.background, message.font_colour});
}

int AutoMessageQueue::Pump(Station& station) {
    int moved = 0;
    for (int s = 1; s <= kSlotCount; ++s) {
        std::deque<Message>& queue = waiting_[size_t(s - 1)];
        KartSlot& kart = station.slot(s);
        if (queue.empty() || kart.message_pending) {
            continue;
        }
        const Message& m = queue.front();
        kart.message_line1 = m.line1;
        kart.message_line2 = m.line2;
        kart.message_background = m.background;
        kart.message_font_colour = m.font_colour;
        kart.message_immediate = 1;
        kart.message_pending = true;
        queue.pop_front();
        ++moved;
    }
    return moved;
}

void AutoMessageQueue::Clear() {
    for (auto& queue : waiting_) {
        queue.clear();
    }
}
