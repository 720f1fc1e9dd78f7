#include "LapCsvExport.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "CsvExport.h"
#include "DaySessions.h"
#include "IniFile.h"

QString SuggestedCsvName(const QString& base, bool ten_fastest_only) {
    return QFileInfo(base).completeBaseName() +
           (ten_fastest_only ? QStringLiteral("-ten-fastest.csv") : QStringLiteral("-laps.csv"));
}

namespace {

void SaveExport(const std::vector<ExportSession>& exported, const QStringList& skipped,
                const QString& suggested_name, QWidget* parent) {
    if (exported.empty()) {
        QMessageBox::information(parent, QStringLiteral("History"),
                                 QStringLiteral("There is no session to export."));
        return;
    }
    const ExportCount counted = CountExport(exported);
    QString name = suggested_name;
    if (counted.ten_fastest_only == int(exported.size())) {
        name = SuggestedCsvName(name, true);
    }
    const QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("Export laps as CSV"),
                                                      QDir::home().filePath(name),
                                                      QStringLiteral("CSV files (*.csv)"));
    if (path.isEmpty()) {
        return;
    }
    QString error;
    const csv::ExportFormat format = csv::StationExportFormat();
    if (!WriteFileAtomically(path, ExportLapsCsv(exported, format), &error)) {
        QMessageBox::warning(parent, QStringLiteral("History"), error);
        return;
    }
    QString text = QStringLiteral("%1 laps of %2 sessions written to %3.")
                       .arg(counted.laps)
                       .arg(exported.size())
                       .arg(QDir::toNativeSeparators(path));
    text += QStringLiteral(
                "\nDecimal separator \"%1\", fields separated by \"%2\", as "
                "spreadsheets in this computer's language read them.")
                .arg(QLatin1Char(format.decimal))
                .arg(QLatin1Char(format.separator));
    if (counted.ten_fastest_only > 0) {
        text += QStringLiteral(
                    "\n\n%1 of the sessions have no lap log: only their ten fastest "
                    "laps per kart are in the file (source \"ten fastest only\").")
                    .arg(counted.ten_fastest_only);
    }
    if (!skipped.isEmpty()) {
        text += QStringLiteral("\n\nLines of lap logs that could not be read:\n") +
                skipped.mid(0, 5).join(QLatin1Char('\n'));
    }
    QMessageBox::information(parent, QStringLiteral("History"), text);
}

}  // namespace

void ExportSessionCsv(const SessionRecord& record, QWidget* parent) {
    const ExportSession session = ExportSessionOf(record);
    QStringList skipped;
    for (const QString& line : session.log.skipped) {
        skipped.append(session.label + QStringLiteral(", ") + line);
    }
    SaveExport({session}, skipped, SuggestedCsvName(record.file_path, false), parent);
}

void ExportDayCsv(const QString& day_folder, QWidget* parent) {
    const DaySessions day = LoadDaySessionsForExport(day_folder);
    if (!day.error.isEmpty()) {
        QMessageBox::warning(parent, QStringLiteral("History"), day.error);
        return;
    }
    SaveExport(day.sessions, day.skipped,
               SuggestedCsvName(QFileInfo(day_folder).fileName() + QStringLiteral(".txt"), false),
               parent);
}
