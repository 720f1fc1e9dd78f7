#include <gtest/gtest.h>

#include <QMediaDevices>
#include <QTest>
#include <QTextToSpeech>

#include "QtSpeaker.h"
#include "ToneBeeper.h"

// One smoke test of the installed speech engine: it takes a call-out and either
// speaks it or fails with a reason, within a bounded wait. On a machine without a
// sound server the engine reports an error; that is the path the station must
// survive, so it passes as long as the reason is given.
TEST(RealSpeechEngine, SpeaksOrReportsWhy) {
    if (QTextToSpeech::availableEngines().isEmpty()) {
        GTEST_SKIP() << "no Qt speech engine installed";
    }
    QtSpeaker speaker(QLocale(QLocale::Polish, QLocale::Poland));
    EXPECT_FALSE(speaker.choice().engine.isEmpty());
    bool changed = false;
    speaker.on_state_changed = [&changed] { changed = true; };
    if (speaker.state() == Speaker::State::kReady) {
        speaker.Say(QStringLiteral("Nowak, thirty-four fifty-five"));
        EXPECT_NE(speaker.state(), Speaker::State::kReady);  // never two at once
        // Done speaking, or failed: either way the engine answers. The bound is
        // generous, only there to tell a hang from an answer.
        const bool answered =
            QTest::qWaitFor([&] { return speaker.state() != Speaker::State::kBusy; }, 30000);
        EXPECT_TRUE(answered) << "the engine neither spoke nor failed";
    }
    if (speaker.state() == Speaker::State::kFailed) {
        EXPECT_FALSE(speaker.failure().isEmpty());
        std::cout << "engine " << speaker.choice().engine.toStdString()
                  << " failed: " << speaker.failure().toStdString() << '\n';
    } else {
        EXPECT_EQ(speaker.state(), Speaker::State::kReady);
        EXPECT_TRUE(changed);
        std::cout << "engine " << speaker.choice().engine.toStdString() << " spoke in "
                  << speaker.choice().locale.name().toStdString() << '\n';
    }
}

// The tone on the machine's own sound output: it plays from the event loop, or the
// beeper says why it cannot (no sound server here).
TEST(RealToneBeeper, BeepsOrReportsWhy) {
    ToneBeeper beeper;
    QStringList reports;
    beeper.on_failure = [&reports](const QString& reason) { reports.append(reason); };
    const bool no_output = QMediaDevices::defaultAudioOutput().isNull();
    EXPECT_EQ(beeper.failure().isEmpty(), !no_output);
    beeper.Beep();
    beeper.Beep();  // asked twice before the event loop ran: one tone
    QTest::qWait(300);
    if (!beeper.failure().isEmpty()) {
        std::cout << "beep: " << beeper.failure().toStdString() << '\n';
    }
    // A failure found while playing is handed on once; one known from the start is
    // for the owner to read.
    EXPECT_LE(reports.size(), 1);
}
