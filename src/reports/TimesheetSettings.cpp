#include "TimesheetSettings.h"

#include <QDir>
#include <QStandardPaths>

#include "IniFile.h"

namespace {

const QString kSection = QStringLiteral("Timesheets");
const QString kTrack = QStringLiteral("Track");
const QString kAtSessionEnd = QStringLiteral("AtSessionEnd");
const QString kPdfFolder = QStringLiteral("PdfFolder");

}  // namespace

TimesheetSettings LoadTimesheetSettings(const QString& ini_path) {
    const IniFile file = IniFile::Load(ini_path);
    TimesheetSettings settings;
    settings.track = file.ReadString(kSection, kTrack, QString());
    const QString mode = file.ReadString(kSection, kAtSessionEnd, QString()).toLower();
    if (mode == QLatin1String("print")) {
        settings.at_session_end = TimesheetSettings::AtSessionEnd::kPrint;
    } else if (mode == QLatin1String("pdf")) {
        settings.at_session_end = TimesheetSettings::AtSessionEnd::kPdf;
    }
    settings.pdf_folder = file.ReadString(kSection, kPdfFolder, QString());
    return settings;
}

QString SessionEndPdfFolder(const TimesheetSettings& settings) {
    return settings.pdf_folder.isEmpty() ? TimesheetFolder() : settings.pdf_folder;
}

QString TimesheetFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}
