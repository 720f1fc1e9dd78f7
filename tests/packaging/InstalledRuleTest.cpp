#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "DriverAccessText.h"

// The driver wizard must find the udev rule where an installation really puts it,
// so its instructions name an existing file and not a path in the sources. The
// staged tree stands for the whole PC: the live /etc and /usr/lib are not looked at.
TEST(InstalledRule, WizardFindsTheRuleOfAStagedInstall) {
    QTemporaryDir stage;
    ASSERT_TRUE(stage.isValid());
    QProcess install;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DESTDIR"), stage.path());
    install.setProcessEnvironment(env);
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(RUVO_CMAKE_COMMAND),
                  {QStringLiteral("--install"), QStringLiteral(RUVO_BUILD_DIR),
                   QStringLiteral("--prefix"), QStringLiteral("/usr")});
    ASSERT_TRUE(install.waitForFinished(60000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAll().toStdString();

    const QString program_folder = stage.path() + QStringLiteral("/usr/bin");
    ASSERT_TRUE(QFileInfo::exists(program_folder + QStringLiteral("/ruvotimer")));
    const QString root = stage.path();
    const FileExists staged = [&root](const QString& path) {
        return path.startsWith(root + QLatin1Char('/')) && QFileInfo::exists(path);
    };
    const QString installed = root + "/usr/lib/udev/rules.d/60-ruvotimer-usbkey.rules";
    const UdevRulePlaces places = FindUdevRule(program_folder, staged);
    EXPECT_EQ(places.shipped.toStdString(), QDir::cleanPath(installed).toStdString());
    EXPECT_TRUE(places.installed.isEmpty());
    const QString text = DriverAccessText(places, QStringLiteral("anna"));
    EXPECT_TRUE(text.contains("sudo install -m 644 '" + QDir::cleanPath(installed) +
                              "' '/etc/udev/rules.d/' && "))
        << text.toStdString();

    // Installed under /usr, the same file is the one udev reads: no copying then.
    const FileExists usr = [&root](const QString& path) {
        return path.startsWith(QStringLiteral("/usr/lib/")) && QFileInfo::exists(root + path);
    };
    const UdevRulePlaces live = FindUdevRule(QStringLiteral("/usr/bin"), usr);
    EXPECT_EQ(live.installed, "/usr/lib/udev/rules.d/60-ruvotimer-usbkey.rules");
    EXPECT_TRUE(live.shipped.isEmpty());
}
