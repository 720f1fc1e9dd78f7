#include "Announcer.h"

#include <QMetaObject>
#include <utility>

Announcer::Announcer(std::unique_ptr<Speaker> speaker,
                     std::function<void(const QString&)> on_failure, int capacity)
    : speaker_(std::move(speaker)), on_failure_(std::move(on_failure)), queue_(capacity) {
    speaker_->on_state_changed = [this] { Drain(); };
    if (speaker_->state() == Speaker::State::kFailed) {
        ReportFailureOnce();
    }
}

Announcer::~Announcer() {
    speaker_->on_state_changed = nullptr;
}

void Announcer::Announce(QString text) {
    if (failure_reported_) {
        return;
    }
    queue_.Push(std::move(text));
    RequestTurn();
}

void Announcer::RequestTurn() {
    if (turn_requested_) {
        return;
    }
    turn_requested_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            turn_requested_ = false;
            Drain();
        },
        Qt::QueuedConnection);
}

void Announcer::Drain() {
    switch (speaker_->state()) {
        case Speaker::State::kFailed:
            ReportFailureOnce();
            return;
        case Speaker::State::kBusy:
            // The speaker's state change brings us back.
            return;
        case Speaker::State::kReady:
            break;
    }
    if (!queue_.empty()) {
        speaker_->Say(queue_.Pop());
    }
}

void Announcer::ReportFailureOnce() {
    queue_.Clear();
    if (failure_reported_) {
        return;
    }
    failure_reported_ = true;
    if (on_failure_) {
        on_failure_(speaker_->failure());
    }
}
