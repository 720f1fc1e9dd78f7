#pragma once

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
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
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty();
}

// The lap rows of a page's text: "12 00:31:00 +1:02.00", then sector times when the
// sheet has them, and an optional mark.
inline QStringList LapRows(const QString& page) {
    static const QRegularExpression row(QStringLiteral(
        "^\\d+ \\d{2,3}:\\d\\d:\\d\\d \\+[\\d:.]+( \\d[\\d:.]*){0,3}( best| top 10)?$"));
    QStringList rows;
    for (const QString& line : page.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (row.match(trimmed).hasMatch()) {
            rows << trimmed;
        }
    }
    return rows;
}

// One word of a page with its box in points, as pdftotext -bbox gives it.
struct PdfWord {
    QString text;
    double x_min = 0, y_min = 0, x_max = 0, y_max = 0;
};

// The words of every page.
inline std::vector<std::vector<PdfWord>> PdfWords(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    std::vector<std::vector<PdfWord>> pages;
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        return pages;
    }
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">"
        "([^<]*)</word>"));
    for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split('\n')) {
        if (line.contains(QLatin1String("<page "))) {
            pages.emplace_back();
        }
        const QRegularExpressionMatch m = word.match(line);
        if (m.hasMatch() && !pages.empty()) {
            pages.back().push_back({m.captured(5), m.captured(1).toDouble(),
                                    m.captured(2).toDouble(), m.captured(3).toDouble(),
                                    m.captured(4).toDouble()});
        }
    }
    return pages;
}

// Page `page` (from 1) rendered by pdftoppm at `dpi`; null when it fails.
inline QImage RenderPdfPage(const QString& pdf, int page, int dpi) {
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("page"));
    QProcess process;
    process.start(QStringLiteral("pdftoppm"),
                  {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi),
                   QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                   QString::number(page), QStringLiteral("-singlefile"), pdf, base});
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        return {};
    }
    return QImage(base + QStringLiteral(".png"));
}

// Where a rendered page has ink: the box round every pixel that is not near white.
inline QRect InkBounds(const QImage& image) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 200) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}
