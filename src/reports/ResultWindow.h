#pragma once

#include <QDialog>

#include "Timesheet.h"

class QLabel;
class QTableWidget;

// The "Result" view of a session: the drivers ranked by best lap, with gaps to the
// fastest and to the driver ahead, laps completed, best lap and the lap it was set
// on, hand-timed drivers marked; "Save CSV..." writes the same as CSV.
class ResultWindow : public QDialog {
    Q_OBJECT

  public:
    explicit ResultWindow(Timesheet sheet, QWidget* parent = nullptr);

    QTableWidget& table() const { return *table_; }

  public slots:
    void SaveCsvClick();

  private:
    Timesheet sheet_;
    QTableWidget* table_ = nullptr;
    QLabel* status_ = nullptr;
};

// Opens the result of a session modally and destroys it when it closes.
void ShowSessionResult(const Timesheet& sheet, QWidget* parent = nullptr);
