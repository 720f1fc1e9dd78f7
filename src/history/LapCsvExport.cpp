#include "LapCsvExport.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "CsvExport.h"
#include "IniFile.h"
#include "LapLogFormat.h"
#include "SessionFile.h"

QString SuggestedCsvName(const QString& base, bool ten_fastest_only) {
    return QFileInfo(base).completeBaseName() +
           (ten_fastest_only ? QStringLiteral("-ten-fastest.csv") : QStringLiteral("-laps.csv"));
}

void ExportSessionsCsv(const SessionTable& sessions, int first, int count,
                       const QString& suggested_name, QWidget* parent) {
    std::vector<ExportSession> exported;
    QStringList skipped;
    for (int r = first; r < first + count && r >= 0 && r < sessions.count; ++r) {
        const SessionRecord& record = sessions.records[size_t(r)];
        ExportSession session;
        const QString name = QFileInfo(record.file_path).fileName();
        session.label = SessionLabel(name).isEmpty() ? name : SessionLabel(name);
        session.record = &record;
        if (!record.file_path.isEmpty()) {
            session.log = ReadLapLog(LapLogPathFor(record.file_path));
        }
        for (const QString& line : session.log.skipped) {
            skipped.append(session.label + QStringLiteral(", ") + line);
        }
        exported.push_back(std::move(session));
    }
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
    if (!WriteFileAtomically(path, ExportLapsCsv(exported), &error)) {
        QMessageBox::warning(parent, QStringLiteral("History"), error);
        return;
    }
    QString text = QStringLiteral("%1 laps of %2 sessions written to %3.")
                       .arg(counted.laps)
                       .arg(exported.size())
                       .arg(QDir::toNativeSeparators(path));
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
