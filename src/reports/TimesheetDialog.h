#pragma once

#include <QDialog>

#include "Timesheet.h"

class QComboBox;
class QLabel;
class QPrinter;
class QPushButton;
class QRadioButton;

// "Timesheet": one driver or all drivers of a session, printed through the system's
// print dialog or saved as a PDF.
class TimesheetDialog : public QDialog {
    Q_OBJECT

  public:
    // preselected_slot picks the driver offered first (0: all drivers); pdf_folder is
    // where the file dialog starts.
    TimesheetDialog(Timesheet sheet, int preselected_slot, QString pdf_folder,
                    QWidget* parent = nullptr);

    // The sheet as chosen: one driver or the whole session.
    Timesheet ChosenSheet() const;

  public slots:
    void PrintClick();
    void SavePdfClick();

  private:
    Timesheet sheet_;
    QString pdf_folder_;
    QRadioButton* one_driver_ = nullptr;
    QRadioButton* all_drivers_ = nullptr;
    QComboBox* driver_choice_ = nullptr;
    QLabel* status_ = nullptr;
};

// What the dialog says once a sheet went through the print dialog: where the file
// went when "Print to File" was chosen, else the printer's name.
QString PrintedText(const QPrinter& printer);

// Opens the dialog modally and destroys it when it closes.
void ShowTimesheetDialog(const Timesheet& sheet, int preselected_slot, const QString& pdf_folder,
                         QWidget* parent = nullptr);
