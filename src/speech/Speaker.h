#pragma once

#include <QString>
#include <functional>

// What says a call-out aloud. The real one is a speech engine (QtSpeaker); tests
// use a fake. Say only starts speaking and returns; the speaker tells through
// on_state_changed, from the event loop, when it is done.
class Speaker {
  public:
    enum class State {
        kBusy,    // starting up or speaking: wait
        kReady,   // can take the next call-out
        kFailed,  // cannot speak; failure() says why
    };

    virtual ~Speaker() = default;
    virtual State state() const = 0;
    virtual QString failure() const = 0;
    virtual void Say(const QString& text) = 0;

    std::function<void()> on_state_changed;
};

// What sounds the beep of a hand-timed lap. Beep only asks for the sound; it is
// made later from the event loop. on_failure is called when the sound cannot be
// made, with the reason.
class Beeper {
  public:
    virtual ~Beeper() = default;
    virtual void Beep() = 0;
    // Empty while sound works.
    virtual QString failure() const = 0;

    std::function<void(const QString&)> on_failure;
};
