#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

QString WithTrailingSeparator(const QString& folder) {
    QString path = QDir::fromNativeSeparators(folder);
    if (!path.endsWith(QLatin1Char('/'))) {
        path += QLatin1Char('/');
    }
    return path;
}

namespace {

bool CanCreateFilesIn(const QString& folder) {
    QTemporaryFile probe(WithTrailingSeparator(folder) + QStringLiteral(".ruvotimer-probe-XXXXXX"));
    return probe.open();
}

}  // namespace

QString ResolveProgramFolder() {
    const QString forced = qEnvironmentVariable("RUVOTIMER_HOME");
    if (!forced.isEmpty()) {
        QDir().mkpath(forced);
        return WithTrailingSeparator(QFileInfo(forced).absoluteFilePath());
    }
    const QString executable_folder = QCoreApplication::applicationDirPath();
    if (CanCreateFilesIn(executable_folder)) {
        return WithTrailingSeparator(executable_folder);
    }
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return WithTrailingSeparator(data);
}
