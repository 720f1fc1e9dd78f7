#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "ColumnFlash.h"
#include "FakeClock.h"
#include "IniFile.h"
#include "Tfekranglowny.h"

// Hand-timing keys on the real session screen: slot 1 is a radio kart, 2..5 are
// hand-timed.
namespace {

using Sign = ColumnFlash::Sign;

struct KeysFixture : ::testing::Test {
    FakeClock clock;
    Station station{clock, QStringLiteral("/nonexistent/")};
    SessionScreenActions actions;
    std::vector<std::pair<int, qint32>> recorded;  // slot, lap time

    void SetUp() override {
        for (int s = 1; s <= kSlotCount; ++s) {
            station.slot(s).driver_name = QStringLiteral("Driver %1").arg(s);
        }
        station.slot(1).radio = true;
        actions.lap_recorded = [this](int slot, qint32, qint32 lap_time, qint32, qint32, bool) {
            recorded.emplace_back(slot, lap_time);
        };
    }

    std::unique_ptr<Tfekranglowny> Show() {
        auto screen = ShowSessionScreen(station, actions);
        screen->activateWindow();
        QCoreApplication::processEvents();
        return screen;
    }

    // A key press as the window system delivers it to the screen; returns whether
    // the screen took it.
    static bool Press(QWidget& screen, int key, Qt::KeyboardModifiers modifiers = {},
                      bool auto_repeat = false) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers, QString(), auto_repeat);
        QApplication::sendEvent(&screen, &press);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers, QString(), auto_repeat);
        QApplication::sendEvent(&screen, &release);
        return press.isAccepted();
    }

    // One key event with the window system's time stamp in ms.
    static void Send(QWidget& screen, QEvent::Type type, int key, quint64 timestamp) {
        QKeyEvent event(type, key, Qt::NoModifier);
        event.setTimestamp(timestamp);
        QApplication::sendEvent(&screen, &event);
    }

    static QString Text(const QObject& parent, const char* name) {
        auto* label = parent.findChild<QLabel*>(QString::fromUtf8(name));
        return label ? label->text() : QStringLiteral("<none>");
    }
    static qint64 StartStopPicture(const QObject& parent, int slot) {
        return parent.findChild<QLabel*>(QStringLiteral("Image%1").arg(slot + 1))
            ->pixmap()
            .cacheKey();
    }
    static qint64 StopPicture(const QObject& parent) {
        return parent.findChild<QLabel*>(QStringLiteral("Image13"))->pixmap().cacheKey();
    }
    static Sign SignOf(const Tfekranglowny& screen, int slot) {
        const ColumnFlash* flash = screen.key_flash(slot);
        return flash->isVisible() ? flash->sign() : Sign::kNone;
    }
    static bool NoSignAnywhere(const Tfekranglowny& screen) {
        for (int s = 1; s <= kSlotCount; ++s) {
            if (SignOf(screen, s) != Sign::kNone) {
                return false;
            }
        }
        return true;
    }
};

}  // namespace

TEST_F(KeysFixture, LapKeyAtFiveSecondsExactlyNotBefore) {
    auto screen = Show();
    EXPECT_TRUE(Press(*screen, Qt::Key_2, Qt::ShiftModifier));
    EXPECT_TRUE(station.slot(2).stopwatch_running);
    EXPECT_EQ(StartStopPicture(*screen, 2), StopPicture(*screen));
    EXPECT_EQ(SignOf(*screen, 2), Sign::kAccepted);

    clock.AdvanceCentiseconds(499);
    EXPECT_TRUE(Press(*screen, Qt::Key_2));
    EXPECT_TRUE(recorded.empty());
    EXPECT_EQ(SignOf(*screen, 2), Sign::kRefused);
    EXPECT_FALSE(screen->refresh_blocked());

    clock.AdvanceCentiseconds(1);
    EXPECT_TRUE(Press(*screen, Qt::Key_2));
    EXPECT_EQ(recorded, (std::vector<std::pair<int, qint32>>{{2, 500}}));
    EXPECT_EQ(SignOf(*screen, 2), Sign::kAccepted);
    EXPECT_FALSE(screen->refresh_blocked());
    EXPECT_EQ(Text(*screen, "Label24"), "00:05:00");  // best-laps row 1 of slot 2
    EXPECT_EQ(station.slot(2).current_lap_number, 2);
    // Only the kart's own column shows a sign.
    for (int s : {1, 3, 4, 5}) {
        EXPECT_EQ(SignOf(*screen, s), Sign::kNone) << s;
    }

    // The next lap is timed from the previous key press, as with the button.
    clock.AdvanceCentiseconds(633);
    EXPECT_TRUE(Press(*screen, Qt::Key_2));
    screen->RefreshKarts();
    EXPECT_EQ(Text(*screen, "Label12"), "00:06:33");  // last lap of slot 2

    // Shift+2 stops the stopwatch; 2 then does nothing but the quiet sign.
    EXPECT_TRUE(Press(*screen, Qt::Key_2, Qt::ShiftModifier));
    EXPECT_FALSE(station.slot(2).stopwatch_running);
    clock.AdvanceCentiseconds(900);
    EXPECT_TRUE(Press(*screen, Qt::Key_2));
    EXPECT_EQ(recorded.size(), 2u);
    EXPECT_EQ(SignOf(*screen, 2), Sign::kRefused);
}

TEST_F(KeysFixture, ShiftDigitOnLayoutsThatTypeSymbols) {
    auto screen = Show();
    // US: Shift+3 arrives as "#", German: Shift+3 as "§", Shift+2 as "\"".
    EXPECT_TRUE(Press(*screen, Qt::Key_NumberSign, Qt::ShiftModifier));
    EXPECT_TRUE(station.slot(3).stopwatch_running);
    EXPECT_TRUE(Press(*screen, Qt::Key_section, Qt::ShiftModifier));
    EXPECT_FALSE(station.slot(3).stopwatch_running);
    EXPECT_TRUE(Press(*screen, Qt::Key_QuoteDbl, Qt::ShiftModifier));
    EXPECT_TRUE(station.slot(2).stopwatch_running);
    EXPECT_TRUE(recorded.empty());  // starting and stopping records no lap
}

TEST_F(KeysFixture, AutoRepeatOfAHeldKeyNeverRecordsASecondLap) {
    auto screen = Show();
    Press(*screen, Qt::Key_3, Qt::ShiftModifier);
    clock.AdvanceCentiseconds(600);
    QTest::keyPress(screen.get(), Qt::Key_3);  // held down ...
    ASSERT_EQ(recorded.size(), 1u);
    for (int i = 0; i < 40; ++i) {  // ... for twenty seconds of repeats
        clock.AdvanceCentiseconds(50);
        Press(*screen, Qt::Key_3, {}, true);
    }
    QTest::keyRelease(screen.get(), Qt::Key_3);
    EXPECT_EQ(recorded.size(), 1u);
    EXPECT_EQ(station.slot(3).current_lap_number, 2);
    // A held Shift+3 does not start and stop the stopwatch over and over.
    Press(*screen, Qt::Key_3, Qt::ShiftModifier, true);
    EXPECT_TRUE(station.slot(3).stopwatch_running);
    // Released and pressed again, the key counts.
    clock.AdvanceCentiseconds(1);
    Press(*screen, Qt::Key_3);
    EXPECT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded.back(), std::make_pair(3, 2001));

    // X11 delivers a held key as release/press pairs with one time stamp, which Qt
    // does not always flag as auto-repeat (seen under Xvfb).
    recorded.clear();
    clock.AdvanceCentiseconds(600);
    Send(*screen, QEvent::KeyPress, Qt::Key_3, 70'000);
    for (quint64 t = 70'500; t < 80'000; t += 40) {  // ten seconds held
        clock.AdvanceCentiseconds(4);
        Send(*screen, QEvent::KeyRelease, Qt::Key_3, t);
        Send(*screen, QEvent::KeyPress, Qt::Key_3, t);
    }
    Send(*screen, QEvent::KeyRelease, Qt::Key_3, 80'010);
    EXPECT_EQ(recorded, (std::vector<std::pair<int, qint32>>{{3, 600}}));
    Send(*screen, QEvent::KeyPress, Qt::Key_3, 80'300);  // pressed anew
    EXPECT_EQ(recorded.size(), 2u);
}

TEST_F(KeysFixture, KeysMashedFiftyTimesASecondFollowTheFiveSecondRule) {
    auto screen = Show();
    Press(*screen, Qt::Key_4, Qt::ShiftModifier);
    for (int i = 0; i < 600; ++i) {  // twelve seconds
        clock.AdvanceCentiseconds(2);
        Press(*screen, Qt::Key_4);
    }
    EXPECT_EQ(recorded, (std::vector<std::pair<int, qint32>>{{4, 500}, {4, 500}}));
    EXPECT_EQ(station.slot(4).current_lap_number, 3);
}

TEST_F(KeysFixture, KeypadDigitsTimeLaps) {
    auto screen = Show();
    Press(*screen, Qt::Key_5, Qt::KeypadModifier | Qt::ShiftModifier);
    EXPECT_TRUE(station.slot(5).stopwatch_running);
    clock.AdvanceCentiseconds(777);
    Press(*screen, Qt::Key_5, Qt::KeypadModifier);
    // Num Lock off: keypad 2 arrives as keypad Down.
    Press(*screen, Qt::Key_Down, Qt::KeypadModifier | Qt::ShiftModifier);
    clock.AdvanceCentiseconds(512);
    Press(*screen, Qt::Key_Down, Qt::KeypadModifier);
    EXPECT_EQ(recorded, (std::vector<std::pair<int, qint32>>{{5, 777}, {2, 512}}));
}

TEST_F(KeysFixture, RadioKartIgnoresItsKeys) {
    auto screen = Show();
    const qint64 picture = StartStopPicture(*screen, 1);
    clock.AdvanceCentiseconds(1000);
    EXPECT_TRUE(Press(*screen, Qt::Key_1, Qt::ShiftModifier));
    EXPECT_FALSE(station.slot(1).stopwatch_running);
    EXPECT_EQ(StartStopPicture(*screen, 1), picture);
    EXPECT_EQ(SignOf(*screen, 1), Sign::kRefused);
    clock.AdvanceCentiseconds(1000);
    EXPECT_TRUE(Press(*screen, Qt::Key_1));
    EXPECT_EQ(SignOf(*screen, 1), Sign::kRefused);
    EXPECT_TRUE(recorded.empty());
    EXPECT_EQ(station.slot(1).lap(1).lap_time, 0);
}

TEST_F(KeysFixture, KeysOfNoKartDoNothing) {
    auto screen = Show();
    for (int s = 2; s <= kSlotCount; ++s) {
        Press(*screen, Qt::Key_0 + s, Qt::ShiftModifier);
    }
    clock.AdvanceCentiseconds(3000);
    for (int key : {Qt::Key_0, Qt::Key_6, Qt::Key_7, Qt::Key_9, Qt::Key_F5, Qt::Key_Space}) {
        EXPECT_FALSE(Press(*screen, key)) << key;  // left to others
        EXPECT_FALSE(Press(*screen, key, Qt::ShiftModifier)) << key;
    }
    // Ctrl+digit is a shortcut, not a lap.
    EXPECT_FALSE(Press(*screen, Qt::Key_2, Qt::ControlModifier));
    EXPECT_TRUE(recorded.empty());
    for (int s = 2; s <= kSlotCount; ++s) {
        EXPECT_TRUE(station.slot(s).stopwatch_running) << s;
    }
}

TEST_F(KeysFixture, MappedKeysFromTheSection) {
    auto screen = Show();
    screen->SetHandTimingKeys(HandTimingKeys::FromIni(IniFile::FromText(
        QStringLiteral("[HandTimingKeys]\r\nLap2=PgDown\r\nStart2=Shift+PgDown\r\n"
                       "Lap6=F6\r\n"))));
    EXPECT_TRUE(Press(*screen, Qt::Key_PageDown, Qt::ShiftModifier));
    EXPECT_TRUE(station.slot(2).stopwatch_running);
    clock.AdvanceCentiseconds(4321);
    EXPECT_TRUE(Press(*screen, Qt::Key_PageDown));
    EXPECT_EQ(SignOf(*screen, 2), Sign::kAccepted);
    EXPECT_FALSE(Press(*screen, Qt::Key_F6));  // left out: there is no kart 6
    clock.AdvanceCentiseconds(600);
    EXPECT_TRUE(Press(*screen, Qt::Key_2));  // the digit still works
    EXPECT_EQ(recorded, (std::vector<std::pair<int, qint32>>{{2, 4321}, {2, 600}}));
}

TEST_F(KeysFixture, KeysThroughTheWindowSystem) {
    auto screen = Show();
    QWindow* window = screen->windowHandle();
    ASSERT_NE(window, nullptr);
    QTest::keyClick(window, Qt::Key_3, Qt::ShiftModifier);
    EXPECT_TRUE(station.slot(3).stopwatch_running);
    clock.AdvanceCentiseconds(555);
    QTest::keyClick(window, Qt::Key_3);
    EXPECT_EQ(recorded, (std::vector<std::pair<int, qint32>>{{3, 555}}));

    // The sign lets clicks through: the header under it still opens the settings.
    std::vector<int> asked;
    SessionScreenActions with_settings = actions;
    with_settings.show_kart_settings = [&asked](int slot) {
        asked.push_back(slot);
        return false;
    };
    auto second = ShowSessionScreen(station, with_settings);
    second->showNormal();
    second->resize(Tfekranglowny::kDesignWidth, Tfekranglowny::kDesignHeight);
    QCoreApplication::processEvents();
    clock.AdvanceCentiseconds(700);
    QTest::keyClick(second->windowHandle(), Qt::Key_3);
    ASSERT_EQ(SignOf(*second, 3), Sign::kAccepted);
    QWidget* header = second->findChild<QWidget*>(QStringLiteral("Panel6"));
    const QPoint centre = header->mapTo(second.get(), header->rect().center());
    QTest::mouseClick(second->windowHandle(), Qt::LeftButton, {}, centre);
    EXPECT_EQ(asked, (std::vector<int>{3}));
}

TEST_F(KeysFixture, KeyWhileAModalDialogIsOpenDoesNothing) {
    bool pressed = false;
    Tfekranglowny* shown = nullptr;
    actions.show_kart_settings = [&](int) {
        QDialog dialog(shown);
        QTimer::singleShot(0, &dialog, [&] {
            // Through the window system and straight to the screen.
            QTest::keyClick(shown->windowHandle(), Qt::Key_2);
            QTest::keyClick(shown->windowHandle(), Qt::Key_3, Qt::ShiftModifier);
            Press(*shown, Qt::Key_2);
            Press(*shown, Qt::Key_3, Qt::ShiftModifier);
            pressed = true;
            dialog.reject();
        });
        dialog.exec();
        return false;
    };
    auto screen = Show();
    shown = screen.get();
    Press(*screen, Qt::Key_2, Qt::ShiftModifier);
    clock.AdvanceCentiseconds(1000);
    QTest::mouseClick(screen->findChild<QWidget*>(QStringLiteral("Panel5")), Qt::LeftButton);
    ASSERT_TRUE(pressed);
    EXPECT_TRUE(recorded.empty());
    EXPECT_FALSE(station.slot(3).stopwatch_running);
    EXPECT_EQ(SignOf(*screen, 3), Sign::kNone);
    // Closed, the keys work again.
    Press(*screen, Qt::Key_2);
    EXPECT_EQ(recorded, (std::vector<std::pair<int, qint32>>{{2, 1000}}));
}

TEST_F(KeysFixture, SignsGoAwayByThemselves) {
    auto screen = Show();
    Press(*screen, Qt::Key_4, Qt::ShiftModifier);
    Press(*screen, Qt::Key_4);  // refused: under five seconds
    ASSERT_EQ(SignOf(*screen, 4), Sign::kRefused);
    Press(*screen, Qt::Key_5, Qt::ShiftModifier);
    ASSERT_EQ(SignOf(*screen, 5), Sign::kAccepted);
    QElapsedTimer waited;
    waited.start();
    while (!NoSignAnywhere(*screen) && waited.elapsed() < 5000) {
        QTest::qWait(20);
    }
    EXPECT_TRUE(NoSignAnywhere(*screen));
}

// A stray Shift+digit stops a kart in mid-lap: Ctrl+Z runs its stopwatch on from
// the same start mark and lap, so the lap keeps every second driven. A stop that a
// new start has replaced is no longer undone.
TEST_F(KeysFixture, CtrlZAfterAStrayStopRunsTheStopwatchOnAsIfItNeverStopped) {
    auto screen = Show();
    EXPECT_FALSE(screen->stopwatch_ticker()->isActive());
    Press(*screen, Qt::Key_2, Qt::ShiftModifier);
    EXPECT_TRUE(screen->stopwatch_ticker()->isActive());  // the time counts with no frame
    clock.AdvanceCentiseconds(3000);
    Press(*screen, Qt::Key_2);  // lap 1: 30.00
    clock.AdvanceCentiseconds(1200);
    Press(*screen, Qt::Key_2, Qt::ShiftModifier);  // stray stop 12 s into lap 2
    EXPECT_FALSE(station.slot(2).stopwatch_running);
    EXPECT_FALSE(screen->stopwatch_ticker()->isActive());
    clock.AdvanceCentiseconds(300);
    QTest::keyClick(screen->windowHandle(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(station.slot(2).stopwatch_running);
    EXPECT_EQ(StartStopPicture(*screen, 2), StopPicture(*screen));
    EXPECT_TRUE(screen->stopwatch_ticker()->isActive());
    EXPECT_EQ(station.slot(2).current_lap_number, 2);
    clock.AdvanceCentiseconds(1600);
    Press(*screen, Qt::Key_2);
    EXPECT_EQ(recorded, (std::vector<std::pair<int, qint32>>{{2, 3000}, {2, 3100}}));

    // Stopped, started anew, stopped again: Ctrl+Z brings back only the last stop.
    Press(*screen, Qt::Key_3, Qt::ShiftModifier);
    clock.AdvanceCentiseconds(700);
    Press(*screen, Qt::Key_3, Qt::ShiftModifier);
    Press(*screen, Qt::Key_3, Qt::ShiftModifier);
    Press(*screen, Qt::Key_3, Qt::ShiftModifier);
    EXPECT_TRUE(screen->Undo());
    EXPECT_TRUE(station.slot(3).stopwatch_running);
    EXPECT_EQ(station.slot(3).current_lap_number, 1);
    EXPECT_FALSE(screen->Undo());
}

// A warning box that took the keyboard, or the launcher behind the screen after
// Alt+Tab, passes the hand-timing keys on to the screen; a modal dialog keeps them.
TEST_F(KeysFixture, KeysPressedInAnotherWindowOfTheStationReachTheScreen) {
    auto screen = Show();
    QWidget launcher;
    launcher.show();
    QMessageBox warning(QMessageBox::Warning, QStringLiteral("RUVOTimer"), QStringLiteral("!"),
                        QMessageBox::Ok, screen.get());
    warning.setModal(false);
    warning.show();
    QTest::keyClick(warning.windowHandle(), Qt::Key_4, Qt::ShiftModifier);
    EXPECT_TRUE(station.slot(4).stopwatch_running);
    EXPECT_TRUE(warning.isVisible());  // still there for the operator to read
    clock.AdvanceCentiseconds(2222);
    QTest::keyClick(launcher.windowHandle(), Qt::Key_4);
    EXPECT_EQ(recorded, (std::vector<std::pair<int, qint32>>{{4, 2222}}));
    // Other keys stay where they were pressed.
    QTest::keyClick(warning.windowHandle(), Qt::Key_Escape);
    EXPECT_FALSE(warning.isVisible());
}
