#include <gtest/gtest.h>

#include <QCoreApplication>

#include "Announcer.h"
#include "CallOutQueue.h"
#include "FakeSound.h"
#include "LapCallOuts.h"
#include "QtPrinters.h"

namespace {

TEST(CallOutQueue, KeepsOrderAndDropsTheOldestWhenFull) {
    CallOutQueue queue(4);
    for (int i = 1; i <= 4; ++i) {
        EXPECT_FALSE(queue.Push(QString::number(i)));
    }
    EXPECT_TRUE(queue.Push(QStringLiteral("5")));
    EXPECT_TRUE(queue.Push(QStringLiteral("6")));
    EXPECT_EQ(queue.size(), 4);
    EXPECT_EQ(queue.dropped(), 2);
    EXPECT_EQ(queue.Pop(), "3");
    EXPECT_FALSE(queue.Push(QStringLiteral("7")));  // room again, across the ring's end
    EXPECT_EQ(queue.Pop(), "4");
    EXPECT_EQ(queue.Pop(), "5");
    EXPECT_EQ(queue.Pop(), "6");
    EXPECT_EQ(queue.Pop(), "7");
    EXPECT_TRUE(queue.empty());
    EXPECT_EQ(queue.Pop(), QString());

    queue.Push(QStringLiteral("a"));
    queue.Clear();
    EXPECT_TRUE(queue.empty());
    EXPECT_EQ(CallOutQueue(0).capacity(), 1);  // never a queue that holds nothing
}

struct AnnouncerFixture : ::testing::Test {
    FakeSpeaker* speaker = new FakeSpeaker;
    QStringList reports;
    Announcer announcer{std::unique_ptr<Speaker>(speaker),
                        [this](const QString& reason) { reports.append(reason); }};

    static void RunEventLoop() { QCoreApplication::processEvents(); }
};

TEST_F(AnnouncerFixture, SpeaksFromTheEventLoopOneAfterTheOther) {
    announcer.Announce(QStringLiteral("first"));
    announcer.Announce(QStringLiteral("second"));
    // Handing in a call-out never speaks: that waits for the event loop.
    EXPECT_TRUE(speaker->said.isEmpty());
    RunEventLoop();
    EXPECT_EQ(speaker->said, QStringList{"first"});
    RunEventLoop();
    EXPECT_EQ(speaker->said, QStringList{"first"});  // still speaking the first
    speaker->FinishSpeaking();
    EXPECT_EQ(speaker->said, QStringList({"first", "second"}));
    speaker->FinishSpeaking();
    EXPECT_TRUE(announcer.queue().empty());
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(AnnouncerFixture, FallingBehindDropsTheOldestCallOuts) {
    announcer.Announce(QStringLiteral("lap 1"));
    RunEventLoop();  // lap 1 is being said
    for (int lap = 2; lap <= 8; ++lap) {
        announcer.Announce(QStringLiteral("lap %1").arg(lap));
    }
    EXPECT_EQ(announcer.queue().size(), Announcer::kQueueCapacity);
    EXPECT_EQ(announcer.queue().dropped(), 3);
    for (int i = 0; i < 5; ++i) {
        speaker->FinishSpeaking();
    }
    EXPECT_EQ(speaker->said, QStringList({"lap 1", "lap 5", "lap 6", "lap 7", "lap 8"}));
}

TEST_F(AnnouncerFixture, AFailingSpeakerIsReportedOnceThenSilent) {
    announcer.Announce(QStringLiteral("lap 1"));
    RunEventLoop();
    announcer.Announce(QStringLiteral("lap 2"));
    speaker->Fail(QStringLiteral("no sound output"));
    EXPECT_EQ(reports, QStringList{"no sound output"});
    EXPECT_TRUE(announcer.failed());
    EXPECT_TRUE(announcer.queue().empty());
    announcer.Announce(QStringLiteral("lap 3"));
    RunEventLoop();
    speaker->SetState(Speaker::State::kFailed);
    EXPECT_EQ(reports.size(), 1);
    EXPECT_EQ(speaker->said, QStringList{"lap 1"});
}

TEST(Announcer, ASpeakerThatCannotStartIsReportedAtOnce) {
    auto speaker = std::make_unique<FakeSpeaker>();
    speaker->Fail(QStringLiteral("No speech engine is installed"));
    QStringList reports;
    Announcer announcer(std::move(speaker),
                        [&reports](const QString& reason) { reports.append(reason); });
    EXPECT_EQ(reports, QStringList{"No speech engine is installed"});
    announcer.Announce(QStringLiteral("lap"));
    EXPECT_TRUE(announcer.queue().empty());
}

// LapCallOuts: what is made when, and each failure told once per run.
struct CallOutsFixture : ::testing::Test {
    FakeSpeaker* speaker = nullptr;
    FakeBeeper* beeper = nullptr;
    int speakers_made = 0;
    QStringList reports;
    LapCallOuts call_outs{
        CallOutSounds{[this] {
                          ++speakers_made;
                          auto made = std::make_unique<FakeSpeaker>();
                          speaker = made.get();
                          return made;
                      },
                      [this] {
                          auto made = std::make_unique<FakeBeeper>();
                          beeper = made.get();
                          return made;
                      }},
        [this](LapCallOuts::Sound sound, const QString& reason) {
            reports.append((sound == LapCallOuts::Sound::kBeep ? "beep: " : "speech: ") + reason);
        }};
    KartSlot hand_kart;
    KartSlot radio_kart;

    void SetUp() override {
        hand_kart.driver_name = QStringLiteral("Jan Nowak");
        radio_kart.driver_name = QStringLiteral("Ewa Lis");
        radio_kart.radio = true;
    }
};

TEST_F(CallOutsFixture, SwitchedOffByDefaultAndMadeOnlyWhenSwitchedOn) {
    call_outs.LapRecorded(1, hand_kart, 3455);
    EXPECT_EQ(call_outs.announcer(), nullptr);
    EXPECT_EQ(call_outs.beeper(), nullptr);

    call_outs.SetSpeak(true);
    call_outs.SetBeep(true);
    call_outs.LapRecorded(1, hand_kart, 3455);
    call_outs.LapRecorded(2, radio_kart, 6250);
    QCoreApplication::processEvents();
    speaker->FinishSpeaking();
    EXPECT_EQ(speaker->said,
              QStringList({"Nowak, thirty-four fifty-five", "Lis, one oh two fifty"}));
    EXPECT_EQ(beeper->beeps, 1);  // the hand-timed lap only

    // Off: nothing more, and what waited is forgotten; on again: the same speaker.
    call_outs.LapRecorded(1, hand_kart, 3400);
    call_outs.SetSpeak(false);
    call_outs.SetBeep(false);
    call_outs.LapRecorded(1, hand_kart, 3300);
    QCoreApplication::processEvents();
    speaker->FinishSpeaking();
    EXPECT_EQ(speaker->said.size(), 2);
    EXPECT_EQ(beeper->beeps, 2);  // the lap before the beep was switched off
    call_outs.SetSpeak(true);
    EXPECT_EQ(speakers_made, 1);
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(CallOutsFixture, EachFailureToldOncePerRun) {
    call_outs.SetSpeak(true);
    call_outs.SetBeep(true);
    speaker->Fail(QStringLiteral("engine gone"));
    beeper->Fail(QStringLiteral("no output"));
    beeper->Fail(QStringLiteral("no output"));
    call_outs.SetSpeak(false);
    call_outs.SetSpeak(true);
    call_outs.LapRecorded(1, hand_kart, 3455);
    QCoreApplication::processEvents();
    EXPECT_EQ(reports, QStringList({"speech: engine gone", "beep: no output"}));
    EXPECT_TRUE(speaker->said.isEmpty());
    EXPECT_EQ(speakers_made, 1);
}

}  // namespace
