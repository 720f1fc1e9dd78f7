#pragma once

#include <QString>
#include <QStringList>

#include "Speaker.h"

// A speaker that records what it was asked to say and stays busy until the test
// says the call-out has finished.
class FakeSpeaker final : public Speaker {
  public:
    State state() const override { return state_; }
    QString failure() const override { return failure_; }
    void Say(const QString& text) override {
        said.append(text);
        state_ = State::kBusy;
    }

    void FinishSpeaking() { SetState(State::kReady); }
    void Fail(const QString& reason) {
        failure_ = reason;
        SetState(State::kFailed);
    }
    void SetState(State state) {
        state_ = state;
        if (on_state_changed) {
            on_state_changed();
        }
    }

    QStringList said;

  private:
    State state_ = State::kReady;
    QString failure_;
};

class FakeBeeper final : public Beeper {
  public:
    void Beep() override { ++beeps; }
    QString failure() const override { return failure_; }
    void Fail(const QString& reason) {
        failure_ = reason;
        if (on_failure) {
            on_failure(reason);
        }
    }

    int beeps = 0;
    QString failure_;
};
