#pragma once

#include <QKeyCombination>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "KartSlot.h"

class IniFile;
class QKeyEvent;

// What a hand-timing key asks for: a lap of the slot's stopwatch, or starting or
// stopping it.
enum class HandKeyAction { kLap, kStartStop };

struct HandKeyCommand {
    HandKeyAction action = HandKeyAction::kLap;
    int slot = 0;
    bool operator==(const HandKeyCommand&) const = default;
};

// Which native key codes a platform plugin reports, so that the digit row is found by
// its position whatever the layout makes of Shift+digit ("!", "\"", "&" ...).
enum class NativeKeyCodes {
    kNone,     // codes unknown (offscreen, tests): key codes and symbols only
    kXkb,      // xcb and wayland: scan code = evdev code + 8
    kWindows,  // set-1 scan codes
    kMac,      // virtual key codes of the ANSI layout
};
NativeKeyCodes NativeKeyCodesOf(const QString& platform_name);

// One key press as far as hand timing needs it; built from a QKeyEvent, or by hand
// in tests.
struct KeyPress {
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    quint32 native_scan_code = 0;
    quint32 native_virtual_key = 0;
    NativeKeyCodes codes = NativeKeyCodes::kNone;
};
KeyPress KeyPressOf(const QKeyEvent& event, NativeKeyCodes codes);

// The keys of hand timing. Built in: the digits 1-5 of the main keyboard and of the
// keypad time a lap of slots 1-5, Shift with them starts or stops the stopwatch.
// Added from section [HandTimingKeys] of ustawienia.ini: entries Lap1..Lap5 and
// Start1..Start5, each naming up to four keys in QKeySequence portable text
// ("F5", "Shift+PgDown", "PgDown, Right"), for foot switches and presenter clickers.
// Ctrl, Alt and Meta combinations are never taken: they belong to the program's and
// the desktop's shortcuts.
class HandTimingKeys {
  public:
    // Problem lines beyond this are summarised, so a broken file gives a readable box.
    static constexpr int kMaxProblemLines = 10;

    static QString SectionName() { return QStringLiteral("HandTimingKeys"); }

    // Only the built-in digits.
    HandTimingKeys() = default;
    // The built-in digits plus the entries of the section. Entries that cannot be
    // used are left out and described in problems(); the rest work.
    static HandTimingKeys FromIni(const IniFile& ini);

    // What the key asks for, or nothing when it is no hand-timing key.
    std::optional<HandKeyCommand> Command(const KeyPress& press) const;

    // One line per entry left out, in file order.
    const QStringList& problems() const { return problems_; }
    // The problems as one text for the operator, or empty when there are none.
    QString ProblemReport() const;

    // The built-in meaning of a key alone, without the mapping.
    static std::optional<HandKeyCommand> BuiltInCommand(const KeyPress& press);

  private:
    struct Mapped {
        QKeyCombination keys;
        HandKeyCommand command;
    };
    void AddEntry(const QString& name, const QString& value);
    std::optional<HandKeyCommand> MappedCommand(QKeyCombination keys) const;

    QList<Mapped> mapped_;
    QStringList problems_;
};

// "the lap key of kart 2" / "the start/stop key of kart 2".
QString DescribeCommand(const HandKeyCommand& command);
