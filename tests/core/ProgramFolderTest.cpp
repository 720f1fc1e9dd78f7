#include <gtest/gtest.h>

#include "ProgramFolder.h"

namespace {

const QString kUserData = QStringLiteral("/home/ann/.local/share/RUVO/ruvotimer");

QString Choose(const QString& executable_folder, const QString& forced = {}) {
    return ChooseProgramFolder(forced, executable_folder, kUserData);
}

}  // namespace

TEST(ProgramFolder, InstalledUnderASystemPrefixUsesThePerUserFolder) {
    for (const char* installed :
         {"/usr/bin", "/usr/local/bin", "/bin", "/usr/sbin", "/usr/games", "/usr/local/sbin",
          "/usr/lib/ruvotimer", "/usr/libexec/ruvotimer", "/usr/lib64/ruvotimer/bin",
          "/usr/local/lib/ruvotimer", "/usr/lib", "/usr/bin/", "/usr//local/bin/."}) {
        EXPECT_TRUE(IsSystemInstallFolder(QString::fromUtf8(installed))) << installed;
        EXPECT_EQ(Choose(QString::fromUtf8(installed)), kUserData + "/") << installed;
    }
}

TEST(ProgramFolder, ABuildOrAnUnpackedFolderKeepsItsOwnFolder) {
    // Also folders that merely look alike: the choice is by place, not by name.
    for (const char* own : {"/work/ruvotimer/build", "/home/ann/ruvotimer-6.4", "/opt/ruvotimer",
                            "/usr", "/usr/local", "/usr/src/ruvotimer/build", "/usr/binaries",
                            "/home/ann/usr/bin", "/usr/local/bin2", "/srv/usr/lib/x"}) {
        EXPECT_FALSE(IsSystemInstallFolder(QString::fromUtf8(own))) << own;
        EXPECT_EQ(Choose(QString::fromUtf8(own)), QString::fromUtf8(own) + "/") << own;
    }
}

TEST(ProgramFolder, RuvotimerHomeWinsEverywhere) {
    EXPECT_EQ(Choose("/usr/bin", "/tmp/race"), "/tmp/race/");
    EXPECT_EQ(Choose("/work/build", "/tmp/race/"), "/tmp/race/");
}
