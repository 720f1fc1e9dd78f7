#include "SessionEndPrintouts.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTimer>

#include "SessionTimesheet.h"
#include "TimesheetRenderer.h"

namespace {

// "2012-05-31 14-05 kart 1 Kowalski.pdf": characters no file system takes become '-'.
QString PdfName(const Timesheet& sheet, const DriverSheet& driver) {
    QString name = QStringLiteral("%1 kart %2 %3")
                       .arg(sheet.session_label)
                       .arg(driver.slot)
                       .arg(driver.driver_name.trimmed());
    for (QChar& ch : name) {
        if (ch.unicode() < 0x20 || QStringLiteral(":/\\*?\"<>|").contains(ch)) {
            ch = QLatin1Char('-');
        }
    }
    return name.trimmed() + QStringLiteral(".pdf");
}

QString SavePdfs(const Timesheet& sheet, const QString& folder, PrintoutOutcome* outcome) {
    if (!QDir().mkpath(folder)) {
        return QStringLiteral("The folder %1 cannot be created.")
            .arg(QDir::toNativeSeparators(folder));
    }
    for (size_t i = 0; i < sheet.drivers.size(); ++i) {
        const QString path = QDir(folder).filePath(PdfName(sheet, sheet.drivers[i]));
        QString error;
        if (!WriteTimesheetPdf(path, OnlyDriver(sheet, int(i)), &error)) {
            return error;
        }
        outcome->files << path;
        ++outcome->sheets;
    }
    return QString();
}

QString PrintSheets(const Timesheet& sheet, PrintoutOutcome* outcome) {
    const QPrinterInfo printer_info = QPrinterInfo::defaultPrinter();
    if (printer_info.isNull()) {
        return QStringLiteral("No default printer is set up on this computer.");
    }
    for (size_t i = 0; i < sheet.drivers.size(); ++i) {
        // One job per driver: each driver takes a sheet home.
        QPrinter printer(printer_info, QPrinter::HighResolution);
        printer.setDocName(QStringLiteral("Timesheet %1 %2")
                               .arg(sheet.session_label, sheet.drivers[i].driver_name.trimmed()));
        QString error;
        if (!PrintTimesheet(printer, OnlyDriver(sheet, int(i)), &error)) {
            return QStringLiteral("%1: %2").arg(printer_info.printerName(), error);
        }
        ++outcome->sheets;
    }
    return QString();
}

}  // namespace

PrintoutOutcome PrintSessionSheets(const TimesheetSettings& settings, const QString& session_file) {
    PrintoutOutcome outcome;
    if (settings.at_session_end == TimesheetSettings::AtSessionEnd::kOff) {
        return outcome;
    }
    Timesheet sheet;
    if (!LoadSessionFileTimesheet(session_file, settings.track, &sheet, &outcome.failure)) {
        return outcome;
    }
    outcome.failure = settings.at_session_end == TimesheetSettings::AtSessionEnd::kPdf
                          ? SavePdfs(sheet, SessionEndPdfFolder(settings), &outcome)
                          : PrintSheets(sheet, &outcome);
    return outcome;
}

void QueueSessionEndPrintouts(const QString& settings_path, const QString& session_file,
                              QWidget* message_parent) {
    const TimesheetSettings settings = LoadTimesheetSettings(settings_path);
    if (settings.at_session_end == TimesheetSettings::AtSessionEnd::kOff) {
        return;
    }
    QPointer<QWidget> parent = message_parent;
    QTimer::singleShot(0, message_parent, [settings, session_file, parent] {
        const PrintoutOutcome outcome = PrintSessionSheets(settings, session_file);
        if (outcome.failure.isEmpty() || parent.isNull()) {
            return;
        }
        auto* box = new QMessageBox(
            QMessageBox::Warning, QStringLiteral("RUVOTimer"),
            QStringLiteral("The timesheets of the session that just ended did not all go out "
                           "(%1 of them did). Print them from \"History\".\n\n%2")
                .arg(outcome.sheets)
                .arg(outcome.failure),
            QMessageBox::Ok, parent);
        box->setObjectName(QStringLiteral("SessionEndPrintoutFailure"));
        box->setModal(false);
        box->setAttribute(Qt::WA_DeleteOnClose);
        // The operator may be typing in the next session: the box must not take the keys.
        box->setAttribute(Qt::WA_ShowWithoutActivating);
        box->setWindowFlag(Qt::WindowDoesNotAcceptFocus);
        box->show();
    });
}
