#include <gtest/gtest.h>

#include <QFile>
#include <array>
#include <optional>

#include "IniFile.h"
#include "TempFolder.h"
#include "Text.h"

namespace {
const QString kSec = QStringLiteral("Parametry");
}

TEST(IniFileRead, SectionsAndKeysMatchRegardlessOfCase) {
    const IniFile ini = IniFile::FromText(QStringLiteral("[PARAMETRY]\r\nname1=Adam\r\n"));
    EXPECT_EQ(ini.ReadString(kSec, QStringLiteral("NAME1"), QStringLiteral("x")), "Adam");
    EXPECT_EQ(ini.ReadString(QStringLiteral("Other"), QStringLiteral("NAME1"), QStringLiteral("x")),
              "x");
}

TEST(IniFileRead, ValuesAreTrimmedAndUnquoted) {
    const IniFile ini = IniFile::FromText(QStringLiteral(
        "[Parametry]\n  A =  spaced value \t\nB=\"quoted \"\nC='single'\nD=\"mismatched'\nE=\"\n"));
    EXPECT_EQ(ini.ReadString(kSec, "A", ""), "spaced value");
    EXPECT_EQ(ini.ReadString(kSec, "B", ""), "quoted ");
    EXPECT_EQ(ini.ReadString(kSec, "C", ""), "single");
    EXPECT_EQ(ini.ReadString(kSec, "D", ""), "\"mismatched'");
    EXPECT_EQ(ini.ReadString(kSec, "E", ""), "\"");
}

TEST(IniFileRead, FirstLineOfKeyAndFirstSectionWin) {
    const IniFile ini = IniFile::FromText(
        QStringLiteral("[Parametry]\nSN1=1\nsn1=2\n[Other]\nX=1\n[parametry]\nSN1=3\nLATE=4\n"));
    EXPECT_EQ(ini.ReadInteger(kSec, "SN1", -1), 1);
    EXPECT_EQ(ini.ReadInteger(kSec, "LATE", -1), -1);
}

TEST(IniFileRead, DefaultDropsTrailingBlanks) {
    const IniFile ini;
    EXPECT_EQ(ini.ReadString(kSec, "NAZWA_1", " "), "");
    EXPECT_EQ(ini.ReadString(kSec, "X", "ab  "), "ab");
}

TEST(IniFileRead, IntegersAreSigned32BitOrTheDefault) {
    const IniFile ini = IniFile::FromText(QStringLiteral(
        "[Parametry]\na=12abc\nb=99999999999\nc=2147483647\nd=2147483648\ne=-2147483648\n"
        "f=0x1A\ng=$ff\nh=x10\ni=\nj=+5\nk=-\nl= 42 \nm=\"7\"\nn=0xFFFFFFFF\no=0012\np=-0\n"
        "q=\uFF11\uFF12\nr=1e3\n"));
    EXPECT_EQ(ini.ReadInteger(kSec, "a", -9), -9);
    EXPECT_EQ(ini.ReadInteger(kSec, "b", -9), -9);
    EXPECT_EQ(ini.ReadInteger(kSec, "c", -9), 2147483647);
    EXPECT_EQ(ini.ReadInteger(kSec, "d", -9), -9);  // 2^31 does not fit
    EXPECT_EQ(ini.ReadInteger(kSec, "e", -9), INT32_MIN);
    // Decimal only: hexadecimal forms are not numbers.
    EXPECT_EQ(ini.ReadInteger(kSec, "f", -9), -9);
    EXPECT_EQ(ini.ReadInteger(kSec, "g", -9), -9);
    EXPECT_EQ(ini.ReadInteger(kSec, "h", -9), -9);
    EXPECT_EQ(ini.ReadInteger(kSec, "i", -9), -9);
    EXPECT_EQ(ini.ReadInteger(kSec, "j", -9), 5);
    EXPECT_EQ(ini.ReadInteger(kSec, "k", -9), -9);
    EXPECT_EQ(ini.ReadInteger(kSec, "l", -9), 42);
    EXPECT_EQ(ini.ReadInteger(kSec, "m", -9), 7);
    EXPECT_EQ(ini.ReadInteger(kSec, "n", -9), -9);
    EXPECT_EQ(ini.ReadInteger(kSec, "o", -9), 12);
    EXPECT_EQ(ini.ReadInteger(kSec, "p", -9), 0);
    EXPECT_EQ(ini.ReadInteger(kSec, "q", -9), -9);  // full-width digits
    EXPECT_EQ(ini.ReadInteger(kSec, "r", -9), -9);
    EXPECT_EQ(ini.ReadInteger(kSec, "missing", -9), -9);
}

TEST(IniFileWrite, NewKeyGoesAfterLastEntryOfItsSectionAndKeepsOtherLines) {
    IniFile ini =
        IniFile::FromText(QStringLiteral("; comment\n[Parametry]\nRadio1=1\n\n[Other]\nKeep=me\n"));
    ini.WriteString(kSec, "SN1", "77");
    ini.WriteString("other", "keep", "changed");
    ini.WriteString("New", "K", "v");
    EXPECT_EQ(ini.ToText(),
              "; comment\r\n[Parametry]\r\nRadio1=1\r\nSN1=77\r\n\r\n[Other]\r\nKeep=changed\r\n"
              "[New]\r\nK=v\r\n");
}

TEST(IniFileWrite, ABatchWritesWhatWritingKeyByKeyWrites) {
    IniFile ini = IniFile::FromText(QStringLiteral("[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n"));
    ini.WriteStrings("A", {{"n1", "p"}, {"x", "9"}, {"N1", "q"}, {"n2", ""}, {" z", "3"}});
    ini.WriteStrings("c", {{"k", "1"}, {"l", "2"}});
    // New keys after the section's last entry, in order; a key written twice keeps
    // its first spelling; the blank line stays between the sections.
    EXPECT_EQ(ini.ToText(),
              "[a]\r\nx=9\r\nn1=q\r\nn2=\r\n z=3\r\n\r\n[b]\r\ny=2\r\n[c]\r\nk=1\r\nl=2\r\n");
    EXPECT_EQ(ini.Value("a", "z"), "3");
    EXPECT_EQ(ini.Value("b", "y"), "2");
    EXPECT_EQ(ini.Value("C", "L"), "2");
}

TEST(IniFileWrite, ALineBreakInAValueIsABlankAndLeavesEveryOtherKeyWhereItWas) {
    const QString pasted = QStringLiteral("Ann\n[Other]\r\nX");
    IniFile one = IniFile::FromText(QStringLiteral("[Parametry]\r\nNAME1=a\r\nSN2=7\r\n"));
    one.WriteString("Parametry", "NAME1", pasted);
    one.WriteString("Parametry", "NAME3", pasted);
    IniFile batch = IniFile::FromText(QStringLiteral("[Parametry]\r\nNAME1=a\r\nSN2=7\r\n"));
    batch.WriteStrings("Parametry", {{"NAME1", pasted}, {"NAME3", "b"}, {"NAME3", pasted}});
    for (const IniFile& ini : {one, batch}) {
        EXPECT_EQ(ini.ToText(),
                  "[Parametry]\r\nNAME1=Ann [Other]  X\r\nSN2=7\r\nNAME3=Ann [Other]  X\r\n");
        const IniFile reread = IniFile::FromText(ini.ToText());
        EXPECT_EQ(reread.ReadInteger("Parametry", "SN2", 0), 7);
        EXPECT_EQ(reread.Value("Parametry", "NAME3"), "Ann [Other]  X");
        EXPECT_FALSE(reread.Value("Other", "X"));
    }
}

TEST(IniFileWrite, AKeyWithBlanksAroundItIsFoundAsTheWrittenFileReadsIt) {
    // Found by the ini_file fuzzer: the index kept after a write at the end of the
    // file held the key as given, while the file reads it trimmed.
    IniFile ini = IniFile::FromText(QStringLiteral("[s]\r\na=1\r\n"));
    ini.WriteString("s", "\tk ", "v");
    const IniFile reread = IniFile::FromText(ini.ToText());
    EXPECT_EQ(ini.ToText(), "[s]\r\na=1\r\n\tk =v\r\n");
    EXPECT_EQ(ini.Value("s", "k"), "v");
    EXPECT_EQ(reread.Value("s", "k"), "v");
    EXPECT_EQ(ini.Value("s", "\tk "), std::nullopt);
    EXPECT_EQ(reread.Value("s", "\tk "), std::nullopt);
}

TEST(IniFileWrite, RewritesOnlyTheFirstLineOfAKey) {
    IniFile ini = IniFile::FromText(QStringLiteral("[Parametry]\r\n sn1 = 1\r\nSN1=2\r\n"));
    ini.WriteInteger(kSec, "SN1", 5);
    EXPECT_EQ(ini.ToText(), "[Parametry]\r\nsn1=5\r\nSN1=2\r\n");
    EXPECT_EQ(ini.ReadInteger(kSec, "SN1", 0), 5);
}

TEST(IniFileFile, MissingFileIsEmptyAndSaveWritesUtf8WithCrLf) {
    TempFolder folder;
    IniFile ini = IniFile::Load(folder.file("none.ini"));
    EXPECT_EQ(ini.ToText(), "");
    ini.WriteString(kSec, "NAME1", QString::fromUtf8("Paweł"));
    QString error;
    ASSERT_TRUE(ini.Save(folder.file("out.ini"), &error)) << error.toStdString();
    EXPECT_EQ(folder.Read("out.ini"), QByteArray("[Parametry]\r\nNAME1=Pawe\xC5\x82\r\n"));
}

TEST(IniFileFile, Windows1250FilesReadAsPolish) {
    TempFolder folder;
    folder.Write("old.ini", QByteArray("[Parametry]\r\nNAME1=\xA3ukasz \xAF\xF3\xB3w\r\n"));
    EXPECT_EQ(IniFile::Load(folder.file("old.ini")).ReadString(kSec, "NAME1", ""),
              QString::fromUtf8("Łukasz Żółw"));
}

TEST(IniFileFile, FailedSaveNamesTheFileAndKeepsTheOldOne) {
    TempFolder folder;
    folder.Write("keep.ini", "[Parametry]\r\nA=1\r\n");
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner);
    IniFile ini = IniFile::FromText("[Parametry]\nA=2\n");
    QString error;
    const bool saved = ini.Save(folder.file("keep.ini"), &error);
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (saved) {
        GTEST_SKIP() << "running with rights that ignore folder permissions";
    }
    EXPECT_TRUE(error.contains("keep.ini")) << error.toStdString();
    EXPECT_EQ(folder.Read("keep.ini"), QByteArray("[Parametry]\r\nA=1\r\n"));
}

TEST(IniFileFile, GarbageAndHugeFilesDoNotBreakReading) {
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i) {
        garbage.append(char((i * 7919) & 0xFF));
    }
    garbage.append("\n[Parametry]\nSN1=5\n");
    EXPECT_EQ(IniFile::FromText(DecodeFileText(garbage)).ReadInteger(kSec, "SN1", 0), 5);

    QString huge = QStringLiteral("[Parametry]\n");
    huge += QString(10 * 1024 * 1024, QLatin1Char('x'));
    huge += QStringLiteral("\nSN2=9\n");
    EXPECT_EQ(IniFile::FromText(huge).ReadInteger(kSec, "SN2", 0), 9);
}

TEST(IniFileFile, SaveUnderAFileInsteadOfAFolderFailsWithTheName) {
    TempFolder folder;
    folder.Write("blocker", "not a folder");
    QString error;
    EXPECT_FALSE(IniFile::FromText("[a]\nb=c\n").Save(folder.file("blocker/x.ini"), &error));
    EXPECT_TRUE(error.contains("x.ini")) << error.toStdString();
}

TEST(IniFileWrite, IndexKeptAcrossWritesAgreesWithAFreshRead) {
    // Writes in every place a key can go: replaced, appended at the end of the file,
    // inserted mid-file, in a new section, spelt in other case.
    IniFile ini =
        IniFile::FromText(QStringLiteral("[First]\nA=1\n\n[Second]\nB=2\n[first]\nLATE=9\n"));
    const QStringList sections = {"First", "SECOND", "third"};
    const QStringList keys = {"a", "B", "c", "Late", "key5"};
    quint32 state = 12345;
    for (int step = 0; step < 300; ++step) {
        state = state * 1103515245u + 12345u;
        const QString& section = sections[int((state >> 8) % 3)];
        QString key = keys[int((state >> 12) % 5)];
        if ((state >> 20) & 1) {
            key = key.toUpper();
        }
        ini.WriteString(section, key, QString::number(step));
        const IniFile fresh = IniFile::FromText(ini.ToText());
        for (const QString& s : sections) {
            for (const QString& k : keys) {
                ASSERT_EQ(ini.Value(s, k), fresh.Value(s, k))
                    << "step " << step << " " << s.toStdString() << "/" << k.toStdString();
            }
        }
    }
    // The second [first] is never read nor written.
    EXPECT_TRUE(ini.ToText().contains("[first]\r\nLATE=9\r\n")) << ini.ToText().toStdString();
}

TEST(IniFileWrite, ThousandsOfNewKeysStayFast) {
    // A list of 10,000 messages writes 40,000 new keys into one section; each write
    // must not rescan the file.
    IniFile ini;
    for (int n = 1; n <= 40000; ++n) {
        ini.WriteInteger("Parametry", QStringLiteral("k%1").arg(n), n);
    }
    EXPECT_EQ(ini.ReadInteger("parametry", "K40000", 0), 40000);
    EXPECT_EQ(ini.ReadInteger("parametry", "k1", 0), 1);
    EXPECT_TRUE(ini.ToText().startsWith("[Parametry]\r\nk1=1\r\nk2=2\r\n"));
}

TEST(IniFileRead, AnEmptySectionNameIsFoundOnTheFirstLookup) {
    // Found by fuzzing: the section cache took "" to mean "nothing cached yet".
    const IniFile ini = IniFile::FromText(QStringLiteral("[ ]\nA=1\n[Other]\nA=2\n"));
    EXPECT_EQ(ini.ReadInteger("", "A", 0), 1);
    EXPECT_EQ(ini.ReadInteger("Other", "A", 0), 2);
    EXPECT_EQ(ini.ReadInteger("", "A", 0), 1);
}

TEST(IniFileRead, CrLfALoneCrAndALoneLfEachEndALine) {
    const IniFile ini =
        IniFile::FromText(QStringLiteral("[s]\na=1\rb=2\r\r\nc=3\r\n\r\nd=4\n\ne=5\r"));
    EXPECT_EQ(ini.ToText(), "[s]\r\na=1\r\nb=2\r\n\r\nc=3\r\n\r\nd=4\r\n\r\ne=5\r\n");
    EXPECT_EQ(ini.ReadString("s", "b", ""), "2");
    EXPECT_EQ(ini.ReadString("s", "e", ""), "5");
    // Only the last line end starts no further line.
    EXPECT_EQ(IniFile::FromText(QStringLiteral("\n\n")).ToText(), "\r\n\r\n");
    EXPECT_EQ(IniFile::FromText(QStringLiteral("\r")).ToText(), "\r\n");
    EXPECT_EQ(IniFile::FromText(QStringLiteral("x")).ToText(), "x\r\n");
    EXPECT_EQ(IniFile::FromText(QString()).ToText(), "");
}

TEST(IniFileRead, AFileOutlivesTheTextItWasReadFromAndItsOriginal) {
    // Lines and batch-written lines view shared text: copies must keep it alive, and
    // reading a view of someone else's buffer must not rely on it.
    std::optional<IniFile> copy;
    {
        QString text = QStringLiteral("[s]\r\nold=1\r\n");
        text += QStringLiteral("k=") + QString::number(42);
        IniFile original = IniFile::FromText(text);
        std::array<QChar, 8> raw = {u'[', u't', u']', u'\n', u'r', u'=', u'7', u'\n'};
        const IniFile from_raw =
            IniFile::FromText(QString::fromRawData(raw.data(), qsizetype(raw.size())));
        raw.fill(u'x');
        EXPECT_EQ(from_raw.ReadInteger("t", "r", 0), 7);
        QString value = QStringLiteral("v");
        original.WriteStrings("s", QList<IniFile::Entry>{{"n1", value}, {"n2", "w"}});
        value = QStringLiteral("changed");
        text.fill(u'x');
        copy = original;
    }
    EXPECT_EQ(copy->ReadInteger("s", "k", 0), 42);
    EXPECT_EQ(copy->ReadString("s", "n1", ""), "v");
    EXPECT_EQ(copy->ToText(), "[s]\r\nold=1\r\nk=42\r\nn1=v\r\nn2=w\r\n");
}

// A tool that adds a byte order mark to a file that already has one leaves marks in
// front of the first section. Saving must not turn such a file into one that reads
// differently: the written file once lost a mark, and its first section appeared.
TEST(IniFileFile, RepeatedByteOrderMarksReadAndSaveAsTheSameFile) {
    const QByteArray marked(
        "\xEF\xBB\xBF\xEF\xBB\xBF\xEF\xBB\xBF[Parametry]\r\nmCount=2\r\nm2L1=HELLO\r\n");
    for (int marks = 1; marks <= 3; ++marks) {
        const QByteArray bytes = marked.mid(3 * (3 - marks));
        const IniFile read = IniFile::FromBytes(bytes);
        EXPECT_EQ(read.ReadInteger(QStringLiteral("Parametry"), QStringLiteral("mCount"), -1), 2)
            << marks << " marks";
        const IniFile again = IniFile::FromBytes(read.ToBytes());
        EXPECT_EQ(again.ReadString(QStringLiteral("Parametry"), QStringLiteral("m2L1"), QString()),
                  QStringLiteral("HELLO"))
            << marks << " marks";
        EXPECT_EQ(again.ToBytes(), read.ToBytes()) << marks << " marks";
    }
}
