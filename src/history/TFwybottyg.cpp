#include "TFwybottyg.h"

#include <QAction>
#include <QCalendarWidget>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include "CalendarLook.h"
#include "ScreenWidgets.h"

namespace {

QToolButton* NavigationButton(QWidget* parent, const QString& name, const QString& text,
                              const QString& hint) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setFont(ArialFont(18, true));
    return button;
}

}  // namespace

TFwybottyg::TFwybottyg(const QDate& initial_day, const QDate& today, QWidget* parent)
    : QDialog(parent), initial_day_(initial_day), today_(today) {
    setObjectName(QStringLiteral("Fwybottyg"));
    setWindowTitle(QStringLiteral("Select day"));
    // A sizeable tool window with a close box only.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    resize(716, 520);
    setSizeGripEnabled(true);

    mx_calendar1_ = new QCalendarWidget(this);
    mx_calendar1_->setObjectName(QStringLiteral("mxCalendar1"));
    mx_calendar1_->setGeometry(1, 0, 688, 409);
    if (today_.isValid()) {
        mx_calendar1_->setSelectedDate(today_);  // the calendar starts on today
    }
    ApplyCalendarLook(mx_calendar1_, today_);
    BuildNavigation();
    BuildFooter();

    button1_ = new QPushButton(QStringLiteral("OK"), this);
    button1_->setObjectName(QStringLiteral("Button1"));
    button1_->setFont(ArialFont(21));
    button1_->setGeometry(280, 416, 132, 65);
    button1_->setDefault(true);

    action1_ = new QAction(this);
    action1_->setObjectName(QStringLiteral("Action1"));
    action1_->setShortcut(QKeySequence(Qt::Key_Escape));
    addAction(action1_);

    connect(button1_, &QPushButton::clicked, this, &TFwybottyg::Button1Click);
    connect(mx_calendar1_, &QCalendarWidget::activated, this, &TFwybottyg::mxCalendar1DblClick);
    connect(mx_calendar1_, &QCalendarWidget::selectionChanged, this, &TFwybottyg::UpdateDateLabel);
    connect(action1_, &QAction::triggered, this, &TFwybottyg::Action1Execute);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void TFwybottyg::BuildNavigation() {
    auto* bar = mx_calendar1_->findChild<QWidget*>(QStringLiteral("qt_calendar_navigationbar"));
    auto* bar_layout = bar ? qobject_cast<QHBoxLayout*>(bar->layout()) : nullptr;
    if (!bar_layout) {
        return;
    }
    if (auto* previous = bar->findChild<QToolButton*>(QStringLiteral("qt_calendar_prevmonth"))) {
        previous->setToolTip(QStringLiteral("Go to previous month"));
    }
    if (auto* next = bar->findChild<QToolButton*>(QStringLiteral("qt_calendar_nextmonth"))) {
        next->setToolTip(QStringLiteral("Go to next month"));
    }
    QToolButton* previous_year =
        NavigationButton(bar, QStringLiteral("PreviousYear"), QStringLiteral("«"),
                         QStringLiteral("Go to previous year"));
    QToolButton* next_year = NavigationButton(bar, QStringLiteral("NextYear"), QStringLiteral("»"),
                                              QStringLiteral("Go to next year"));
    bar_layout->insertWidget(0, previous_year);
    bar_layout->addWidget(next_year);
    connect(previous_year, &QToolButton::clicked, mx_calendar1_,
            &QCalendarWidget::showPreviousYear);
    connect(next_year, &QToolButton::clicked, mx_calendar1_, &QCalendarWidget::showNextYear);
}

void TFwybottyg::BuildFooter() {
    auto* calendar_layout = qobject_cast<QVBoxLayout*>(mx_calendar1_->layout());
    if (!calendar_layout) {
        return;
    }
    auto* footer = new QWidget(mx_calendar1_);
    auto* layout = new QHBoxLayout(footer);
    layout->setContentsMargins(8, 4, 8, 4);
    auto* today_button = new QPushButton(QStringLiteral("Today"), footer);
    today_button->setObjectName(QStringLiteral("TodayButton"));
    today_button->setToolTip(QStringLiteral("Set date to today"));
    today_button->setEnabled(today_.isValid());
    date_label_ = new QLabel(footer);
    date_label_->setObjectName(QStringLiteral("DateLabel"));
    date_label_->setFont(ArialFont(16, true));
    auto* clear_button = new QPushButton(QStringLiteral("Clear"), footer);
    clear_button->setObjectName(QStringLiteral("ClearButton"));
    clear_button->setToolTip(QStringLiteral("Clear date selection"));
    layout->addWidget(today_button);
    layout->addWidget(clear_button);
    layout->addStretch(1);
    layout->addWidget(date_label_);
    calendar_layout->addWidget(footer);
    connect(today_button, &QPushButton::clicked, this, [this] {
        mx_calendar1_->setSelectedDate(today_);
        mx_calendar1_->setCurrentPage(today_.year(), today_.month());
        ShowSelection();
    });
    connect(clear_button, &QPushButton::clicked, this, &TFwybottyg::ClearSelection);
    // A click on a day, the day already selected included, chooses it again.
    connect(mx_calendar1_, &QCalendarWidget::clicked, this, &TFwybottyg::ShowSelection);
    connect(mx_calendar1_, &QCalendarWidget::selectionChanged, this, &TFwybottyg::ShowSelection);
    UpdateDateLabel();
}

void TFwybottyg::UpdateDateLabel() {
    if (!date_label_) {
        return;
    }
    const QDate day = CurrentDay();
    date_label_->setText(day.toString(QStringLiteral("dd.MM.yyyy")));
    date_label_->setToolTip(day.isValid() && day == today_ ? QStringLiteral("This date is today")
                                                           : QString());
}

void TFwybottyg::ClearSelection() {
    selection_cleared_ = true;
    ShowCalendarSelection(mx_calendar1_, false);
    UpdateDateLabel();
}

void TFwybottyg::ShowSelection() {
    if (!selection_cleared_) {
        return;
    }
    selection_cleared_ = false;
    ShowCalendarSelection(mx_calendar1_, true);
    UpdateDateLabel();
}

QDate TFwybottyg::CurrentDay() const {
    return selection_cleared_ ? QDate() : mx_calendar1_->selectedDate();
}

void TFwybottyg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TFwybottyg::FormShow() {
    if (!initial_day_.isValid()) {
        return;
    }
    mx_calendar1_->setSelectedDate(initial_day_);
    mx_calendar1_->setCurrentPage(initial_day_.year(), initial_day_.month());
    ShowSelection();
}

void TFwybottyg::Button1Click() {
    result_code_ = 1;
    accept();
}

void TFwybottyg::mxCalendar1DblClick() {
    result_code_ = 1;
    accept();
}

void TFwybottyg::Action1Execute() {
    result_code_ = 0;
    reject();
}

QDate PickDay(const QDate& initial, const QDate& today, QWidget* parent) {
    TFwybottyg picker(initial, today, parent);
    picker.exec();
    return picker.result_code() == 1 ? picker.CurrentDay() : QDate();
}
