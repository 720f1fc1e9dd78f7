#include "HandTimingKeys.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <QRegularExpression>
#include <QSet>
#include <array>

#include "IniFile.h"

namespace {

// Modifiers that make a key a shortcut of the program or the desktop, never a
// hand-timing key.
constexpr Qt::KeyboardModifiers kShortcutModifiers =
    Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
// The modifiers a hand-timing key is told apart by.
constexpr Qt::KeyboardModifiers kKeyModifiers = Qt::ShiftModifier | Qt::KeypadModifier;

using Positions = std::array<quint32, kSlotCount>;

// Native codes of the keys 1-5 of the digit row and of the keypad.
struct NativePositions {
    Positions digit_row;
    Positions keypad;
};
constexpr NativePositions kXkbScanCodes = {{10, 11, 12, 13, 14}, {87, 88, 89, 83, 84}};
constexpr NativePositions kWindowsScanCodes = {{0x02, 0x03, 0x04, 0x05, 0x06},
                                               {0x4F, 0x50, 0x51, 0x4B, 0x4C}};
constexpr NativePositions kMacVirtualKeys = {{0x12, 0x13, 0x14, 0x15, 0x17},
                                             {0x53, 0x54, 0x55, 0x56, 0x57}};

// Keypad 1-5 with Num Lock off (or, on X11, with Shift and Num Lock on).
constexpr std::array<int, kSlotCount> kKeypadNavigation = {
    Qt::Key_End, Qt::Key_Down, Qt::Key_PageDown, Qt::Key_Left, Qt::Key_Clear};

// What Shift+1..5 type on common layouts, for platforms whose native codes are not
// known: US ! @ # $ %, German ! " § $ %, British ! " £ $ %.
struct ShiftedSymbol {
    int key;
    int digit;
};
constexpr std::array<ShiftedSymbol, 8> kShiftedSymbols = {{
    {Qt::Key_Exclam, 1},
    {Qt::Key_At, 2},
    {Qt::Key_QuoteDbl, 2},
    {Qt::Key_NumberSign, 3},
    {Qt::Key_section, 3},
    {Qt::Key_sterling, 3},
    {Qt::Key_Dollar, 4},
    {Qt::Key_Percent, 5},
}};

int IndexIn(const Positions& positions, quint32 code) {
    for (size_t i = 0; i < positions.size(); ++i) {
        if (positions[i] == code) {
            return int(i) + 1;
        }
    }
    return 0;
}

// The digit 1-5 at the key's place on the keyboard, from its native code; 0 when the
// code is unknown or belongs to another key.
int DigitOfNativeCode(const KeyPress& press) {
    const NativePositions* positions = nullptr;
    quint32 code = press.native_scan_code;
    switch (press.codes) {
        case NativeKeyCodes::kNone:
            return 0;
        case NativeKeyCodes::kXkb:
            positions = &kXkbScanCodes;
            break;
        case NativeKeyCodes::kWindows:
            positions = &kWindowsScanCodes;
            break;
        case NativeKeyCodes::kMac:
            positions = &kMacVirtualKeys;
            code = press.native_virtual_key;
            break;
    }
    if (code == 0) {
        return 0;
    }
    if (const int digit = IndexIn(positions->digit_row, code)) {
        return digit;
    }
    return IndexIn(positions->keypad, code);
}

int DigitOfKey(const KeyPress& press) {
    if (press.key >= Qt::Key_1 && press.key <= Qt::Key_5) {
        return press.key - Qt::Key_0;
    }
    if (press.modifiers.testFlag(Qt::KeypadModifier)) {
        for (size_t i = 0; i < kKeypadNavigation.size(); ++i) {
            if (kKeypadNavigation[i] == press.key) {
                return int(i) + 1;
            }
        }
    }
    if (press.modifiers.testFlag(Qt::ShiftModifier)) {
        for (const ShiftedSymbol& symbol : kShiftedSymbols) {
            if (symbol.key == press.key) {
                return symbol.digit;
            }
        }
    }
    return 0;
}

bool IsModifierKey(int key) {
    switch (key) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Meta:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_CapsLock:
        case Qt::Key_NumLock:
        case Qt::Key_ScrollLock:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
        case Qt::Key_Hyper_L:
        case Qt::Key_Hyper_R:
        case Qt::Key_Mode_switch:
            return true;
        default:
            return false;
    }
}

QString KeyText(QKeyCombination keys) {
    return QKeySequence(keys).toString(QKeySequence::PortableText);
}

}  // namespace

NativeKeyCodes NativeKeyCodesOf(const QString& platform_name) {
    if (platform_name == QLatin1String("xcb") ||
        platform_name.startsWith(QLatin1String("wayland"))) {
        return NativeKeyCodes::kXkb;
    }
    if (platform_name == QLatin1String("windows")) {
        return NativeKeyCodes::kWindows;
    }
    if (platform_name == QLatin1String("cocoa")) {
        return NativeKeyCodes::kMac;
    }
    return NativeKeyCodes::kNone;
}

KeyPress KeyPressOf(const QKeyEvent& event, NativeKeyCodes codes) {
    return KeyPress{event.key(), event.modifiers(), event.nativeScanCode(),
                    event.nativeVirtualKey(), codes};
}

QString DescribeCommand(const HandKeyCommand& command) {
    const QString what = command.action == HandKeyAction::kLap ? QStringLiteral("lap")
                                                               : QStringLiteral("start/stop");
    return QStringLiteral("the %1 key of kart %2").arg(what).arg(command.slot);
}

std::optional<HandKeyCommand> HandTimingKeys::BuiltInCommand(const KeyPress& press) {
    if (press.modifiers & kShortcutModifiers) {
        return std::nullopt;
    }
    int digit = DigitOfNativeCode(press);
    if (digit == 0) {
        digit = DigitOfKey(press);
    }
    if (digit == 0) {
        return std::nullopt;
    }
    const HandKeyAction action = press.modifiers.testFlag(Qt::ShiftModifier)
                                     ? HandKeyAction::kStartStop
                                     : HandKeyAction::kLap;
    return HandKeyCommand{action, digit};
}

std::optional<HandKeyCommand> HandTimingKeys::Command(const KeyPress& press) const {
    if (press.modifiers & kShortcutModifiers) {
        return std::nullopt;
    }
    const QKeyCombination keys(press.modifiers & kKeyModifiers, Qt::Key(press.key));
    if (const auto mapped = MappedCommand(keys)) {
        return mapped;
    }
    return BuiltInCommand(press);
}

std::optional<HandKeyCommand> HandTimingKeys::MappedCommand(QKeyCombination keys) const {
    for (const Mapped& mapped : mapped_) {
        if (mapped.keys == keys) {
            return mapped.command;
        }
    }
    return std::nullopt;
}

HandTimingKeys HandTimingKeys::FromIni(const IniFile& ini) {
    HandTimingKeys keys;
    QSet<QString> seen_names;
    for (const auto& [name, value] : ini.Entries(SectionName())) {
        // The first entry of a name counts, as with every other key of the file.
        if (seen_names.contains(name.toLower())) {
            keys.problems_ << QStringLiteral(
                                  "%1=%2: %1 is given more than once; the first one counts")
                                  .arg(name, value);
            continue;
        }
        seen_names.insert(name.toLower());
        keys.AddEntry(name, value);
    }
    return keys;
}

void HandTimingKeys::AddEntry(const QString& name, const QString& value) {
    static const QRegularExpression kName(QStringLiteral("^(lap|start)([0-9]+)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QString entry = QStringLiteral("%1=%2: ").arg(name, value);
    const QRegularExpressionMatch match = kName.match(name);
    if (!match.hasMatch()) {
        problems_ << entry + QStringLiteral(
                                 "no such entry; the entries are Lap1..Lap5 and "
                                 "Start1..Start5");
        return;
    }
    bool number_ok = false;
    const int slot = match.captured(2).toInt(&number_ok);
    if (!number_ok || slot < 1 || slot > kSlotCount) {
        problems_ << entry + QStringLiteral("there is no kart %1; the karts are 1 to %2")
                                 .arg(match.captured(2))
                                 .arg(kSlotCount);
        return;
    }
    const HandKeyCommand command{
        match.captured(1).compare(QLatin1String("lap"), Qt::CaseInsensitive) == 0
            ? HandKeyAction::kLap
            : HandKeyAction::kStartStop,
        slot};
    // Keys are separated by commas; an empty value maps no key.
    for (const QString& part : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString text = part.trimmed();
        if (text.isEmpty()) {
            continue;
        }
        const QKeySequence sequence = QKeySequence::fromString(text, QKeySequence::PortableText);
        if (sequence.count() != 1 || sequence[0].key() == Qt::Key_unknown ||
            sequence[0].key() == Qt::Key(0)) {
            problems_ << entry + QStringLiteral("\"%1\" is no key name").arg(text);
            continue;
        }
        const QKeyCombination keys = sequence[0];
        if (IsModifierKey(keys.key())) {
            problems_ << entry + QStringLiteral("\"%1\" is a modifier, not a key").arg(text);
            continue;
        }
        if (keys.keyboardModifiers() & kShortcutModifiers) {
            problems_ << entry + QStringLiteral(
                                     "\"%1\": Ctrl, Alt and Meta combinations are "
                                     "kept for shortcuts")
                                     .arg(text);
            continue;
        }
        if (const auto taken = MappedCommand(keys)) {
            problems_ << entry + QStringLiteral("%1 is already %2")
                                     .arg(KeyText(keys), DescribeCommand(*taken));
            continue;
        }
        const KeyPress as_pressed{int(keys.key()), keys.keyboardModifiers()};
        if (const auto built_in = BuiltInCommand(as_pressed)) {
            problems_ << entry + QStringLiteral("%1 is already %2")
                                     .arg(KeyText(keys), DescribeCommand(*built_in));
            continue;
        }
        mapped_.append({keys, command});
    }
}

QString HandTimingKeys::ProblemReport() const {
    if (problems_.isEmpty()) {
        return {};
    }
    QStringList lines = problems_.mid(0, kMaxProblemLines);
    if (problems_.size() > kMaxProblemLines) {
        lines << QStringLiteral("... and %1 more").arg(problems_.size() - kMaxProblemLines);
    }
    return QStringLiteral(
               "Some hand-timing keys in section [%1] of ustawienia.ini cannot be "
               "used and are left out. The other keys work.\n\n%2")
        .arg(SectionName(), lines.join(QLatin1Char('\n')));
}
