#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "TFInstalDrivers.h"

// The driver wizard must find the udev rule where an installation really puts it,
// so its instructions name an existing file and not a path in the sources.
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
    const QString rule = UdevRulesFile(program_folder);
    const QString installed = stage.path() + "/usr/lib/udev/rules.d/60-ruvotimer-usbkey.rules";
    EXPECT_EQ(rule.toStdString(), QDir::cleanPath(installed).toStdString());
    EXPECT_TRUE(QFileInfo::exists(rule));
    EXPECT_TRUE(
        DriverAccessInstructions(rule).contains(QStringLiteral("sudo install -m 644 ") + rule))
        << DriverAccessInstructions(rule).toStdString();
}
