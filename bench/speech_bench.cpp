// What a call-out costs the thread that reads frames: LapRecorded on a lap, with
// call-outs and the beep on and a speaker that is still busy, so every lap ends up
// dropping the oldest waiting call-out (the queue's worst case). The words alone,
// for comparison.
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "CallOutText.h"
#include "LapCallOuts.h"
#include "LapTimeWords.h"

namespace {

class BusySpeaker final : public Speaker {
  public:
    State state() const override { return State::kBusy; }
    QString failure() const override { return {}; }
    void Say(const QString&) override {}
};

class SilentBeeper final : public Beeper {
  public:
    void Beep() override {}
    QString failure() const override { return {}; }
};

void BM_LapRecordedWithFullQueue(benchmark::State& state) {
    LapCallOuts call_outs(CallOutSounds{[] { return std::make_unique<BusySpeaker>(); },
                                        [] { return std::make_unique<SilentBeeper>(); }},
                          nullptr);
    call_outs.SetSpeak(true);
    call_outs.SetBeep(true);
    KartSlot slot;
    slot.driver_name = QStringLiteral("Jan Nowak");
    slot.best_lap_delta_sign = QStringLiteral("-");
    slot.best_lap_delta = 12;
    qint32 lap = 3455;
    for (auto _ : state) {
        call_outs.LapRecorded(2, slot, lap);
        lap = lap == 3455 ? 6250 : 3455;
    }
    QCoreApplication::processEvents();
    state.counters["dropped"] = call_outs.announcer()->queue().dropped();
}
BENCHMARK(BM_LapRecordedWithFullQueue);

void BM_LapTimeInWords(benchmark::State& state) {
    qint32 lap = 3455;
    for (auto _ : state) {
        benchmark::DoNotOptimize(LapTimeInWords(lap));
        lap = lap == 3455 ? 372350 : 3455;
    }
}
BENCHMARK(BM_LapTimeInWords);

}  // namespace
