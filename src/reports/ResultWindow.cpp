#include "ResultWindow.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "IniFile.h"
#include "ReportFormat.h"
#include "ResultCsv.h"
#include "SessionResult.h"
#include "TimeFormat.h"
#include "TimesheetSettings.h"

namespace {

const QStringList kHeads = {
    QStringLiteral("Pos"),  QStringLiteral("Kart"),     QStringLiteral("Driver"),
    QStringLiteral("Laps"), QStringLiteral("Best lap"), QStringLiteral("On lap"),
    QStringLiteral("Gap"),  QStringLiteral("Interval"), QStringLiteral("Timing")};

QTableWidgetItem* Cell(const QString& text, bool number) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled);
    item->setTextAlignment((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    return item;
}

}  // namespace

ResultWindow::ResultWindow(Timesheet sheet, QWidget* parent)
    : QDialog(parent), sheet_(std::move(sheet)) {
    setObjectName(QStringLiteral("ResultWindow"));
    setWindowTitle(QStringLiteral("Result %1").arg(sheet_.session_label));
    resize(900, 420);

    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(
        (sheet_.run_result.size() >= 2 ? QStringLiteral("Session %1")
                                       : QStringLiteral("Session %1: drivers ranked by best lap"))
            .arg(sheet_.session_label),
        this);
    QFont title_font = title->font();
    title_font.setPixelSize(18);
    title_font.setBold(true);
    title->setFont(title_font);
    layout->addWidget(title);
    if (sheet_.only_fastest) {
        auto* note = new QLabel(
            QString::fromLatin1(kOnlyFastestNote) + QStringLiteral(" Laps counts only those."),
            this);
        note->setObjectName(QStringLiteral("OnlyFastestNote"));
        layout->addWidget(note);
    }

    if (sheet_.run_result.size() >= 2) {
        // The session ran under a format: its own result first, as it was filed.
        auto* heading = new QLabel(QStringLiteral("Result of the session format"), this);
        heading->setFont(title_font);
        layout->addWidget(heading);
        const QList<QStringList>& result = sheet_.run_result;
        auto* run_table =
            new QTableWidget(int(result.size() - 1), int(result.first().size()), this);
        run_table->setObjectName(QStringLiteral("RunResultTable"));
        run_table->setHorizontalHeaderLabels(result.first());
        run_table->verticalHeader()->hide();
        run_table->setSelectionMode(QAbstractItemView::NoSelection);
        run_table->setFocusPolicy(Qt::NoFocus);
        for (int r = 1; r < int(result.size()); ++r) {
            for (int c = 0; c < int(result.at(r).size()) && c < run_table->columnCount(); ++c) {
                run_table->setItem(r - 1, c, Cell(result.at(r).at(c), c != 2));
            }
        }
        run_table->resizeColumnsToContents();
        layout->addWidget(run_table, 1);
        auto* by_best = new QLabel(QStringLiteral("Drivers ranked by best lap"), this);
        by_best->setFont(title_font);
        layout->addWidget(by_best);
    }

    const std::vector<ResultRow> rows = RankSession(sheet_);
    table_ = new QTableWidget(int(rows.size()), int(kHeads.size()), this);
    table_->setObjectName(QStringLiteral("ResultTable"));
    table_->setHorizontalHeaderLabels(kHeads);
    table_->verticalHeader()->hide();
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setFocusPolicy(Qt::NoFocus);  // no current-cell frame on a table only read
    QFont font = table_->font();
    font.setPixelSize(16);
    table_->setFont(font);
    for (int r = 0; r < int(rows.size()); ++r) {
        const ResultRow& row = rows[size_t(r)];
        const bool first = row.position == 1;
        table_->setItem(r, 0, Cell(QString::number(row.position), true));
        table_->setItem(r, 1, Cell(QString::number(row.slot), true));
        table_->setItem(r, 2, Cell(row.driver_name, false));
        table_->setItem(r, 3, Cell(QString::number(row.laps), true));
        table_->setItem(r, 4, Cell(FormatLapTime(quint32(row.best)), true));
        table_->setItem(r, 5, Cell(QString::number(row.best_lap_number), true));
        table_->setItem(
            r, 6, Cell(first ? QStringLiteral("-") : FormatFullGap(row.gap_to_fastest), true));
        table_->setItem(r, 7,
                        Cell(first ? QStringLiteral("-") : FormatFullGap(row.gap_to_ahead), true));
        table_->setItem(
            r, 8,
            Cell(row.hand_timed ? QStringLiteral("hand-timed") : QStringLiteral("radio"), false));
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table_, 1);
    if (rows.empty()) {
        auto* none = new QLabel(QStringLiteral("No laps in this session."), this);
        none->setObjectName(QStringLiteral("NoLaps"));
        layout->addWidget(none);
    }

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("Status"));
    layout->addWidget(status_);

    auto* buttons = new QHBoxLayout();
    auto* save = new QPushButton(QStringLiteral("Save CSV..."), this);
    save->setObjectName(QStringLiteral("SaveCsvButton"));
    save->setEnabled(!rows.empty());
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("CloseButton"));
    buttons->addWidget(save);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(save, &QPushButton::clicked, this, &ResultWindow::SaveCsvClick);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

void ResultWindow::SaveCsvClick() {
    QString name = QStringLiteral("Result %1.csv").arg(sheet_.session_label);
    name.replace(QLatin1Char(':'), QLatin1Char('-'));
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save result"), QDir(TimesheetFolder()).filePath(name),
        QStringLiteral("CSV files (*.csv)"), nullptr, QFileDialog::DontUseNativeDialog);
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!WriteFileAtomically(path, ExportResultCsv(sheet_), &error)) {
        QMessageBox::warning(this, QStringLiteral("Result"), error);
        return;
    }
    status_->setText(QStringLiteral("Saved %1").arg(QDir::toNativeSeparators(path)));
}

void ShowSessionResult(const Timesheet& sheet, QWidget* parent) {
    ResultWindow window(sheet, parent);
    window.exec();
}
