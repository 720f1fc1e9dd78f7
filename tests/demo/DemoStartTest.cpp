#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "DemoFolder.h"
#include "FakeClock.h"
#include "IniFile.h"
#include "MessageEcho.h"
#include "OutgoingFrames.h"
#include "RaceGenerator.h"
#include "TempFolder.h"

namespace {

const QString kSection = QStringLiteral("Parametry");

TEST(DemoFolder, MissingFolderIsCreatedWithTheDemoKarts) {
    TempFolder temp;
    const QString folder = temp.path() + "a/b/demo";
    const DemoFolderSetup setup = PrepareDemoFolder(folder);
    ASSERT_TRUE(setup.usable) << setup.report.toStdString();
    EXPECT_TRUE(setup.report.isEmpty());
    EXPECT_EQ(setup.folder, folder + "/");
    const IniFile ini = IniFile::Load(setup.folder + "ustawienia.ini");
    for (int n = 1; n <= 4; ++n) {
        const sim::DemoKart& kart = sim::DemoKarts()[size_t(n - 1)];
        const QString s = QString::number(n);
        EXPECT_EQ(ini.ReadInteger(kSection, "Radio" + s, 0), 1);
        EXPECT_EQ(ini.ReadInteger(kSection, "SN" + s, 0), qint32(kart.serial));
        EXPECT_EQ(ini.ReadString(kSection, "NAME" + s, ""), QString::fromUtf8(kart.driver_name));
    }
    EXPECT_EQ(ini.ReadInteger(kSection, "Radio5", -1), 0);
    EXPECT_FALSE(ini.ReadString(kSection, "NAME5", "").isEmpty());
}

TEST(DemoFolder, OperatorsSettingsAreKeptAndDamagedOnesReplaced) {
    TempFolder temp;
    PrepareDemoFolder(temp.path());
    const QByteArray complete = temp.Read("ustawienia.ini");
    // The operator renamed a driver through the kart settings: kept as it is.
    const QByteArray edited = QByteArray(complete).replace("Adam Nowak", "Jan Kos");
    temp.Write("ustawienia.ini", edited);
    DemoFolderSetup setup = PrepareDemoFolder(temp.path());
    EXPECT_TRUE(setup.usable);
    EXPECT_TRUE(setup.report.isEmpty());
    EXPECT_EQ(temp.Read("ustawienia.ini"), edited);

    const QByteArray damaged[] = {
        complete.left(complete.indexOf("NAME5")),  // cut off while written
        complete.left(complete.indexOf("NAME3") + 2),
        QByteArray("\x7f"
                   "ELF\0\0\1garbage",
                   12),
        QByteArray("Radio1=1\r\nSN1=1\r\nthis is not an ini file\r\n"),
        QByteArray(complete).replace("SN2=", "SN2=?"),
    };
    for (const QByteArray& bytes : damaged) {
        temp.Write("ustawienia.ini", bytes);
        setup = PrepareDemoFolder(temp.path());
        EXPECT_TRUE(setup.usable);
        EXPECT_TRUE(setup.report.contains("ustawienia.ini.damaged")) << setup.report.toStdString();
        EXPECT_EQ(temp.Read("ustawienia.ini.damaged"), bytes);
        EXPECT_TRUE(IsCompleteKartSettings(temp.Read("ustawienia.ini")));
        EXPECT_TRUE(temp.Read("ustawienia.ini").contains("Ewa Kowalska"));
    }
}

TEST(DemoFolder, FolderThatCannotBeMadeIsReported) {
    TempFolder temp;
    temp.Write("blocker", "a file where the demo folder should be");
    const DemoFolderSetup setup = PrepareDemoFolder(temp.path() + "blocker/demo");
    EXPECT_FALSE(setup.usable);
    EXPECT_TRUE(setup.report.contains("blocker/demo")) << setup.report.toStdString();
}

TEST(DemoFolder, HomeVariableOrAFolderApartFromTheRealProgram) {
    const QByteArray saved = qgetenv("RUVOTIMER_HOME");
    qputenv("RUVOTIMER_HOME", "/tmp/some-demo-home");
    EXPECT_EQ(DemoFolderPath(), "/tmp/some-demo-home/");
    qunsetenv("RUVOTIMER_HOME");
    EXPECT_TRUE(DemoFolderPath().endsWith("/RUVO/ruvotimer-demo/"))
        << DemoFolderPath().toStdString();
    if (!saved.isEmpty()) {
        qputenv("RUVOTIMER_HOME", saved);
    }
}

// The echo reads back what the program's own frame builder put out.
TEST(MessageEcho, ShowsNodeLinesColoursAndMode) {
    FakeClock clock;
    Station station(clock, "/nonexistent/");
    KartSlot& slot = station.slot(2);
    slot.node_address = 0x0102;
    slot.message_line1 = QStringLiteral("PIT IN");
    slot.message_line2 = QStringLiteral("LAST LAP NOW!");
    slot.message_background = 0x0000FF;   // red
    slot.message_font_colour = 0x80FFFF;  // 0x00BBGGRR: a pale yellow
    slot.message_immediate = 1;
    const Frame frame = BuildMessageFrame(station, 2);
    sim::Bytes64 bytes{};
    std::copy(frame.begin(), frame.end(), bytes.begin());
    const std::string text = DescribeMessageFrame(bytes);
    EXPECT_NE(text.find("node 0x0102"), std::string::npos) << text;
    EXPECT_NE(text.find("\"PIT IN      \" / \"LAST LAP NOW\""), std::string::npos) << text;
    EXPECT_NE(text.find("background 0xF800 (~0x0000FF)"), std::string::npos) << text;
    EXPECT_NE(text.find("text 0xFFEF (~0x7BFFFF)"), std::string::npos) << text;
    EXPECT_NE(text.find("at once"), std::string::npos) << text;
    bytes[6] = 0;
    EXPECT_NE(DescribeMessageFrame(bytes).find("after the lap"), std::string::npos);

    // Reconstruction stays within one RGB565 step of the colour sent.
    for (std::uint32_t colour : {0x000000u, 0xFFFFFFu, 0x123456u, 0x808080u, 0xFE01A0u}) {
        const std::uint32_t back = Rgb565ToColour(ColorToRgb565(colour));
        for (int shift : {0, 8, 16}) {
            const int sent = int(colour >> shift & 0xFF);
            const int got = int(back >> shift & 0xFF);
            EXPECT_LE(std::abs(sent - got), shift == 8 ? 4 : 8) << std::hex << colour;
        }
    }
}

}  // namespace
