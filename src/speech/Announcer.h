#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "CallOutQueue.h"
#include "Speaker.h"

// Speaks call-outs one after the other without holding up whoever hands them in:
// Announce only queues the text and asks the event loop for a turn, so the lap
// path (inside the receiver's frame handling) never waits for speech. A speaker
// that fails is reported once through on_failure; from then on call-outs are
// dropped silently.
class Announcer : public QObject {
    Q_OBJECT

  public:
    static constexpr int kQueueCapacity = 4;

    Announcer(std::unique_ptr<Speaker> speaker, std::function<void(const QString&)> on_failure,
              int capacity = kQueueCapacity);
    ~Announcer() override;

    void Announce(QString text);
    // Forgets what has not been said yet (call-outs switched off).
    void Clear() { queue_.Clear(); }

    const CallOutQueue& queue() const { return queue_; }
    Speaker& speaker() { return *speaker_; }
    bool failed() const { return failure_reported_; }

  private:
    void RequestTurn();
    void Drain();
    void ReportFailureOnce();

    std::unique_ptr<Speaker> speaker_;
    std::function<void(const QString&)> on_failure_;
    CallOutQueue queue_;
    bool turn_requested_ = false;
    bool failure_reported_ = false;
};
