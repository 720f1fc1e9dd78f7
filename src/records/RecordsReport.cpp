#include "RecordsReport.h"

#include "TimeFormat.h"

QStringList RecordsColumnTitles() {
    return {QStringLiteral("Rank"), QStringLiteral("Driver"), QStringLiteral("Best lap"),
            QStringLiteral("Date"), QStringLiteral("Kart")};
}

QStringList RecordCells(const RecordRow& row) {
    return {QString::number(row.rank), row.name, FormatLapTime(quint32(row.best_lap)),
            row.at.toString(QStringLiteral("yyyy-MM-dd HH:mm")), QString::number(row.slot)};
}

std::vector<MonthLine> MonthLines(const DriverHistory& history) {
    std::vector<MonthLine> lines;
    qint32 best_so_far = 0;
    for (const DayBest& month : history.month_bests) {
        const bool better = best_so_far == 0 || month.best_lap < best_so_far;
        if (better) {
            best_so_far = month.best_lap;
        }
        lines.push_back({month.day.toString(QStringLiteral("yyyy-MM")),
                         FormatLapTime(quint32(month.best_lap)), better});
    }
    return lines;
}

namespace {

QString HtmlTable(const QStringList& titles, const QList<QStringList>& rows) {
    QString html = QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\"><tr>");
    for (const QString& title : titles) {
        html += QStringLiteral("<th>%1</th>").arg(title.toHtmlEscaped());
    }
    html += QStringLiteral("</tr>");
    for (const QStringList& row : rows) {
        html += QStringLiteral("<tr>");
        for (const QString& cell : row) {
            html += QStringLiteral("<td>%1</td>").arg(cell.toHtmlEscaped());
        }
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

QString Heading(const QString& track, const QString& title) {
    QString html = QStringLiteral("<html><body>");
    if (!track.trimmed().isEmpty()) {
        html += QStringLiteral("<p>%1</p>").arg(track.toHtmlEscaped());
    }
    return html + QStringLiteral("<h2>%1</h2>").arg(title.toHtmlEscaped());
}

}  // namespace

QString RecordsHtml(const QString& track, const QString& title,
                    const std::vector<RecordRow>& rows) {
    QList<QStringList> cells;
    for (const RecordRow& row : rows) {
        cells.append(RecordCells(row));
    }
    return Heading(track, QStringLiteral("Records - %1").arg(title)) +
           HtmlTable(RecordsColumnTitles(), cells) + QStringLiteral("</body></html>");
}

QString DriverHtml(const QString& track, const DriverHistory& history) {
    QList<QStringList> cells;
    for (const MonthLine& line : MonthLines(history)) {
        cells.append({line.month, line.best_lap,
                      line.personal_best ? QStringLiteral("Personal best") : QString()});
    }
    return Heading(track, history.name) +
           QStringLiteral("<p>Sessions driven: %1<br>Laps driven: %2<br>Best lap: %3</p>")
               .arg(history.sessions)
               .arg(history.laps)
               .arg(FormatLapTime(quint32(history.best_lap))) +
           HtmlTable({QStringLiteral("Month"), QStringLiteral("Best lap"), QString()}, cells) +
           QStringLiteral("</body></html>");
}
