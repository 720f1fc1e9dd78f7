#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QWindow>

#include "ColumnFlash.h"
#include "FakeClock.h"
#include "Tfekranglowny.h"

// Renders a running session for the docs: RUVO_SCREENSHOT_DIR=<folder> runs it.
TEST(SessionScreenshot, RunningSession) {
    const QString folder = qEnvironmentVariable("RUVO_SCREENSHOT_DIR");
    if (folder.isEmpty()) {
        GTEST_SKIP() << "RUVO_SCREENSHOT_DIR not set";
    }
    FakeClock clock;
    Station station(clock, QStringLiteral("/nonexistent/"));
    const char* names[] = {"Kowalski", "Nowak", "Wiśniewska", "Lewandowski", "Zielińska"};
    for (int s = 1; s <= kSlotCount; ++s) {
        station.slot(s).driver_name = QString::fromUtf8(names[s - 1]);
        station.slot(s).radio = s != 2 && s != 5;
    }
    station.sessions.count = 2;
    auto screen = ShowSessionScreen(station, {});
    screen->showNormal();
    screen->resize(Tfekranglowny::kDesignWidth, Tfekranglowny::kDesignHeight);

    const qint32 laps[3][6] = {{4512, 4398, 4471, 4420, 4389, 4455},
                               {5120, 5033, 5210, 0, 0, 0},
                               {4701, 4660, 4688, 4702, 0, 0}};
    const int radio_slots[3] = {1, 3, 4};
    for (int k = 0; k < 3; ++k) {
        KartSlot& kart = station.slot(radio_slots[k]);
        for (int j = 0; j < 6 && laps[k][j] != 0; ++j) {
            kart.current_lap_number = j + 1;
            screen->RecordLap(laps[k][j], radio_slots[k], 11800 + 37 * j, 5200 - 11 * j);
        }
        kart.current_lap_number += 1;
        kart.current_rpm = 10450 + 700 * k;
        kart.temperature1 = 92.4 - k;
        kart.temperature2 = 61.0 + k;
        kart.temperature3 = 24.5;
        kart.lap_rpm_max = 12040;
        kart.lap_rpm_min = 5180;
        kart.packet_counter = 10 + k;
        station.current_lap_time(radio_slots[k]) = 2315 + 411 * k;
    }
    // Slot 2 hand-timed with two laps and the stopwatch running.
    QTest::mouseClick(screen->findChild<QWidget*>("Image3"), Qt::LeftButton);
    clock.AdvanceCentiseconds(5312);
    QTest::mouseClick(screen->findChild<QWidget*>("ImageButton2"), Qt::LeftButton);
    clock.AdvanceCentiseconds(5250);
    QTest::mouseClick(screen->findChild<QWidget*>("ImageButton2"), Qt::LeftButton);
    clock.AdvanceCentiseconds(1804);
    QTest::mouseClick(screen->findChild<QWidget*>("ImageButton6"), Qt::LeftButton);  // sensors
    screen->RefreshKarts();
    screen->Timer1Timer();
    station.current_lap_time(4) += 0;  // slot 4's time stands still: red after a second
    clock.AdvanceCentiseconds(150);
    station.current_lap_time(3) += 150;
    screen->RefreshKarts();
    screen->Timer1Timer();
    station.slot(1).packet_counter += 1;
    station.slot(3).packet_counter += 1;
    screen->Timer1Timer();
    QCoreApplication::processEvents();

    const QPixmap shot = screen->grab();
    EXPECT_EQ(shot.size(), QSize(1326, 719));
    EXPECT_TRUE(shot.save(folder + QStringLiteral("/session.png")));
}

// The signs of the hand-timing keys: an accepted lap key on kart 2, and a lap key
// refused on kart 5 (under 5.00 s), each grabbed while it shows.
TEST(SessionScreenshot, HandTimingKeySigns) {
    const QString folder = qEnvironmentVariable("RUVO_SCREENSHOT_DIR");
    if (folder.isEmpty()) {
        GTEST_SKIP() << "RUVO_SCREENSHOT_DIR not set";
    }
    FakeClock clock;
    Station station(clock, QStringLiteral("/nonexistent/"));
    const char* names[] = {"Kowalski", "Nowak", "Wiśniewska", "Lewandowski", "Zielińska"};
    for (int s = 1; s <= kSlotCount; ++s) {
        station.slot(s).driver_name = QString::fromUtf8(names[s - 1]);
        station.slot(s).radio = s != 2 && s != 5;
    }
    station.sessions.count = 2;
    auto screen = ShowSessionScreen(station, {});
    screen->showNormal();
    screen->resize(Tfekranglowny::kDesignWidth, Tfekranglowny::kDesignHeight);
    QWindow* window = screen->windowHandle();
    // One sign per picture: waits until the sign of a slot has gone.
    const auto wait_for_no_sign = [&screen](int slot) {
        for (int i = 0; i < 100 && screen->key_flash(slot)->isVisible(); ++i) {
            QTest::qWait(20);
        }
        EXPECT_FALSE(screen->key_flash(slot)->isVisible());
    };

    QTest::keyClick(window, Qt::Key_2, Qt::ShiftModifier);
    QTest::keyClick(window, Qt::Key_5, Qt::ShiftModifier);
    clock.AdvanceCentiseconds(5312);
    QTest::keyClick(window, Qt::Key_2);
    clock.AdvanceCentiseconds(5071);
    QTest::keyClick(window, Qt::Key_5);
    wait_for_no_sign(5);
    clock.AdvanceCentiseconds(210);
    screen->RefreshKarts();
    QTest::keyClick(window, Qt::Key_2);
    screen->RefreshKarts();
    QCoreApplication::processEvents();
    const QPixmap accepted = screen->grab();
    EXPECT_TRUE(accepted.save(folder + QStringLiteral("/hand-timing-key-flash.png")));

    wait_for_no_sign(2);
    QTest::keyClick(window, Qt::Key_5);  // 2.10 s after its last lap: refused
    QCoreApplication::processEvents();
    const QPixmap refused = screen->grab();
    EXPECT_TRUE(refused.save(folder + QStringLiteral("/hand-timing-key-refused.png")));
}
