#include <gtest/gtest.h>

#include <QKeyEvent>

#include "HandTimingKeys.h"
#include "IniFile.h"

namespace {

constexpr HandKeyAction kLap = HandKeyAction::kLap;
constexpr HandKeyAction kStartStop = HandKeyAction::kStartStop;

std::optional<HandKeyCommand> Lap(int slot) {
    return HandKeyCommand{kLap, slot};
}
std::optional<HandKeyCommand> StartStop(int slot) {
    return HandKeyCommand{kStartStop, slot};
}

KeyPress Press(int key, Qt::KeyboardModifiers modifiers = {}) {
    return KeyPress{key, modifiers};
}

// A key as a platform with native codes reports it.
KeyPress Native(NativeKeyCodes codes, quint32 code, int key, Qt::KeyboardModifiers modifiers = {}) {
    KeyPress press{key, modifiers};
    press.codes = codes;
    if (codes == NativeKeyCodes::kMac) {
        press.native_virtual_key = code;
    } else {
        press.native_scan_code = code;
    }
    return press;
}

HandTimingKeys FromSection(const char* entries) {
    return HandTimingKeys::FromIni(
        IniFile::FromText(QStringLiteral("[Parametry]\r\nRadio1=1\r\n[HandTimingKeys]\r\n") +
                          QString::fromUtf8(entries)));
}

}  // namespace

TEST(HandTimingKeys, DigitsOfTheMainKeyboardAndTheKeypad) {
    const HandTimingKeys keys;
    for (int slot = 1; slot <= 5; ++slot) {
        const int digit = Qt::Key_0 + slot;
        EXPECT_EQ(keys.Command(Press(digit)), Lap(slot)) << slot;
        EXPECT_EQ(keys.Command(Press(digit, Qt::KeypadModifier)), Lap(slot)) << slot;
        EXPECT_EQ(keys.Command(Press(digit, Qt::ShiftModifier)), StartStop(slot)) << slot;
        EXPECT_EQ(keys.Command(Press(digit, Qt::ShiftModifier | Qt::KeypadModifier)),
                  StartStop(slot))
            << slot;
    }
    // No kart behind these.
    for (int key : {Qt::Key_0, Qt::Key_6, Qt::Key_9, Qt::Key_A, Qt::Key_Space}) {
        EXPECT_EQ(keys.Command(Press(key)), std::nullopt) << key;
        EXPECT_EQ(keys.Command(Press(key, Qt::ShiftModifier)), std::nullopt) << key;
    }
    // Ctrl, Alt and Meta make a digit a shortcut, not a lap.
    EXPECT_EQ(keys.Command(Press(Qt::Key_1, Qt::ControlModifier)), std::nullopt);
    EXPECT_EQ(keys.Command(Press(Qt::Key_2, Qt::AltModifier)), std::nullopt);
    EXPECT_EQ(keys.Command(Press(Qt::Key_3, Qt::MetaModifier)), std::nullopt);
    EXPECT_EQ(keys.Command(Press(Qt::Key_4, Qt::ControlModifier | Qt::ShiftModifier)),
              std::nullopt);
}

TEST(HandTimingKeys, KeypadWithNumLockOffKeepsItsDigitPositions) {
    const HandTimingKeys keys;
    EXPECT_EQ(keys.Command(Press(Qt::Key_End, Qt::KeypadModifier)), Lap(1));
    EXPECT_EQ(keys.Command(Press(Qt::Key_Down, Qt::KeypadModifier)), Lap(2));
    EXPECT_EQ(keys.Command(Press(Qt::Key_PageDown, Qt::KeypadModifier)), Lap(3));
    EXPECT_EQ(keys.Command(Press(Qt::Key_Left, Qt::KeypadModifier)), Lap(4));
    EXPECT_EQ(keys.Command(Press(Qt::Key_Clear, Qt::KeypadModifier)), Lap(5));
    // X11 reports Shift+keypad 1 with Num Lock on as keypad End with Shift.
    EXPECT_EQ(keys.Command(Press(Qt::Key_End, Qt::KeypadModifier | Qt::ShiftModifier)),
              StartStop(1));
    // The same keys of the navigation block are no hand-timing keys.
    EXPECT_EQ(keys.Command(Press(Qt::Key_End)), std::nullopt);
    EXPECT_EQ(keys.Command(Press(Qt::Key_PageDown)), std::nullopt);
    EXPECT_EQ(keys.Command(Press(Qt::Key_Right, Qt::KeypadModifier)), std::nullopt);  // 6
}

TEST(HandTimingKeys, ShiftDigitWhateverTheLayoutTypes) {
    const HandTimingKeys keys;
    // Without native codes: what Shift+digit types on US, German and British layouts.
    const std::pair<int, int> shifted[] = {
        {Qt::Key_Exclam, 1},  {Qt::Key_At, 2},       {Qt::Key_QuoteDbl, 2}, {Qt::Key_NumberSign, 3},
        {Qt::Key_section, 3}, {Qt::Key_sterling, 3}, {Qt::Key_Dollar, 4},   {Qt::Key_Percent, 5},
    };
    for (const auto& [key, slot] : shifted) {
        EXPECT_EQ(keys.Command(Press(key, Qt::ShiftModifier)), StartStop(slot)) << key;
        // Typed without Shift (another layout's own key), they mean nothing.
        EXPECT_EQ(keys.Command(Press(key)), std::nullopt) << key;
    }
    EXPECT_EQ(keys.Command(Press(Qt::Key_Ampersand, Qt::ShiftModifier)), std::nullopt);  // US 7

    // With native codes the digit row is found by its place. X11/Wayland: French
    // AZERTY types "&" on the 1 key and "(" on the 5 key.
    EXPECT_EQ(keys.Command(Native(NativeKeyCodes::kXkb, 10, Qt::Key_Ampersand)), Lap(1));
    EXPECT_EQ(keys.Command(Native(NativeKeyCodes::kXkb, 14, Qt::Key_ParenLeft, Qt::ShiftModifier)),
              StartStop(5));
    EXPECT_EQ(keys.Command(Native(NativeKeyCodes::kXkb, 87, Qt::Key_End, Qt::KeypadModifier)),
              Lap(1));
    EXPECT_EQ(keys.Command(Native(NativeKeyCodes::kXkb, 15, Qt::Key_6)), std::nullopt);
    EXPECT_EQ(keys.Command(Native(NativeKeyCodes::kXkb, 38, Qt::Key_A)), std::nullopt);
    // Windows: scan code 3 is the 2 key, whatever it types.
    EXPECT_EQ(
        keys.Command(Native(NativeKeyCodes::kWindows, 0x03, Qt::Key_QuoteDbl, Qt::ShiftModifier)),
        StartStop(2));
    EXPECT_EQ(
        keys.Command(Native(NativeKeyCodes::kWindows, 0x4C, Qt::Key_Clear, Qt::KeypadModifier)),
        Lap(5));
    // The navigation block's End is an extended scan code, not keypad 1.
    EXPECT_EQ(keys.Command(Native(NativeKeyCodes::kWindows, 0x14F, Qt::Key_End)), std::nullopt);
    // macOS virtual key codes skip one between 4 (0x15) and 5 (0x17): 0x16 is the 6.
    EXPECT_EQ(keys.Command(Native(NativeKeyCodes::kMac, 0x17, Qt::Key_Percent, Qt::ShiftModifier)),
              StartStop(5));
    EXPECT_EQ(keys.Command(Native(NativeKeyCodes::kMac, 0x16, Qt::Key_6)), std::nullopt);
    // Native codes of a platform that is not known are not guessed at.
    EXPECT_EQ(keys.Command(Native(NativeKeyCodes::kNone, 10, Qt::Key_Ampersand)), std::nullopt);

    EXPECT_EQ(NativeKeyCodesOf(QStringLiteral("xcb")), NativeKeyCodes::kXkb);
    EXPECT_EQ(NativeKeyCodesOf(QStringLiteral("wayland-egl")), NativeKeyCodes::kXkb);
    EXPECT_EQ(NativeKeyCodesOf(QStringLiteral("windows")), NativeKeyCodes::kWindows);
    EXPECT_EQ(NativeKeyCodesOf(QStringLiteral("cocoa")), NativeKeyCodes::kMac);
    EXPECT_EQ(NativeKeyCodesOf(QStringLiteral("offscreen")), NativeKeyCodes::kNone);
}

TEST(HandTimingKeys, KeyPressOfAnEventKeepsItsNativeCodes) {
    const QKeyEvent event(QEvent::KeyPress, Qt::Key_Exclam, Qt::ShiftModifier, 10, 0x21, 0,
                          QStringLiteral("!"));
    const KeyPress press = KeyPressOf(event, NativeKeyCodes::kXkb);
    EXPECT_EQ(press.key, Qt::Key_Exclam);
    EXPECT_EQ(press.modifiers, Qt::ShiftModifier);
    EXPECT_EQ(press.native_scan_code, 10u);
    EXPECT_EQ(press.native_virtual_key, 0x21u);
    EXPECT_EQ(HandTimingKeys().Command(press), StartStop(1));
}

TEST(HandTimingKeys, MappedKeysOfTheSection) {
    const HandTimingKeys keys = FromSection(
        "Lap1=F5\r\n"
        "Start1=Shift+F5\r\n"
        "Lap2=PgDown, Right\r\n"
        "lap3=b\r\n"        // entry and key names in any case
        "START4=num+7\r\n"  // keypad 7
        "Lap5=\r\n");       // no key: not a problem
    EXPECT_TRUE(keys.problems().isEmpty()) << keys.ProblemReport().toStdString();
    EXPECT_EQ(keys.Command(Press(Qt::Key_F5)), Lap(1));
    EXPECT_EQ(keys.Command(Press(Qt::Key_F5, Qt::ShiftModifier)), StartStop(1));
    EXPECT_EQ(keys.Command(Press(Qt::Key_PageDown)), Lap(2));
    EXPECT_EQ(keys.Command(Press(Qt::Key_Right)), Lap(2));
    EXPECT_EQ(keys.Command(Press(Qt::Key_B)), Lap(3));
    EXPECT_EQ(keys.Command(Press(Qt::Key_7, Qt::KeypadModifier)), StartStop(4));
    // Modifiers must match: Shift+B, main-keyboard 7 and Ctrl+F5 are not mapped.
    EXPECT_EQ(keys.Command(Press(Qt::Key_B, Qt::ShiftModifier)), std::nullopt);
    EXPECT_EQ(keys.Command(Press(Qt::Key_7)), std::nullopt);
    EXPECT_EQ(keys.Command(Press(Qt::Key_F5, Qt::ControlModifier)), std::nullopt);
    // The keypad's Page Down is keypad 3, not the clicker's Page Down.
    EXPECT_EQ(keys.Command(Press(Qt::Key_PageDown, Qt::KeypadModifier)), Lap(3));
    // The digits still work beside the mapping.
    EXPECT_EQ(keys.Command(Press(Qt::Key_4)), Lap(4));

    // A file without the section, or without the file: the digits only.
    const HandTimingKeys none =
        HandTimingKeys::FromIni(IniFile::FromText(QStringLiteral("[Parametry]\r\nLap1=F5\r\n")));
    EXPECT_TRUE(none.problems().isEmpty());
    EXPECT_TRUE(none.ProblemReport().isEmpty());
    EXPECT_EQ(none.Command(Press(Qt::Key_F5)), std::nullopt);
    EXPECT_EQ(none.Command(Press(Qt::Key_1)), Lap(1));
}

TEST(HandTimingKeys, BadEntriesAreToldAndLeftOutTheRestWorks) {
    const HandTimingKeys keys = FromSection(
        "Lap1=F5\r\n"
        "Lap6=F6\r\n"              // no kart 6
        "Start0=F7\r\n"            // no kart 0
        "Lap99999999999=F8\r\n"    // not even a number
        "Finish1=F9\r\n"           // no such entry
        "Lap2=Fx5, F10\r\n"        // one unknown key name, one good key
        "Start2=F5\r\n"            // already Lap1
        "Lap3=2\r\n"               // already the digit of kart 2
        "Start3=Shift+4\r\n"       // already the start/stop key of kart 4
        "Lap4=Ctrl+L, Alt+F4\r\n"  // shortcuts
        "Start4=Shift\r\n"         // a modifier alone
        "LAP1=F11\r\n"             // Lap1 again
        "Start5=PgUp\r\n");
    const QStringList& problems = keys.problems();
    ASSERT_EQ(problems.size(), 12) << problems.join('\n').toStdString();
    EXPECT_TRUE(problems[0].startsWith("Lap6=F6: there is no kart 6")) << problems[0].toStdString();
    EXPECT_TRUE(problems[1].startsWith("Start0=F7: there is no kart 0"));
    EXPECT_TRUE(problems[2].startsWith("Lap99999999999=F8: there is no kart"));
    EXPECT_TRUE(problems[3].startsWith("Finish1=F9: no such entry"));
    EXPECT_EQ(problems[4], "Lap2=Fx5, F10: \"Fx5\" is no key name");
    EXPECT_EQ(problems[5], "Start2=F5: F5 is already the lap key of kart 1");
    EXPECT_EQ(problems[6], "Lap3=2: 2 is already the lap key of kart 2");
    EXPECT_EQ(problems[7], "Start3=Shift+4: Shift+4 is already the start/stop key of kart 4");
    EXPECT_TRUE(problems[8].startsWith("Lap4=Ctrl+L, Alt+F4: \"Ctrl+L\": Ctrl, Alt and Meta"));
    EXPECT_TRUE(problems[9].startsWith("Lap4=Ctrl+L, Alt+F4: \"Alt+F4\""));
    EXPECT_EQ(problems[10], "Start4=Shift: \"Shift\" is a modifier, not a key");
    EXPECT_TRUE(problems[11].startsWith("LAP1=F11: LAP1 is given more than once"));

    // What could be used works; what could not does nothing.
    EXPECT_EQ(keys.Command(Press(Qt::Key_F5)), Lap(1));
    EXPECT_EQ(keys.Command(Press(Qt::Key_F10)), Lap(2));
    EXPECT_EQ(keys.Command(Press(Qt::Key_PageUp)), StartStop(5));
    EXPECT_EQ(keys.Command(Press(Qt::Key_2)), Lap(2));
    for (int key : {Qt::Key_F6, Qt::Key_F7, Qt::Key_F8, Qt::Key_F9, Qt::Key_F11, Qt::Key_L}) {
        EXPECT_EQ(keys.Command(Press(key)), std::nullopt) << key;
    }
    EXPECT_EQ(keys.Command(Press(Qt::Key_L, Qt::ControlModifier)), std::nullopt);

    const QString report = keys.ProblemReport();
    EXPECT_TRUE(report.contains("[HandTimingKeys] of ustawienia.ini"));
    EXPECT_TRUE(report.contains(problems[9]));  // ten lines shown
    EXPECT_FALSE(report.contains(problems[10]));
    EXPECT_TRUE(report.endsWith("... and 2 more")) << report.toStdString();
}
