#include "LapCallOuts.h"

#include <utility>

#include "CallOutText.h"
#include "QtSpeaker.h"
#include "ToneBeeper.h"

CallOutSounds RealCallOutSounds() {
    return {[] { return std::make_unique<QtSpeaker>(); },
            [] { return std::make_unique<ToneBeeper>(); }};
}

LapCallOuts::LapCallOuts(CallOutSounds sounds, Report report)
    : sounds_(std::move(sounds)), report_(std::move(report)) {}

LapCallOuts::~LapCallOuts() {
    if (beeper_) {
        beeper_->on_failure = nullptr;
    }
}

void LapCallOuts::SetSpeak(bool on) {
    speak_ = on;
    if (!on) {
        if (announcer_) {
            announcer_->Clear();
        }
        return;
    }
    // Kept for the whole run once made, so a missing engine is told only once.
    if (!announcer_) {
        announcer_ =
            std::make_unique<Announcer>(sounds_.make_speaker(), [this](const QString& reason) {
                if (report_) {
                    report_(Sound::kSpeech, reason);
                }
            });
    }
}

void LapCallOuts::SetBeep(bool on) {
    beep_ = on;
    if (!on || beeper_) {
        return;
    }
    beeper_ = sounds_.make_beeper();
    beeper_->on_failure = [this](const QString& reason) { ReportBeeperFailureOnce(reason); };
    if (!beeper_->failure().isEmpty()) {
        ReportBeeperFailureOnce(beeper_->failure());
    }
}

void LapCallOuts::LapRecorded(int slot_number, const KartSlot& slot, qint32 lap_time) {
    if (speak_ && announcer_ && !announcer_->failed()) {
        announcer_->Announce(CallOutForLap(slot, slot_number, lap_time));
    }
    // A radio kart's laps come from its transponder; the beep confirms a lap the
    // operator timed by hand.
    if (beep_ && beeper_ && !slot.radio) {
        beeper_->Beep();
    }
}

void LapCallOuts::ReportBeeperFailureOnce(const QString& reason) {
    if (beeper_failure_reported_) {
        return;
    }
    beeper_failure_reported_ = true;
    if (report_) {
        report_(Sound::kBeep, reason);
    }
}
