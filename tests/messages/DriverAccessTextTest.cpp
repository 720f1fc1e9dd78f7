#include <gtest/gtest.h>

#include <QSet>
#include <QWidget>

#include "DriverAccessText.h"
#include "ModalHelpers.h"

namespace {

const QString kEtc = "/etc/udev/rules.d/60-ruvotimer-usbkey.rules";
const QString kUsrLib = "/usr/lib/udev/rules.d/60-ruvotimer-usbkey.rules";
const QString kLib = "/lib/udev/rules.d/60-ruvotimer-usbkey.rules";

UdevRulePlaces Find(const QString& program_folder, const QSet<QString>& files) {
    return FindUdevRule(program_folder,
                        [&files](const QString& path) { return files.contains(path); });
}

const char kGroupPart[] =
    "The rule's TAG+=\"uaccess\" gives the USB-Key to the user logged in at this PC's own screen "
    "and keyboard (the seat). For another user, such as a remote login, an administrator writes "
    "the rule with a group instead, in '/etc/udev/rules.d/60-ruvotimer-usbkey.rules', where it "
    "takes the place of a packaged rule of the same name:\n\n"
    "SUBSYSTEMS==\"usb\", ATTRS{idVendor}==\"1234\", ATTRS{idProduct}==\"1236\", "
    "TAG+=\"uaccess\", GROUP=\"plugdev\", MODE=\"0660\"\n\n"
    "echo 'SUBSYSTEMS==\"usb\", ATTRS{idVendor}==\"1234\", ATTRS{idProduct}==\"1236\", "
    "TAG+=\"uaccess\", GROUP=\"plugdev\", MODE=\"0660\"' | sudo tee "
    "'/etc/udev/rules.d/60-ruvotimer-usbkey.rules' > /dev/null && "
    "sudo udevadm control --reload-rules && sudo udevadm trigger\n\n"
    "and adds the user to the group plugdev; it applies from the user's next login:\n\n"
    "sudo usermod -aG plugdev 'anna'";

}  // namespace

TEST(DriverAccessText, FindsTheInstalledRuleBeforeTheProgramsOwnCopy) {
    // Packaged program: its copy in /usr/lib is the rule udev reads.
    UdevRulePlaces places = Find("/usr/bin", {kUsrLib});
    EXPECT_EQ(places.installed, kUsrLib);
    EXPECT_EQ(places.shipped, "");

    // The administrator's copy in /etc wins over the packaged one.
    places = Find("/usr/bin", {kUsrLib, kEtc});
    EXPECT_EQ(places.installed, kEtc);
    places = Find("/usr/bin", {kLib});
    EXPECT_EQ(places.installed, kLib);

    // A build tree: the copy beside the program, not installed.
    places = Find("/home/anna/ruvo/build/src/app/",
                  {"/home/anna/ruvo/build/src/app/60-ruvotimer-usbkey.rules"});
    EXPECT_EQ(places.installed, "");
    EXPECT_EQ(places.shipped, "/home/anna/ruvo/build/src/app/60-ruvotimer-usbkey.rules");

    // /usr/local: udev does not read /usr/local/lib/udev/rules.d.
    places =
        Find("/usr/local/bin", {"/usr/local/lib/udev/rules.d/60-ruvotimer-usbkey.rules", kEtc});
    EXPECT_EQ(places.installed, kEtc);
    EXPECT_EQ(places.shipped, "/usr/local/lib/udev/rules.d/60-ruvotimer-usbkey.rules");

    // Nothing anywhere, and no invented path in the sources either.
    places = Find("/opt/ruvo", {"/opt/ruvo/packaging/60-ruvotimer-usbkey.rules"});
    EXPECT_EQ(places.installed, "");
    EXPECT_EQ(places.shipped, "");
}

TEST(DriverAccessText, AnInstalledRuleAsksForAReplugAndNotForACopy) {
    const QString text = DriverAccessText({kUsrLib, ""}, "anna");
    EXPECT_EQ(text,
              QString("On Linux the USB-Key (vendor 0x1234, product 0x1236) needs no driver, only "
                      "the right to use it, which a udev rule gives.\n\n"
                      "RUVOTimer's rule is already installed:\n\n"
                      "/usr/lib/udev/rules.d/60-ruvotimer-usbkey.rules\n\n"
                      "It need not be copied again. Unplug the USB-Key and plug it in again, so "
                      "that udev applies the rule to it. If the rule was installed while this PC "
                      "was running and a re-plug does not help, reload the rules once:\n\n"
                      "sudo udevadm control --reload-rules && sudo udevadm trigger\n\n") +
                  kGroupPart);
    EXPECT_FALSE(text.contains("sudo install"));
}

TEST(DriverAccessText, AShippedCopyIsInstalledWithItsPathQuoted) {
    const QString copy = "/home/anna/my karts/build/src/app/60-ruvotimer-usbkey.rules";
    const QString text = DriverAccessText({"", copy}, "anna");
    EXPECT_TRUE(text.contains(
        "sudo install -m 644 '/home/anna/my karts/build/src/app/60-ruvotimer-usbkey.rules' "
        "'/etc/udev/rules.d/' && sudo udevadm control --reload-rules && sudo udevadm trigger\n\n"
        "Then unplug the USB-Key and plug it in again."))
        << text.toStdString();
    EXPECT_TRUE(
        text.contains("SUBSYSTEMS==\"usb\", ATTRS{idVendor}==\"1234\", "
                      "ATTRS{idProduct}==\"1236\", TAG+=\"uaccess\"\n\n"));
    EXPECT_FALSE(text.contains("already installed"));
    EXPECT_TRUE(text.endsWith(kGroupPart));
}

TEST(DriverAccessText, WithoutAnyCopyTheRuleIsWrittenOutAndNoPathIsInvented) {
    const QString text = DriverAccessText({}, "o'brien");
    EXPECT_TRUE(text.contains(
        "echo 'SUBSYSTEMS==\"usb\", ATTRS{idVendor}==\"1234\", ATTRS{idProduct}==\"1236\", "
        "TAG+=\"uaccess\"' | sudo tee '/etc/udev/rules.d/60-ruvotimer-usbkey.rules' > /dev/null "
        "&& sudo udevadm control --reload-rules && sudo udevadm trigger\n\n"))
        << text.toStdString();
    EXPECT_FALSE(text.contains("packaging/"));
    EXPECT_FALSE(text.contains("sudo install"));
    EXPECT_TRUE(text.endsWith("sudo usermod -aG plugdev 'o'\\''brien'"));
    EXPECT_FALSE(text.contains("0666"));
    EXPECT_TRUE(DriverAccessText({}, "").endsWith("sudo usermod -aG plugdev 'USER'"));
}
