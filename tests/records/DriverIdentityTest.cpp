#include <gtest/gtest.h>

#include "DriverIdentity.h"
#include "RecordPeriod.h"
#include "RecordsMerges.h"
#include "TempFolder.h"

TEST(DriverIdentity, KeyIgnoresCaseAndBlanksButKeepsPolishLetters) {
    EXPECT_EQ(DriverKey(QStringLiteral("  Jan   KOWALSKI ")), QStringLiteral("jan kowalski"));
    EXPECT_EQ(DriverKey(QStringLiteral("ŁUKASZ Żak")), QStringLiteral("łukasz żak"));
    EXPECT_NE(DriverKey(QStringLiteral("Łukasz")), DriverKey(QStringLiteral("Lukasz")));
}

TEST(DriverIdentity, NearDuplicatesArePolishFoldingsAndSingleEdits) {
    const QStringList keys = {QStringLiteral("łukasz żak"),   QStringLiteral("lukasz zak"),
                              QStringLiteral("anna nowak"),   QStringLiteral("ana nowak"),
                              QStringLiteral("anna nowacka"), QStringLiteral("piotr"),
                              QStringLiteral("piort")};
    const std::vector<NearDuplicate> pairs = FindNearDuplicates(keys);
    QStringList found;
    for (const NearDuplicate& pair : pairs) {
        found << pair.key_a + QStringLiteral("|") + pair.key_b;
    }
    found.sort();
    // "piotr"/"piort" is two replacements apart; "nowacka" is three letters longer.
    EXPECT_EQ(found, (QStringList{QStringLiteral("ana nowak|anna nowak"),
                                  QStringLiteral("łukasz żak|lukasz zak")}));
    EXPECT_TRUE(NearlySameDriver(QStringLiteral("jan kowalski"), QStringLiteral("jan kowalsky")));
    EXPECT_FALSE(NearlySameDriver(QStringLiteral("jan"), QStringLiteral("jan")));
}

TEST(DriverIdentity, MergesResolveChainsAndSurviveTheirFile) {
    TempFolder folder;
    RecordsMerges merges;
    merges.Merge(QStringLiteral("b"), QStringLiteral("c"));
    merges.Merge(QStringLiteral("a"), QStringLiteral("b"));
    merges.Merge(QStringLiteral("c"), QStringLiteral("c"));  // into itself: nothing
    QString error;
    ASSERT_TRUE(merges.Save(RecordsMerges::PathIn(folder.path()), &error)) << error.toStdString();
    const RecordsMerges loaded = RecordsMerges::Load(RecordsMerges::PathIn(folder.path()));
    EXPECT_EQ(loaded.Resolve(QStringLiteral("a")), QStringLiteral("c"));
    EXPECT_EQ(loaded.Resolve(QStringLiteral("b")), QStringLiteral("c"));
    EXPECT_EQ(loaded.Resolve(QStringLiteral("c")), QStringLiteral("c"));
    EXPECT_EQ(loaded.Resolved().size(), 2);
}

TEST(DriverIdentity, PeriodsStartOnMondayAndTheFirstOfTheMonth) {
    const QDate wednesday(2026, 12, 9);
    EXPECT_EQ(RangeOf(RecordPeriod::kWeek, wednesday).first, QDate(2026, 12, 7));
    EXPECT_EQ(RangeOf(RecordPeriod::kWeek, wednesday).last, QDate(2026, 12, 13));
    EXPECT_EQ(RangeOf(RecordPeriod::kMonth, wednesday).last, QDate(2026, 12, 31));
    EXPECT_FALSE(RangeOf(RecordPeriod::kAll, wednesday).first.isValid());
    EXPECT_FALSE(ParseRecordPeriod(QStringLiteral("days")).has_value());
}
