#include <gtest/gtest.h>

#include "KartSlot.h"
#include "Text.h"

TEST(CutToCharacters, CountsCharactersNotUnits) {
    EXPECT_EQ(CutToCharacters(QStringLiteral("abcdef"), 3), "abc");
    EXPECT_EQ(CutToCharacters(QStringLiteral("ab"), 3), "ab");
    EXPECT_EQ(CutToCharacters(QStringLiteral("abc"), 0), "");
    // A character outside the BMP is one character, never split in half.
    const QString emoji = QString::fromUtf8(
        "a\xF0\x9F\x8F\x81"
        "bcd");
    EXPECT_EQ(CutToCharacters(emoji, 2), QString::fromUtf8("a\xF0\x9F\x8F\x81"));
    EXPECT_EQ(CutToCharacters(emoji, 1), "a");
}

TEST(BoundedText, CutsOnStore) {
    KartSlot slot;
    slot.driver_name = QString(30, QLatin1Char('x'));
    EXPECT_EQ(slot.driver_name.str().size(), 20);
    slot.message_line1 = QString::fromUtf8("ŁÓDŹ-ŁÓDŹ-ŁÓDŹ-ŁÓDŹ-ŁÓDŹ-ŁÓDŹ");
    EXPECT_EQ(slot.message_line1.str(), QString::fromUtf8("ŁÓDŹ-ŁÓDŹ-ŁÓDŹ-ŁÓDŹ-ŁÓDŹ"));
}

TEST(BoundedText, RewriteInPlaceIsCutLikeAStore) {
    BoundedText<5> text = QStringLiteral("abc");
    text.Rewrite([](QString& s) { s.append(QStringLiteral("defgh")); });
    EXPECT_EQ(text.str(), "abcde");
    // Cut by characters: the pair of the fifth character stays whole.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    text.Rewrite([&emoji](QString& s) { s = QStringLiteral("abcd") + emoji + emoji; });
    EXPECT_EQ(text.str(), QStringLiteral("abcd") + emoji);
    text.Rewrite([](QString& s) { s.truncate(2); });
    EXPECT_EQ(text.str(), "ab");
}

TEST(Windows1250, PolishLettersRoundTrip) {
    const QString polish = QString::fromUtf8("Żółć gęślą jaźń ĄĆĘŁŃÓŚŹŻ");
    const QByteArray bytes = EncodeWindows1250(polish);
    EXPECT_EQ(bytes.size(), polish.size());
    EXPECT_EQ(static_cast<unsigned char>(bytes.at(0)), 0xAF);  // Ż
    EXPECT_EQ(DecodeWindows1250(bytes), polish);
}

TEST(Windows1250, UnknownCharactersBecomeQuestionMarks) {
    EXPECT_EQ(EncodeWindows1250(QString::fromUtf8("A\u4E2D\xF0\x9F\x8F\x81"
                                                  "B")),
              "A??B");
    EXPECT_EQ(EncodeWindows1250(QStringLiteral("plain ASCII")), "plain ASCII");
}

TEST(Windows1250, UndefinedBytesAreKept) {
    const QByteArray undefined("\x81\x83\x88\x90\x98", 5);
    const QString text = DecodeWindows1250(undefined);
    ASSERT_EQ(text.size(), 5);
    EXPECT_EQ(EncodeWindows1250(text), undefined);
}

TEST(DecodeFileText, Utf8OrWindows1250) {
    EXPECT_EQ(DecodeFileText(QByteArray("Pawe\xC5\x82")), QString::fromUtf8("Paweł"));
    EXPECT_EQ(DecodeFileText(QByteArray("Pawe\xB3")), QString::fromUtf8("Paweł"));
    EXPECT_EQ(DecodeFileText(QByteArray("\xEF\xBB\xBFok")), "ok");
    EXPECT_EQ(DecodeFileText(QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF\xEF\xBB\xBFok")), "ok");
}
