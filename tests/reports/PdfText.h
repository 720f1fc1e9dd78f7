#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <vector>

// The text of a PDF as pdftotext reads it, in the order it was drawn (-raw); pages
// are separated by form feeds. Empty when pdftotext is missing or fails.
inline QString PdfText(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), QStringLiteral("-enc"),
                                                QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

inline bool HavePdfToText() {
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

// The lap rows of a page's text: "12 00:31:00 +01:00" with an optional mark.
inline QStringList LapRows(const QString& page) {
    static const QRegularExpression row(
        QStringLiteral("^\\d+ \\d{2,3}:\\d\\d:\\d\\d \\+\\d\\d:\\d\\d( best| top 10)?$"));
    QStringList rows;
    for (const QString& line : page.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (row.match(trimmed).hasMatch()) {
            rows << trimmed;
        }
    }
    return rows;
}
