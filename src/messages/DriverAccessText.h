#pragma once

#include <QString>
#include <functional>

// What the "Install drivers" wizard tells the operator on Linux, where the USB-Key
// needs no driver, only the right to use it, given by the udev rule
// 60-ruvotimer-usbkey.rules. The text depends on where that rule already is:
//
// - installed where udev reads it (/etc/udev/rules.d, /usr/lib/udev/rules.d or
//   /lib/udev/rules.d): say so and ask for a re-plug, never to copy it again;
// - shipped with the program but not installed (beside the program in a build tree,
//   or in <prefix>/lib/udev/rules.d of a program in <prefix>/bin outside /usr): the
//   command that installs that copy;
// - nowhere: the command that writes the rule's one line.
//
// Every text ends with the uaccess rule's limit (the user at the seat) and the
// GROUP="plugdev", MODE="0660" variant for other users. Paths in commands are quoted
// for the shell, and only paths that exist are named.

inline const QString kUdevRuleName = QStringLiteral("60-ruvotimer-usbkey.rules");

using FileExists = std::function<bool(const QString& path)>;

struct UdevRulePlaces {
    QString installed;  // where udev reads it; empty when not installed
    QString shipped;    // the program's own copy, not read by udev; empty when none
};

// Looks for the rule with `exists`, for a program whose executable lies in
// `program_folder`.
UdevRulePlaces FindUdevRule(const QString& program_folder, const FileExists& exists);

// The operator's instructions; `user` is the account the program runs as.
QString DriverAccessText(const UdevRulePlaces& places, const QString& user);

// The word quoted for a POSIX shell: 'it'\''s' for it's.
QString ShellQuote(const QString& word);
