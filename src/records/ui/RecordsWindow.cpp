#include "RecordsWindow.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextDocument>
#include <QVBoxLayout>

#include "BestLapsChart.h"
#include "MergeWindow.h"
#include "RecordsReport.h"
#include "TimeFormat.h"
#include "TimesheetDialog.h"

namespace {

constexpr std::array<RecordPeriod, 5> kWindowPeriods = {RecordPeriod::kDay, RecordPeriod::kWeek,
                                                        RecordPeriod::kMonth, RecordPeriod::kYear,
                                                        RecordPeriod::kAll};
constexpr int kDriverTab = 5;

QTableWidget* MakeRecordsTable(const QStringList& titles, QWidget* parent) {
    auto* table = new QTableWidget(0, int(titles.size()), parent);
    table->setHorizontalHeaderLabels(titles);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

void FillRecordsTable(QTableWidget* table, const QList<QStringList>& rows) {
    table->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows.at(r).size(); ++c) {
            table->setItem(r, c, new QTableWidgetItem(rows.at(r).at(c)));
        }
    }
}

}  // namespace

RecordsWindow::RecordsWindow(const QString& program_folder, const QDate& today,
                             const QString& track, QWidget* parent)
    : QDialog(parent),
      program_folder_(program_folder),
      today_(today),
      track_(track),
      index_(std::make_unique<RecordsIndex>(program_folder)) {
    setObjectName(QStringLiteral("RecordsWindow"));
    setWindowTitle(QStringLiteral("Records"));
    resize(640, 520);
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("RecordsTabs"));
    for (size_t i = 0; i < kWindowPeriods.size(); ++i) {
        tables_[i] = MakeRecordsTable(RecordsColumnTitles(), tabs_);
        tables_[i]->setObjectName(QStringLiteral("RecordsTable%1").arg(i));
        tabs_->addTab(tables_[i], PeriodTitle(kWindowPeriods[i]));
        connect(tables_[i], &QTableWidget::cellDoubleClicked, this,
                [this, i](int row, int) { ShowDriver(rows_[i].at(size_t(row)).key); });
    }
    auto* driver_page = new QWidget(tabs_);
    auto* driver_layout = new QVBoxLayout(driver_page);
    driver_choice_ = new QComboBox(driver_page);
    driver_choice_->setObjectName(QStringLiteral("DriverChoice"));
    driver_summary_ = new QLabel(driver_page);
    driver_summary_->setObjectName(QStringLiteral("DriverSummary"));
    chart_ = new BestLapsChart(driver_page);
    chart_->setObjectName(QStringLiteral("BestLapsChart"));
    months_ = MakeRecordsTable({QStringLiteral("Month"), QStringLiteral("Best lap"), QString()},
                               driver_page);
    months_->setObjectName(QStringLiteral("MonthBests"));
    driver_layout->addWidget(driver_choice_);
    driver_layout->addWidget(driver_summary_);
    driver_layout->addWidget(chart_, 1);
    driver_layout->addWidget(months_, 1);
    tabs_->addTab(driver_page, QStringLiteral("Driver"));
    connect(driver_choice_, &QComboBox::activated, this,
            [this](int at) { ShowDriver(driver_choice_->itemData(at).toString()); });
    layout->addWidget(tabs_, 1);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("RecordsStatus"));
    layout->addWidget(status_);
    connect(tabs_, &QTabWidget::currentChanged, this, &RecordsWindow::ShowCount);
    auto* buttons = new QHBoxLayout;
    const auto add_button = [&](const QString& text, const QString& name) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(name);
        buttons->addWidget(button);
        return button;
    };
    connect(add_button(QStringLiteral("Print..."), QStringLiteral("RecordsPrint")),
            &QPushButton::clicked, this, &RecordsWindow::PrintClick);
    connect(add_button(QStringLiteral("Save as PDF..."), QStringLiteral("RecordsPdf")),
            &QPushButton::clicked, this, &RecordsWindow::SavePdfClick);
    connect(add_button(QStringLiteral("Near duplicates..."), QStringLiteral("RecordsMerge")),
            &QPushButton::clicked, this, &RecordsWindow::NearDuplicatesClick);
    buttons->addStretch(1);
    connect(add_button(QStringLiteral("Close"), QStringLiteral("RecordsClose")),
            &QPushButton::clicked, this, &QDialog::accept);
    layout->addLayout(buttons);
    Reload();
}

RecordsWindow::~RecordsWindow() = default;

void RecordsWindow::Reload() {
    for (size_t i = 0; i < kWindowPeriods.size(); ++i) {
        rows_[i] = index_->Top(kWindowPeriods[i], today_, 100);
        QList<QStringList> cells;
        for (const RecordRow& row : rows_[i]) {
            cells.append(RecordCells(row));
        }
        FillRecordsTable(tables_[i], cells);
    }
    driver_choice_->clear();
    for (const DriverName& driver : index_->Drivers()) {
        if (driver.merged_into.isEmpty()) {
            driver_choice_->addItem(driver.name, driver.key);
        }
    }
    read_error_ = index_->last_error();
    ShowCount();
    if (driver_) {
        ShowDriver(driver_->key);
    }
}

void RecordsWindow::ShowCount() {
    if (!read_error_.isEmpty()) {
        status_->setText(QStringLiteral("Records cannot be read: %1").arg(read_error_));
        return;
    }
    const int tab = tabs_->currentIndex();
    // An empty table alone looks like one that failed to load.
    if (tab >= 0 && size_t(tab) < kWindowPeriods.size() && rows_[size_t(tab)].empty()) {
        static const std::array<const char*, 5> kNoLaps = {"No laps today", "No laps this week",
                                                           "No laps this month",
                                                           "No laps this year", "No laps yet"};
        status_->setText(QLatin1String(kNoLaps[size_t(tab)]));
        return;
    }
    status_->setText(QStringLiteral("%1 drivers").arg(driver_choice_->count()));
}

void RecordsWindow::ShowDriver(const QString& key) {
    driver_ = index_->Driver(key);
    tabs_->setCurrentIndex(kDriverTab);
    if (!driver_) {
        driver_summary_->clear();
        chart_->SetDays({});
        months_->setRowCount(0);
        return;
    }
    driver_choice_->setCurrentIndex(driver_choice_->findData(driver_->key));
    driver_summary_->setText(
        QStringLiteral("Sessions driven: %1    Laps driven: %2    Best lap: %3")
            .arg(driver_->sessions)
            .arg(driver_->laps)
            .arg(FormatLapTime(quint32(driver_->best_lap))));
    chart_->SetDays(driver_->day_bests);
    QList<QStringList> cells;
    const std::vector<MonthLine> lines = MonthLines(*driver_);
    // Latest month first: the one the driver asks about.
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        cells.append({it->month, it->best_lap,
                      it->personal_best ? QStringLiteral("Personal best") : QString()});
    }
    FillRecordsTable(months_, cells);
}

QString RecordsWindow::PageHtml() const {
    const int tab = tabs_->currentIndex();
    if (tab == kDriverTab) {
        return driver_ ? DriverHtml(track_, *driver_) : QString();
    }
    return RecordsHtml(track_, PeriodTitle(kWindowPeriods[size_t(tab)]), rows_[size_t(tab)]);
}

void RecordsWindow::PrintClick() {
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        QMessageBox::information(this, QStringLiteral("Records"),
                                 QStringLiteral("No printer is set up on this computer."));
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Records"));
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    QTextDocument document;
    document.setHtml(PageHtml());
    document.print(&printer);
    status_->setText(PrintedText(printer));
}

void RecordsWindow::SavePdfClick() {
    const QString title = tabs_->tabText(tabs_->currentIndex());
    const QString suggested =
        QDir(program_folder_)
            .filePath(QStringLiteral("Records %1 %2.pdf").arg(title, today_.toString(Qt::ISODate)));
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save records"), suggested, QStringLiteral("PDF files (*.pdf)"),
        nullptr, QFileDialog::DontUseNativeDialog);
    if (path.isEmpty()) {
        return;
    }
    // Replaced only when chosen; removed first so a failed write cannot pass for the old file.
    QFile::remove(path);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    QTextDocument document;
    document.setHtml(PageHtml());
    document.print(&printer);
    if (!QFileInfo::exists(path)) {
        QMessageBox::warning(
            this, QStringLiteral("Records"),
            QStringLiteral("%1 could not be written.").arg(QDir::toNativeSeparators(path)));
        return;
    }
    status_->setText(QStringLiteral("Saved %1").arg(QDir::toNativeSeparators(path)));
}

void RecordsWindow::NearDuplicatesClick() {
    MergeWindow merges(*index_, this);
    merges.exec();
    Reload();
}

void ShowRecords(const QString& program_folder, const QDate& today, const QString& track,
                 QWidget* parent) {
    RecordsWindow window(program_folder, today, track, parent);
    window.exec();
}
