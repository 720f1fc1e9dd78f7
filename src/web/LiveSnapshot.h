#pragma once

#include <QByteArray>
#include <mutex>

// Milliseconds of the steady clock, the one time base of both threads and of the
// times the pages count from (lap starts, the session start, now_ms).
qint64 SteadyMs();

// The /api/live JSON as the UI thread last built it, handed to the network thread.
// Only the UI thread reads the kart slots; the network thread sees nothing but
// these copies (QByteArray shares the bytes, and a published array is never
// changed), so the slots need no lock and the lock here is held for a copy only.
class LiveSnapshot {
  public:
    struct State {
        QByteArray json;
        quint64 version = 0;      // goes up whenever json changes
        quint64 serial = 0;       // goes up with every publish, changed or not
        qint64 looked_at_ms = 0;  // SteadyMs() of the last publish
    };

    // Stores json as the latest state; true when it differs from the one before.
    bool Publish(const QByteArray& json);
    State Latest() const;

  private:
    mutable std::mutex mutex_;
    State state_;
};
