#include "DriverAccessText.h"

#include <QDir>
#include <array>

namespace {

// Administrator's rules first: a file there replaces a packaged one of the same name.
const std::array<QString, 3> kUdevRuleFolders = {
    QStringLiteral("/etc/udev/rules.d"),
    QStringLiteral("/usr/lib/udev/rules.d"),
    QStringLiteral("/lib/udev/rules.d"),
};
const QString kAdminRule = QStringLiteral("/etc/udev/rules.d/") + kUdevRuleName;

const QString kIds =
    QStringLiteral("SUBSYSTEMS==\"usb\", ATTRS{idVendor}==\"1234\", ATTRS{idProduct}==\"1236\"");
const QString kSeatRule = kIds + QStringLiteral(", TAG+=\"uaccess\"");
const QString kGroupRule = kSeatRule + QStringLiteral(", GROUP=\"plugdev\", MODE=\"0660\"");
const QString kReload =
    QStringLiteral("sudo udevadm control --reload-rules && sudo udevadm trigger");

QString Opening() {
    return QStringLiteral(
        "On Linux the USB-Key (vendor 0x1234, product 0x1236) needs no driver, only the right "
        "to use it, which a udev rule gives.\n\n");
}

QString WriteRuleCommand(const QString& line) {
    return QStringLiteral("echo %1 | sudo tee %2 > /dev/null")
        .arg(ShellQuote(line), ShellQuote(kAdminRule));
}

QString OtherUsers(const QString& user) {
    return QStringLiteral(
               "The rule's TAG+=\"uaccess\" gives the USB-Key to the user logged in at this PC's "
               "own screen and keyboard (the seat). For another user, such as a remote login, "
               "an administrator writes the rule with a group instead, in %1, where it takes the "
               "place of a packaged rule of the same name:\n\n"
               "%2\n\n"
               "%3 && %4\n\n"
               "and adds the user to the group plugdev; it applies from the user's next login:\n\n"
               "sudo usermod -aG plugdev %5")
        .arg(ShellQuote(kAdminRule), kGroupRule, WriteRuleCommand(kGroupRule), kReload,
             ShellQuote(user.isEmpty() ? QStringLiteral("USER") : user));
}

}  // namespace

QString ShellQuote(const QString& word) {
    QString quoted = word;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

UdevRulePlaces FindUdevRule(const QString& program_folder, const FileExists& exists) {
    UdevRulePlaces places;
    for (const QString& folder : kUdevRuleFolders) {
        const QString path = folder + QLatin1Char('/') + kUdevRuleName;
        if (exists(path)) {
            places.installed = path;
            break;
        }
    }
    // Beside the program (a build tree), then where an installation with the same
    // prefix puts it.
    const std::array<QString, 2> copies = {
        QDir::cleanPath(program_folder + QLatin1Char('/') + kUdevRuleName),
        QDir::cleanPath(program_folder + QStringLiteral("/../lib/udev/rules.d/") + kUdevRuleName),
    };
    for (const QString& copy : copies) {
        if (copy == places.installed) {
            continue;
        }
        if (exists(copy)) {
            places.shipped = copy;
            break;
        }
    }
    return places;
}

QString DriverAccessText(const UdevRulePlaces& places, const QString& user) {
    QString text = Opening();
    if (!places.installed.isEmpty()) {
        text += QStringLiteral(
                    "RUVOTimer's rule is already installed:\n\n%1\n\n"
                    "It need not be copied again. Unplug the USB-Key and plug it in again, so that "
                    "udev applies the rule to it. If the rule was installed while this PC was "
                    "running and a re-plug does not help, reload the rules once:\n\n%2\n\n")
                    .arg(places.installed, kReload);
    } else if (!places.shipped.isEmpty()) {
        text += QStringLiteral(
                    "RUVOTimer's rule is not installed yet. The program brings a copy:\n\n%1\n\n"
                    "Install it and reload the rules in a terminal:\n\n"
                    "sudo install -m 644 %2 %3 && %4\n\n"
                    "Then unplug the USB-Key and plug it in again. The rule reads:\n\n%5\n\n")
                    .arg(places.shipped, ShellQuote(places.shipped),
                         ShellQuote(QStringLiteral("/etc/udev/rules.d/")), kReload, kSeatRule);
    } else {
        text += QStringLiteral(
                    "RUVOTimer's rule is not installed, and no copy of it was found on this PC. "
                    "Write it and reload the rules in a terminal:\n\n%1 && %2\n\n"
                    "Then unplug the USB-Key and plug it in again. The rule reads:\n\n%3\n\n")
                    .arg(WriteRuleCommand(kSeatRule), kReload, kSeatRule);
    }
    return text + OtherUsers(user);
}
