#include <gtest/gtest.h>

#include <QDir>

#include "FakeClock.h"
#include "IntEdit.h"
#include "MessageStore.h"
#include "TempFolder.h"

namespace {

struct Fixture {
    TempFolder folder;
    FakeClock clock;
    Station station{clock, folder.path()};
};

}  // namespace

TEST(MessageStore, FreshFileListsEachMessagesKeysInOrderThenTheCount) {
    Fixture f;
    const std::vector<StoredMessage> rows = {
        {"PIT", "NOW", 0x0000FF, 0xFFFFFF, 1},
        {"", "LAST LAP", 0xFFFFFF, 0x000000, 1},
    };
    QString error;
    ASSERT_TRUE(SaveMessages(f.station, rows, &error)) << error.toStdString();
    EXPECT_EQ(f.folder.Read("messages.ini"),
              "[Parametry]\r\n"
              "m1L1=PIT\r\nm1L2=NOW\r\nm1ColorB=255\r\nm1ColorF=16777215\r\n"
              "m2L1=\r\nm2L2=LAST LAP\r\nm2ColorB=16777215\r\nm2ColorF=0\r\n"
              "mCount=2\r\n");

    const std::vector<StoredMessage> loaded = LoadMessages(f.station);
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0].linia1.str(), "PIT");
    EXPECT_EQ(loaded[0].kolortla, 0x0000FFu);
    EXPECT_EQ(loaded[0].kolorfont, 0xFFFFFFu);
    EXPECT_EQ(loaded[1].linia1.str(), "");
    EXPECT_EQ(loaded[1].linia2.str(), "LAST LAP");
    EXPECT_EQ(loaded[0].nr, 1);
    EXPECT_EQ(loaded[1].nr, 2);
}

TEST(MessageStore, APastedLineBreakInALineLosesNoMessage) {
    Fixture f;
    const std::vector<StoredMessage> rows = {
        {"HELLO", "A\nMCOUNT=0", 0, 0xFFFFFF, 1},
        {"PIT", "NOW", 0, 0xFFFFFF, 2},
    };
    QString error;
    ASSERT_TRUE(SaveMessages(f.station, rows, &error)) << error.toStdString();
    const std::vector<StoredMessage> loaded = LoadMessages(f.station);
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0].linia2.str(), "A MCOUNT=0");
    EXPECT_EQ(loaded[1].linia1.str(), "PIT");
}

TEST(MessageStore, ShorterListKeepsStaleKeysAndOtherLines) {
    Fixture f;
    f.folder.Write("messages.ini",
                   "; kept\r\n[Parametry]\r\nmCount=3\r\n"
                   "m1L1=A\r\nm2L1=B\r\nm3L1=C\r\nm3ColorB=42\r\n[Other]\r\nx=1\r\n");
    std::vector<StoredMessage> rows = LoadMessages(f.station);
    ASSERT_EQ(rows.size(), 3u);
    rows.pop_back();
    QString error;
    ASSERT_TRUE(SaveMessages(f.station, rows, &error));

    const QString text = QString::fromUtf8(f.folder.Read("messages.ini"));
    EXPECT_TRUE(text.startsWith("; kept\r\n[Parametry]\r\nmCount=2\r\n"));
    EXPECT_TRUE(text.contains("m3L1=C\r\nm3ColorB=42\r\n"));
    EXPECT_TRUE(text.endsWith("[Other]\r\nx=1\r\n"));
    const std::vector<StoredMessage> again = LoadMessages(f.station);
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[1].linia1.str(), "B");
}

TEST(MessageStore, ThousandsOfMessagesGoBeforeALaterSection) {
    // Found by the messages fuzzer: with a section after Parametry, each new key
    // moved every later line, so saving 10,000 messages did not finish.
    Fixture f;
    f.folder.Write("messages.ini", "[Parametry]\r\nmCount=1\r\nm1L1=A\r\n[Other]\r\nx=1\r\n");
    std::vector<StoredMessage> rows(3000, StoredMessage{"L", "", 1, 2, 1});
    QString error;
    ASSERT_TRUE(SaveMessages(f.station, rows, &error)) << error.toStdString();
    const QList<QByteArray> lines = f.folder.Read("messages.ini").split('\n');
    ASSERT_EQ(lines.size(), 1 + 4 * 3000 + 1 + 2 + 1);
    EXPECT_EQ(lines[1], "mCount=3000\r");  // in place
    EXPECT_EQ(lines[2], "m1L1=L\r");
    EXPECT_EQ(lines[3], "m1L2=\r");
    EXPECT_EQ(lines[4 * 3000 + 1], "m3000ColorF=2\r");
    EXPECT_EQ(lines[4 * 3000 + 2], "[Other]\r");
    EXPECT_EQ(lines[4 * 3000 + 3], "x=1\r");
    EXPECT_EQ(LoadMessages(f.station).size(), 3000u);
}

TEST(MessageStore, TheFirstLineOfAKeyCountsAndAMalformedColourTakesItsDefault) {
    Fixture f;
    f.folder.Write(
        "messages.ini",
        "[Parametry]\r\nmCount=2\r\nm1ColorB=12\r\nM1COLORB=99\r\nm1ColorF=zz\r\n"
        "m2l1 = 'quoted' \r\nm2L1=second\r\nm2ColorB=0x10\r\n[Parametry]\r\nm2L2=no\r\n");
    const std::vector<StoredMessage> rows = LoadMessages(f.station);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].kolortla, 12u);
    EXPECT_EQ(rows[0].kolorfont, 0u);  // black
    EXPECT_EQ(rows[0].linia1.str(), "");
    EXPECT_EQ(rows[1].linia1.str(), "quoted");
    EXPECT_EQ(rows[1].linia2.str(), "");     // only the first section of a name is read
    EXPECT_EQ(rows[1].kolortla, 0xFFFFFFu);  // "0x10" is no decimal number: white
    EXPECT_EQ(rows[1].kolorfont, 0u);
}

TEST(MessageStore, MissingKeysTakeDefaultsAndLongLinesAreCut) {
    Fixture f;
    f.folder.Write("messages.ini",
                   "[parametry]\r\nMCOUNT=2\r\nm1L1=ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\nm2ColorF=-1\r\n");
    const std::vector<StoredMessage> rows = LoadMessages(f.station);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].linia1.str(), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(rows[0].linia2.str(), "");
    EXPECT_EQ(rows[0].kolortla, 0xFFFFFFu);  // black text on white when missing
    EXPECT_EQ(rows[0].kolorfont, 0u);
    EXPECT_EQ(rows[1].kolorfont, 0xFFFFFFFFu);

    // A signed colour read back is written back the same way.
    QString error;
    ASSERT_TRUE(SaveMessages(f.station, rows, &error));
    EXPECT_TRUE(f.folder.Read("messages.ini").contains("m2ColorF=-1\r\n"));
}

TEST(MessageStore, CountIsTrustedOnlyAsFarAsTheFileBacksIt) {
    Fixture f;
    EXPECT_TRUE(LoadMessages(f.station).empty());  // no file at all

    f.folder.Write("messages.ini", "[Parametry]\r\nmCount=-5\r\nm1L1=A\r\n");
    EXPECT_TRUE(LoadMessages(f.station).empty());

    f.folder.Write("messages.ini", "[Parametry]\r\nmCount=2000000000\r\nm1L1=A\r\nm3L2=C\r\n");
    const std::vector<StoredMessage> rows = LoadMessages(f.station);
    ASSERT_EQ(rows.size(), 3u);  // message 2 has no keys but lies below message 3
    EXPECT_EQ(rows[1].linia1.str(), "");
    EXPECT_EQ(rows[2].linia2.str(), "C");

    f.folder.Write("messages.ini", "[Parametry]\r\nmCount=1\r\nm1L1=A\r\nm2L1=B\r\n");
    EXPECT_EQ(LoadMessages(f.station).size(), 1u);  // reading stops at mCount

    // Only the keys a message is read from count, in any letter case.
    f.folder.Write("messages.ini",
                   "[Parametry]\r\nmCount=10\r\nm1L1=A\r\nM3l2=C\r\nm4colorf=5\r\n"
                   "m05L1=x\r\nm+6L1=x\r\nm7L1 x=y\r\nm8L3=z\r\n[Other]\r\nm9L1=w\r\n");
    const std::vector<StoredMessage> four = LoadMessages(f.station);
    ASSERT_EQ(four.size(), 4u);
    EXPECT_EQ(four[2].linia2.str(), "C");
    EXPECT_EQ(four[3].kolorfont, 5u);
}

TEST(MessageStore, TheCountIsItsFirstLineWhereverItStands) {
    Fixture f;
    // After the messages, twice in two spellings: the first line counts.
    f.folder.Write("messages.ini",
                   "[Parametry]\r\nm1L1=A\r\nm2L1=B\r\nm3L1=C\r\nMCOUNT=2\r\nmCount=3\r\n");
    EXPECT_EQ(LoadMessages(f.station).size(), 2u);

    f.folder.Write("messages.ini", "[Parametry]\r\nm1L1=A\r\nmCount=2y\r\nmCount=1\r\n");
    EXPECT_TRUE(LoadMessages(f.station).empty());  // a malformed count is 0

    f.folder.Write("messages.ini", "[Parametry]\r\nm1L1=A\r\n[Other]\r\nmCount=1\r\n");
    EXPECT_TRUE(LoadMessages(f.station).empty());  // a count in another section is none
}

TEST(MessageStore, FailedWriteNamesTheFileAndKeepsTheOldOne) {
    Fixture f;
    ASSERT_TRUE(QDir().mkpath(f.folder.file("messages.ini")));  // a folder in the file's place
    QString error;
    EXPECT_FALSE(SaveMessages(f.station, {{"A", "B", 0, 0, 1}}, &error));
    EXPECT_TRUE(error.contains("messages.ini")) << error.toStdString();
}

TEST(MessageStore, BlankLinesAreSpacesAndControlsOnly) {
    EXPECT_TRUE(IsBlankLine(""));
    EXPECT_TRUE(IsBlankLine(" \t  \x01"));
    EXPECT_FALSE(IsBlankLine("  .  "));
}

TEST(IntEdit, ReadsZeroForAnythingButAWholeNumber) {
    IntEdit edit;
    const std::pair<const char*, qint32> cases[] = {
        {"", 0},
        {"-", 0},
        {"+", 0},
        {"++5", 0},
        {"5-", 0},
        {"+17", 17},
        {"-2147483648", INT32_MIN},
        {"2147483647", INT32_MAX},
        {"2147483648", 0},
        {"12345678901234567890", 0},
    };
    for (const auto& [text, expected] : cases) {
        edit.setText(QString::fromUtf8(text));
        EXPECT_EQ(edit.value(), expected) << text;
    }
}

TEST(IntEdit, RejectsLettersAndSignalsEveryEdit) {
    IntEdit edit;
    int changes = 0;
    QObject::connect(&edit, &IntEdit::changed, [&] { ++changes; });
    edit.setFocus();
    edit.insert("1a2");  // not a valid entry as a whole: refused
    EXPECT_EQ(edit.text(), "");
    edit.insert("1");
    edit.insert("2");
    edit.backspace();
    EXPECT_EQ(edit.text(), "1");
    EXPECT_EQ(changes, 3);
}
