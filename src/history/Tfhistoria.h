#pragma once

#include <QDate>
#include <QDialog>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "SessionRecord.h"
#include "Timesheet.h"

class BestLapsGrid;
class QLabel;
class QPushButton;
class QTabBar;
class Station;

// The "History" window: one tab per session of a day and, for the selected tab, the
// five best laps of every kart with their gaps to the kart's fastest lap.
class Tfhistoria : public QDialog {
    Q_OBJECT

  public:
    explicit Tfhistoria(QWidget* parent = nullptr);
    ~Tfhistoria() override;

    // Fills the tabs from the day folder of shown_day under the program folder.
    // Returns an error text when that folder exists but cannot be read.
    QString LoadDaySessions(const QString& program_folder, const QDate& shown_day);
    // Fills the tabs from the window's own copy of a session table's records.
    void LoadSessions(const SessionTable& sessions);

    // The folder whose ustawienia.ini names the track on the sheets (LoadDaySessions
    // sets it too).
    void SetProgramFolder(const QString& program_folder) { program_folder_ = program_folder; }

    const SessionTable& sessions() const { return *sessions_; }
    BestLapsGrid& grid() const { return *grid_; }

  public slots:
    void TabControl1Change(int index);
    void Label78Click(int tag);
    void Button1Click();              // "Close"
    void TimesheetClick();            // "Timesheet": this driver or all drivers, print or PDF
    void LapChartClick();             // "Lap chart" of the selected session
    void ResultClick();               // "Result": the selected session ranked
    void ButtonExportSessionClick();  // "Export session CSV"
    void ButtonExportDayClick();      // "Export day CSV"

    // The window closes only through "Close": Esc and close requests are refused.
    void reject() override {}

  private:
    void FormCreate();
    void RemoveAllTabs();
    void ShowSelectedSession();
    // The selected session's record; none without a tab.
    const SessionRecord* SelectedSession() const;
    // The selected session's sheet, with the track's name; none without a tab.
    std::optional<Timesheet> SelectedTimesheet() const;

    QDate shown_day_;
    QString program_folder_;
    std::unique_ptr<SessionTable> sessions_;
    bool loading_ = false;
    QTabBar* tab_control1_ = nullptr;
    std::array<QLabel*, kSlotCount> panels_{};  // Panel4..Panel8
    std::unique_ptr<BestLapsGrid> grid_;
    QPushButton* button1_ = nullptr;
    QPushButton* timesheet_button_ = nullptr;
    QPushButton* lap_chart_button_ = nullptr;
    QPushButton* result_button_ = nullptr;
    QPushButton* button_export_session_ = nullptr;
    QPushButton* button_export_day_ = nullptr;
};

// From the launcher: the sessions of a day read from disk, modal. A day folder that
// cannot be read is reported once in a message box.
void ShowDayHistory(const QString& program_folder, const QDate& day, QWidget* parent = nullptr);

// From the session screen: today's sessions as the launcher holds them, modal.
void ShowTodaysHistory(const Station& station, QWidget* parent = nullptr);
