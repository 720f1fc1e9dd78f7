#pragma once

#include <QDate>
#include <QDialog>
#include <array>
#include <memory>

#include "RecordsIndex.h"

class BestLapsChart;
class QComboBox;
class QLabel;
class QTabWidget;
class QTableWidget;

// "Records": the fastest drivers of today, this week, this month, this year and all
// time, and a driver's page; printed or saved as PDF like the timesheets. It reads
// the index the launcher keeps up to date; the index is opened for this window.
class RecordsWindow : public QDialog {
    Q_OBJECT

  public:
    RecordsWindow(const QString& program_folder, const QDate& today, const QString& track,
                  QWidget* parent = nullptr);
    ~RecordsWindow() override;

    void Reload();
    void ShowDriver(const QString& key);

  public slots:
    void PrintClick();
    void SavePdfClick();
    void NearDuplicatesClick();

  private:
    QString PageHtml() const;
    // The status line for the tab shown: the index's error, an empty period said in
    // words, or how many drivers the index knows.
    void ShowCount();

    QString program_folder_;
    QDate today_;
    QString track_;
    std::unique_ptr<RecordsIndex> index_;
    QTabWidget* tabs_ = nullptr;
    std::array<QTableWidget*, 5> tables_{};
    std::array<std::vector<RecordRow>, 5> rows_;
    QComboBox* driver_choice_ = nullptr;
    QLabel* driver_summary_ = nullptr;
    BestLapsChart* chart_ = nullptr;
    QTableWidget* months_ = nullptr;
    std::optional<DriverHistory> driver_;
    QLabel* status_ = nullptr;
    QString read_error_;
};

// Opens the window modally and destroys it when it closes.
void ShowRecords(const QString& program_folder, const QDate& today, const QString& track,
                 QWidget* parent = nullptr);
