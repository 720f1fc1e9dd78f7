#include "TimesheetDialog.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "TimesheetRenderer.h"

QString PrintedText(const QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        return QStringLiteral("Saved %1 (\"Print to File\": not printed)")
            .arg(QDir::toNativeSeparators(printer.outputFileName()));
    }
    return QStringLiteral("Sent to the printer %1.").arg(printer.printerName());
}

TimesheetDialog::TimesheetDialog(Timesheet sheet, int preselected_slot, QString pdf_folder,
                                 QWidget* parent)
    : QDialog(parent), sheet_(std::move(sheet)), pdf_folder_(std::move(pdf_folder)) {
    setObjectName(QStringLiteral("TimesheetDialog"));
    setWindowTitle(QStringLiteral("Timesheet"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Session %1").arg(sheet_.session_label), this));
    if (sheet_.only_fastest) {
        auto* note = new QLabel(QString::fromLatin1(kOnlyFastestNote), this);
        note->setObjectName(QStringLiteral("OnlyFastestNote"));
        layout->addWidget(note);
    }

    if (!sheet_.lap_log_skipped.isEmpty()) {
        auto* skipped = new QLabel(
            QStringLiteral("%1 of the lap log's lines could not be read and are left out.")
                .arg(sheet_.lap_log_skipped.size()),
            this);
        skipped->setObjectName(QStringLiteral("SkippedNote"));
        skipped->setToolTip(sheet_.lap_log_skipped.mid(0, 20).join(QLatin1Char('\n')));
        layout->addWidget(skipped);
    }

    auto* one_row = new QHBoxLayout();
    one_driver_ = new QRadioButton(QStringLiteral("This driver:"), this);
    one_driver_->setObjectName(QStringLiteral("OneDriver"));
    driver_choice_ = new QComboBox(this);
    driver_choice_->setObjectName(QStringLiteral("DriverChoice"));
    for (size_t i = 0; i < sheet_.drivers.size(); ++i) {
        const DriverSheet& driver = sheet_.drivers[i];
        driver_choice_->addItem(
            QStringLiteral("%1  (kart %2)").arg(driver.driver_name).arg(driver.slot), int(i));
    }
    one_row->addWidget(one_driver_);
    one_row->addWidget(driver_choice_, 1);
    layout->addLayout(one_row);
    all_drivers_ = new QRadioButton(QStringLiteral("All drivers (one page each)"), this);
    all_drivers_->setObjectName(QStringLiteral("AllDrivers"));
    layout->addWidget(all_drivers_);

    int preselected = -1;
    for (size_t i = 0; i < sheet_.drivers.size() && preselected < 0; ++i) {
        if (sheet_.drivers[i].slot == preselected_slot) {
            preselected = int(i);
        }
    }
    if (preselected >= 0) {
        driver_choice_->setCurrentIndex(preselected);
        one_driver_->setChecked(true);
    } else {
        all_drivers_->setChecked(true);
    }
    if (sheet_.drivers.empty()) {
        one_driver_->setEnabled(false);
        driver_choice_->setEnabled(false);
    }
    connect(driver_choice_, &QComboBox::activated, this, [this] { one_driver_->setChecked(true); });

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("Status"));
    layout->addWidget(status_);

    auto* buttons = new QHBoxLayout();
    auto* print = new QPushButton(QStringLiteral("Print..."), this);
    print->setObjectName(QStringLiteral("PrintButton"));
    auto* save = new QPushButton(QStringLiteral("Save PDF..."), this);
    save->setObjectName(QStringLiteral("SavePdfButton"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("CloseButton"));
    buttons->addWidget(print);
    buttons->addWidget(save);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(print, &QPushButton::clicked, this, &TimesheetDialog::PrintClick);
    connect(save, &QPushButton::clicked, this, &TimesheetDialog::SavePdfClick);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

Timesheet TimesheetDialog::ChosenSheet() const {
    if (one_driver_->isChecked() && driver_choice_->currentIndex() >= 0) {
        return OnlyDriver(sheet_, driver_choice_->currentData().toInt());
    }
    return sheet_;
}

void TimesheetDialog::PrintClick() {
    // Without a printer Qt's dialog offers only "Print to File", and a sheet that
    // went to a file must not be reported as printed.
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        QMessageBox box(QMessageBox::Information, QStringLiteral("Timesheet"),
                        QStringLiteral("No printer is set up on this computer."),
                        QMessageBox::NoButton, this);
        box.setObjectName(QStringLiteral("NoPrinter"));
        QPushButton* save =
            box.addButton(QStringLiteral("Save as PDF..."), QMessageBox::AcceptRole);
        box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(save);
        box.exec();
        if (box.clickedButton() == save) {
            SavePdfClick();
        }
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Timesheet %1").arg(sheet_.session_label));
    printer.setPageLayout(TimesheetPageLayout());
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Print timesheet"));
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    QString error;
    if (!PrintTimesheet(printer, ChosenSheet(), &error)) {
        QMessageBox::warning(this, QStringLiteral("Timesheet"), error);
        return;
    }
    status_->setText(PrintedText(printer));
}

void TimesheetDialog::SavePdfClick() {
    const Timesheet chosen = ChosenSheet();
    QString name = QStringLiteral("Timesheet %1").arg(chosen.session_label);
    if (chosen.drivers.size() == 1 && sheet_.drivers.size() > 1) {
        name += QStringLiteral(" %1").arg(chosen.drivers.front().driver_name.trimmed());
    }
    // ":" is not allowed in file names everywhere the PDF may be copied to.
    name.replace(QLatin1Char(':'), QLatin1Char('-'));
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    const QString suggested = QDir(pdf_folder_).filePath(name + QStringLiteral(".pdf"));
    // Qt's own file dialog: the same on every desktop, and answerable in tests.
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save timesheet"), suggested, QStringLiteral("PDF files (*.pdf)"),
        nullptr, QFileDialog::DontUseNativeDialog);
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!WriteTimesheetPdf(path, chosen, &error)) {
        QMessageBox::warning(this, QStringLiteral("Timesheet"), error);
        return;
    }
    status_->setText(QStringLiteral("Saved %1").arg(QDir::toNativeSeparators(path)));
}

void ShowTimesheetDialog(const Timesheet& sheet, int preselected_slot, const QString& pdf_folder,
                         QWidget* parent) {
    TimesheetDialog dialog(sheet, preselected_slot, pdf_folder, parent);
    dialog.exec();
}
