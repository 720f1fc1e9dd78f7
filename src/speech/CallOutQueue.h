#pragma once

#include <QString>
#include <vector>

// Call-outs waiting to be spoken, at most `capacity` of them. A queue that falls
// behind (laps come faster than they can be said) drops its oldest call-out, since
// the newest lap is the one the crew wants to hear. A ring of fixed size, so adding
// never allocates slots or moves the others.
class CallOutQueue {
  public:
    explicit CallOutQueue(int capacity);

    // Returns true when the oldest call-out had to make room.
    bool Push(QString text);
    QString Pop();  // the oldest; only when not empty
    void Clear();

    bool empty() const { return count_ == 0; }
    int size() const { return count_; }
    int capacity() const { return int(ring_.size()); }
    // Call-outs dropped to make room, over the queue's life.
    int dropped() const { return dropped_; }

  private:
    std::vector<QString> ring_;
    int head_ = 0;  // index of the oldest
    int count_ = 0;
    int dropped_ = 0;
};
