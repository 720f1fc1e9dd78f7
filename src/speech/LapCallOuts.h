#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "Announcer.h"
#include "KartSlot.h"
#include "Speaker.h"

// What makes the sounds: the real speech engine and tone (RealCallOutSounds), or
// fakes.
struct CallOutSounds {
    std::function<std::unique_ptr<Speaker>()> make_speaker;
    std::function<std::unique_ptr<Beeper>()> make_beeper;
};

// Qt TextToSpeech with the voice for the system's language, and a tone on the
// default sound output.
CallOutSounds RealCallOutSounds();

// What a completed lap sounds like: its call-out when speaking is on, and a beep
// for a hand-timed kart's lap when beeping is on. LapRecorded is called on the lap
// path and only queues; the speaker and the beeper are made on first use, and a
// failure of either is reported once per run through `report`.
class LapCallOuts {
  public:
    enum class Sound { kSpeech, kBeep };
    using Report = std::function<void(Sound, const QString& reason)>;

    LapCallOuts(CallOutSounds sounds, Report report);
    ~LapCallOuts();

    void SetSpeak(bool on);
    void SetBeep(bool on);
    bool speak() const { return speak_; }
    bool beep() const { return beep_; }

    // The lap just entered into the slot (best lap and gap already updated).
    void LapRecorded(int slot_number, const KartSlot& slot, qint32 lap_time);

    // Made on the first SetSpeak(true) / SetBeep(true); null before.
    Announcer* announcer() { return announcer_.get(); }
    Beeper* beeper() { return beeper_.get(); }

  private:
    void ReportBeeperFailureOnce(const QString& reason);

    CallOutSounds sounds_;
    Report report_;
    std::unique_ptr<Announcer> announcer_;
    std::unique_ptr<Beeper> beeper_;
    bool speak_ = false;
    bool beep_ = false;
    bool beeper_failure_reported_ = false;
};
