#pragma once

#include <QDate>
#include <QDialog>

class QAction;
class QCalendarWidget;
class QLabel;
class QPushButton;

// The "Select day" window: a month calendar in Polish in which the operator picks the
// day whose sessions the history browser shows.
class TFwybottyg : public QDialog {
    Q_OBJECT

  public:
    // today is marked in the calendar and reached by its "today" button.
    TFwybottyg(const QDate& initial_day, const QDate& today, QWidget* parent = nullptr);

    int result_code() const { return result_code_; }
    // The chosen day, or a null date once the operator cleared the selection.
    QDate CurrentDay() const;
    QCalendarWidget* calendar() const { return mx_calendar1_; }

  public slots:
    void Button1Click();         // "OK"
    void mxCalendar1DblClick();  // a day double-clicked
    void Action1Execute();       // Esc

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FormShow();
    void BuildNavigation();
    void BuildFooter();
    void UpdateDateLabel();
    void ClearSelection();
    void ShowSelection();

    int result_code_ = 0;
    bool selection_cleared_ = false;  // no current day until a day is chosen again
    QDate initial_day_;
    QDate today_;
    QCalendarWidget* mx_calendar1_ = nullptr;
    QLabel* date_label_ = nullptr;
    QPushButton* button1_ = nullptr;
    QAction* action1_ = nullptr;
};

// Opens the picker on initial (today marked as today) and returns the chosen day, or
// a null date when the operator cancelled.
QDate PickDay(const QDate& initial, const QDate& today, QWidget* parent = nullptr);
