#include "DemoFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "IniFile.h"
#include "KartSlot.h"
#include "ProgramFolder.h"
#include "RaceGenerator.h"

namespace {

const QString kSection = QStringLiteral("Parametry");
const QString kSettingsName = QStringLiteral("ustawienia.ini");
const QString kHandTimedDriver = QStringLiteral("Marek Lis");

QString DemoKartSettingsText() {
    IniFile ini;
    for (int n = 1; n <= kSlotCount; ++n) {
        const QString suffix = QString::number(n);
        const bool radio = n <= sim::kDemoKartCount;
        const sim::DemoKart* kart = radio ? &sim::DemoKarts()[size_t(n - 1)] : nullptr;
        ini.WriteInteger(kSection, QStringLiteral("Radio") + suffix, radio ? 1 : 0);
        ini.WriteInteger(kSection, QStringLiteral("SN") + suffix, radio ? kart->serial : 0);
        ini.WriteString(kSection, QStringLiteral("NAME") + suffix,
                        radio ? QString::fromUtf8(kart->driver_name) : kHandTimedDriver);
    }
    return ini.ToText();
}

bool IsIniLine(const QString& line) {
    const QString text = line.trimmed();
    return text.isEmpty() || text.startsWith(QLatin1Char(';')) ||
           (text.startsWith(QLatin1Char('[')) && text.endsWith(QLatin1Char(']'))) ||
           text.contains(QLatin1Char('='));
}

bool CanCreateFilesIn(const QString& folder) {
    QTemporaryFile probe(folder + QStringLiteral(".ruvotimer-demo-probe-XXXXXX"));
    return probe.open();
}

}  // namespace

QString DemoFolderPath() {
    const QString forced = qEnvironmentVariable("RUVOTIMER_HOME");
    if (!forced.isEmpty()) {
        return WithTrailingSeparator(QFileInfo(forced).absoluteFilePath());
    }
    return WithTrailingSeparator(
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
        QStringLiteral("/RUVO/ruvotimer-demo"));
}

bool IsCompleteKartSettings(const QByteArray& bytes) {
    if (bytes.contains('\0')) {
        return false;
    }
    const IniFile ini = IniFile::FromText(QString::fromLatin1(bytes));
    for (const QString& line : ini.ToText().split(QStringLiteral("\r\n"))) {
        if (!IsIniLine(line)) {
            return false;
        }
    }
    for (int n = 1; n <= kSlotCount; ++n) {
        const QString suffix = QString::number(n);
        for (const QString& key : {QStringLiteral("Radio"), QStringLiteral("SN")}) {
            const std::optional<QString> value = ini.Value(kSection, key + suffix);
            if (!value || !IniFile::ParseInteger(*value)) {
                return false;
            }
        }
        if (!ini.Value(kSection, QStringLiteral("NAME") + suffix)) {
            return false;
        }
    }
    return true;
}

DemoFolderSetup PrepareDemoFolder(const QString& folder) {
    DemoFolderSetup setup;
    setup.folder = WithTrailingSeparator(folder);
    if (!QDir().mkpath(setup.folder) || !QFileInfo(setup.folder).isDir()) {
        setup.report = QStringLiteral("The demo folder %1 cannot be created.").arg(setup.folder);
        return setup;
    }
    if (!CanCreateFilesIn(setup.folder)) {
        setup.report = QStringLiteral("The demo folder %1 cannot be written.").arg(setup.folder);
        return setup;
    }
    const QString settings = setup.folder + kSettingsName;
    if (QFileInfo::exists(settings)) {
        QFile file(settings);
        if (file.open(QIODevice::ReadOnly) && IsCompleteKartSettings(file.readAll())) {
            setup.usable = true;
            return setup;
        }
        file.close();
        const QString aside = settings + QStringLiteral(".damaged");
        QFile::remove(aside);
        if (!QFile::rename(settings, aside)) {
            setup.report = QStringLiteral("%1 is damaged and cannot be moved aside.").arg(settings);
            return setup;
        }
        setup.report = QStringLiteral(
                           "%1 was damaged; it was moved to %2 and the demo karts "
                           "were set up again.")
                           .arg(settings, aside);
    }
    QString error;
    if (!WriteFileAtomically(settings, DemoKartSettingsText().toUtf8(), &error)) {
        setup.report = error;
        return setup;
    }
    setup.usable = true;
    return setup;
}
