#include <gtest/gtest.h>

#include "Memdane.h"

namespace {

MemdaneRow Row(qint64 sn, qint32 running_time) {
    MemdaneRow row;
    row.sn = sn;
    row.aktualny_czas_okr = running_time;
    row.kierowca = QStringLiteral("D%1").arg(sn);
    return row;
}

}  // namespace

// The table lists units in the order they were last heard: a unit heard again
// moves to the end with its new values, the others keep their order.
TEST(Memdane, ReplaceMovesTheUnitHeardLastToTheEnd) {
    Memdane memdane;
    memdane.Replace(Row(1, 10));
    memdane.Replace(Row(2, 20));
    memdane.Replace(Row(3, 30));
    memdane.Replace(Row(1, 11));
    ASSERT_EQ(memdane.rows().size(), 3u);
    EXPECT_EQ(memdane.rows()[0].sn, 2);
    EXPECT_EQ(memdane.rows()[1].sn, 3);
    EXPECT_EQ(memdane.rows()[2].sn, 1);
    EXPECT_EQ(memdane.rows()[2].aktualny_czas_okr, 11);
    EXPECT_EQ(QString(memdane.rows()[2].kierowca), QStringLiteral("D1"));
    EXPECT_EQ(memdane.rows()[0].aktualny_czas_okr, 20);

    memdane.Replace(Row(3, 31));  // the middle one
    EXPECT_EQ(memdane.rows()[0].sn, 2);
    EXPECT_EQ(memdane.rows()[1].sn, 1);
    EXPECT_EQ(memdane.rows()[2].sn, 3);
    EXPECT_EQ(memdane.rows()[2].aktualny_czas_okr, 31);

    memdane.Replace(Row(3, 32));  // already the last
    ASSERT_EQ(memdane.rows().size(), 3u);
    EXPECT_EQ(memdane.rows()[2].aktualny_czas_okr, 32);
    EXPECT_EQ(memdane.rows()[1].sn, 1);
}

// In-place updates keep the order rule of Replace; a new unit starts from a default
// row carrying only its serial number.
TEST(Memdane, MoveToEndReturnsTheUnitsRowLast) {
    Memdane memdane;
    memdane.Replace(Row(1, 10));
    memdane.Replace(Row(2, 20));
    bool created = true;
    MemdaneRow& first = memdane.MoveToEnd(1, created);
    EXPECT_FALSE(created);
    EXPECT_EQ(first.aktualny_czas_okr, 10);  // the old values, to update
    first.aktualny_czas_okr = 12;
    ASSERT_EQ(memdane.rows().size(), 2u);
    EXPECT_EQ(memdane.rows()[0].sn, 2);
    EXPECT_EQ(memdane.rows()[1].aktualny_czas_okr, 12);
    EXPECT_EQ(QString(memdane.rows()[1].kierowca), QStringLiteral("D1"));

    MemdaneRow& fresh = memdane.MoveToEnd(7, created);
    EXPECT_TRUE(created);
    EXPECT_EQ(fresh.sn, 7);
    EXPECT_EQ(fresh.aktualny_czas_okr, 0);
    EXPECT_TRUE(fresh.kierowca.isEmpty());
    ASSERT_EQ(memdane.rows().size(), 3u);
    EXPECT_EQ(memdane.rows()[1].sn, 1);
    EXPECT_EQ(memdane.rows()[2].sn, 7);
}
