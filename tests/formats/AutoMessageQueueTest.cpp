#include <gtest/gtest.h>

#include "AutoMessageQueue.h"
#include "FakeClock.h"
#include "Station.h"

TEST(AutoMessageQueue, OneAtATimeAndNeverOverAnOperatorsUnsentMessage) {
    FakeClock clock;
    Station station(clock, QStringLiteral("/tmp/"));
    station.slot(1).radio = true;
    station.slot(2).radio = false;  // hand-timed: no dashboard
    station.slot(3).radio = true;
    AutoMessage finish{true, QStringLiteral("FINISH"), QStringLiteral("POSITION %P"), 0x0000FF,
                       0xFFFFFF};
    AutoMessage best{true, QStringLiteral("BEST LAP"), QStringLiteral("%T"), 0, 0xFFFFFF};

    // The operator's message for kart 3 waits to be sent.
    KartSlot& three = station.slot(3);
    three.message_pending = true;
    three.message_line1 = QStringLiteral("BOX");
    three.message_immediate = 0;

    AutoMessageQueue queue;
    queue.Push(station, 1, best, 1, 6233);
    queue.Push(station, 1, finish, 2, 0);
    queue.Push(station, 2, finish, 1, 0);
    queue.Push(station, 3, finish, 3, 0);
    AutoMessage off = finish;
    off.on = false;
    queue.Push(station, 3, off, 3, 0);
    EXPECT_EQ(queue.waiting(2), 0u);
    EXPECT_EQ(queue.waiting(3), 1u);

    EXPECT_EQ(queue.Pump(station), 1);
    EXPECT_EQ(station.slot(1).message_line1, QStringLiteral("BEST LAP"));
    EXPECT_EQ(station.slot(1).message_line2, QStringLiteral("01:02:33"));
    EXPECT_EQ(station.slot(1).message_immediate, 1);
    EXPECT_EQ(three.message_line1, QStringLiteral("BOX"));
    EXPECT_EQ(three.message_immediate, 0);

    // Nothing sent yet: nothing moves.
    EXPECT_EQ(queue.Pump(station), 0);
    // The link sent both (it clears the flag and the lines).
    station.slot(1).message_pending = false;
    three.message_pending = false;
    EXPECT_EQ(queue.Pump(station), 2);
    EXPECT_EQ(station.slot(1).message_line2, QStringLiteral("POSITION 2"));
    EXPECT_EQ(three.message_line2, QStringLiteral("POSITION 3"));
    EXPECT_EQ(three.message_background, 0x0000FFu);
    EXPECT_EQ(queue.waiting(1), 0u);

    // A kart that hears nothing keeps only the latest few.
    for (int i = 1; i <= 6; ++i) {
        queue.Push(station, 1, finish, i, 0);
    }
    EXPECT_EQ(queue.waiting(1), AutoMessageQueue::kMaxWaiting);
    station.slot(1).message_pending = false;
    queue.Pump(station);
    EXPECT_EQ(station.slot(1).message_line2, QStringLiteral("POSITION 3"));
}
