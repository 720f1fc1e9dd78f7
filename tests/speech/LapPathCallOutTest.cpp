#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "CallOutSwitch.h"
#include "FakeClock.h"
#include "FakeSound.h"
#include "QtPrinters.h"
#include "QtSpeaker.h"
#include "TForm1.h"
#include "TempFolder.h"
#include "Tfekranglowny.h"

namespace {

// Saves a picture when RUVO_SCREENSHOT_DIR names a folder (docs/).
void Screenshot(QWidget& widget, const char* name) {
    const QString folder = qEnvironmentVariable("RUVO_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        widget.grab().save(folder + "/" + name);
    }
}

// The launcher with fake sounds, and a session screen that reports its laps
// through the launcher's own actions, as "Session start" wires them.
struct LapPathFixture : ::testing::Test {
    TempFolder folder;
    FakeClock clock;
    FakeSpeaker* speaker = nullptr;
    FakeBeeper* beeper = nullptr;
    std::unique_ptr<TForm1> launcher;

    void MakeLauncher() {
        launcher =
            std::make_unique<TForm1>(clock, folder.path(), nullptr,
                                     CallOutSounds{[this] {
                                                       auto made = std::make_unique<FakeSpeaker>();
                                                       speaker = made.get();
                                                       return made;
                                                   },
                                                   [this] {
                                                       auto made = std::make_unique<FakeBeeper>();
                                                       beeper = made.get();
                                                       return made;
                                                   }});
    }

    void SetUp() override {
        folder.Write(QStringLiteral("ustawienia.ini"),
                     "[Parametry]\r\nRadio1=1\r\nSN1=7\r\nNAME1=Ewa Lis\r\n"
                     "Radio2=0\r\nNAME2=Jan Nowak\r\n");
    }
    QCheckBox* Box(const char* name) { return launcher->findChild<QCheckBox*>(name); }
    void Say(Tfekranglowny& screen, const char* control) {
        QTest::mouseClick(screen.findChild<QWidget*>(QString::fromUtf8(control)), Qt::LeftButton);
    }
};

TEST_F(LapPathFixture, LapsOfTheSessionScreenAreCalledOutAndHandLapsBeep) {
    MakeLauncher();
    Box("CheckBoxCallOuts")->setChecked(true);
    Box("CheckBoxBeep")->setChecked(true);
    ASSERT_NE(speaker, nullptr);
    ASSERT_NE(beeper, nullptr);
    Station& station = launcher->station();
    auto screen = ShowSessionScreen(station, launcher->MakeSessionScreenActions());

    // Slot 2 is hand-timed: start the stopwatch, then the lap button.
    Say(*screen, "Image3");
    clock.AdvanceCentiseconds(3455);
    Say(*screen, "ImageButton2");
    clock.AdvanceCentiseconds(499);  // under 5.00 s: not a lap, no sound
    Say(*screen, "ImageButton2");
    EXPECT_EQ(beeper->beeps, 1);
    EXPECT_TRUE(speaker->said.isEmpty());  // spoken from the event loop, not the lap path
    QApplication::processEvents();
    EXPECT_EQ(speaker->said, QStringList{"Nowak, thirty-four fifty-five"});

    clock.AdvanceCentiseconds(6250 - 499);
    Say(*screen, "ImageButton2");
    // Slot 1's transponder: a lap from the frame decoder, no beep.
    screen->RecordLap(6000, 1, 9000, 4000);
    screen->RecordLap(5999, 1, 9000, 4000);
    speaker->FinishSpeaking();
    speaker->FinishSpeaking();
    speaker->FinishSpeaking();
    EXPECT_EQ(speaker->said,
              QStringList({"Nowak, thirty-four fifty-five", "Nowak, one oh two fifty",
                           "Lis, one minute flat", "Lis, fifty-nine ninety-nine, best lap"}));
    EXPECT_EQ(beeper->beeps, 2);
}

TEST_F(LapPathFixture, SwitchesKeptInTheirOwnSectionAndOffForOlderFiles) {
    MakeLauncher();
    QCheckBox* speak = Box("CheckBoxCallOuts");
    QCheckBox* beep = Box("CheckBoxBeep");
    ASSERT_NE(speak, nullptr);
    ASSERT_NE(beep, nullptr);
    EXPECT_EQ(speak->text(), "Call out lap times");
    EXPECT_EQ(beep->text(), "Beep on hand-timed laps");
    EXPECT_FALSE(speak->isChecked());
    EXPECT_FALSE(beep->isChecked());
    EXPECT_EQ(speaker, nullptr);  // nothing made while off
    // In the free room above "Session start", clear of it.
    const QRect start = launcher->findChild<QPushButton*>("Button1")->geometry();
    for (const QCheckBox* box : {speak, beep}) {
        EXPECT_GE(box->geometry().top(), 0);
        EXPECT_FALSE(box->geometry().intersects(start));
    }
    EXPECT_FALSE(speak->geometry().intersects(beep->geometry()));

    beep->setChecked(true);
    launcher->show();
    Screenshot(*launcher, "launcher-call-outs.png");
    const QByteArray file = folder.Read(QStringLiteral("ustawienia.ini"));
    EXPECT_TRUE(file.startsWith("[Parametry]\r\nRadio1=1\r\nSN1=7\r\nNAME1=Ewa Lis\r\n"));
    EXPECT_TRUE(file.endsWith("[CallOuts]\r\nSpeak=0\r\nBeep=1\r\n"));

    // The next start finds the choice; the lap path beeps at once.
    launcher.reset();
    MakeLauncher();
    EXPECT_FALSE(Box("CheckBoxCallOuts")->isChecked());
    EXPECT_TRUE(Box("CheckBoxBeep")->isChecked());
    ASSERT_NE(beeper, nullptr);
    launcher->MakeSessionScreenActions().lap_recorded(2, 0, 3000, 0, 0, true);
    EXPECT_EQ(beeper->beeps, 1);
}

TEST_F(LapPathFixture, AMissingEngineIsToldOnceAndTheLapsGoOn) {
    launcher =
        std::make_unique<TForm1>(clock, folder.path(), nullptr,
                                 CallOutSounds{[this] {
                                                   auto made = std::make_unique<FakeSpeaker>();
                                                   made->Fail(QtSpeaker::NoEngineMessage());
                                                   speaker = made.get();
                                                   return made;
                                               },
                                               [] { return std::make_unique<FakeBeeper>(); }});
    launcher->show();
    QCheckBox* speak = Box("CheckBoxCallOuts");
    speak->setChecked(true);
    const auto boxes = [this] {
        int shown = 0;
        for (QMessageBox* box : launcher->findChildren<QMessageBox*>("CallOutFailure")) {
            shown += box->isVisible() ? 1 : 0;
            EXPECT_TRUE(box->text().startsWith(QtSpeaker::NoEngineMessage()));
            EXPECT_FALSE(box->isModal());
        }
        return shown;
    };
    EXPECT_EQ(boxes(), 1);
    EXPECT_EQ(speak->toolTip(), QtSpeaker::NoEngineMessage());
    if (QWidget* box = launcher->findChild<QMessageBox*>("CallOutFailure")) {
        Screenshot(*box, "call-outs-no-engine.png");
    }
    speak->setChecked(false);
    speak->setChecked(true);
    EXPECT_EQ(boxes(), 1);
    EXPECT_TRUE(speak->isChecked());  // the choice stays: a later engine may work

    auto screen = ShowSessionScreen(launcher->station(), launcher->MakeSessionScreenActions());
    screen->RecordLap(3455, 1, 0, 0);
    QApplication::processEvents();
    EXPECT_TRUE(speaker->said.isEmpty());
    EXPECT_EQ(launcher->station().slot(1).last_lap_time, 3455);
    EXPECT_EQ(boxes(), 1);
}

}  // namespace
