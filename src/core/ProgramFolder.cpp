#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <array>

QString WithTrailingSeparator(const QString& folder) {
    QString path = QDir::fromNativeSeparators(folder);
    if (!path.endsWith(QLatin1Char('/'))) {
        path += QLatin1Char('/');
    }
    return path;
}

bool IsSystemInstallFolder(const QString& folder) {
    const QString path = QDir::cleanPath(QDir::fromNativeSeparators(folder));
    const std::array<QString, 3> prefixes = {QString(), QStringLiteral("/usr"),
                                             QStringLiteral("/usr/local")};
    for (const QString& prefix : prefixes) {
        for (const char* programs : {"/bin", "/sbin", "/games"}) {
            if (path == prefix + QLatin1String(programs)) {
                return true;
            }
        }
        for (const char* libraries : {"/lib", "/lib64", "/libexec"}) {
            const QString library = prefix + QLatin1String(libraries);
            if (path == library || path.startsWith(library + QLatin1Char('/'))) {
                return true;
            }
        }
    }
    return false;
}

QString ChooseProgramFolder(const QString& forced_home, const QString& executable_folder,
                            const QString& user_data_folder) {
    if (!forced_home.isEmpty()) {
        return WithTrailingSeparator(forced_home);
    }
    if (IsSystemInstallFolder(executable_folder)) {
        return WithTrailingSeparator(user_data_folder);
    }
    return WithTrailingSeparator(executable_folder);
}

QString ResolveProgramFolder() {
    QString forced = qEnvironmentVariable("RUVOTIMER_HOME");
    if (!forced.isEmpty()) {
        forced = QFileInfo(forced).absoluteFilePath();
    }
    // On Linux the path of the running executable comes with its symbolic links
    // resolved (/proc/self/exe): /bin/ruvotimer on a merged-/usr system is in
    // /usr/bin, and a link in /usr/local/bin to a build is the build.
    const QString executable_folder = QCoreApplication::applicationDirPath();
    const QString folder =
        ChooseProgramFolder(forced, executable_folder,
                            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    // The per-user folder (or the named one) is created on the first start; the
    // program's own folder exists already.
    QDir().mkpath(folder);
    return folder;
}
