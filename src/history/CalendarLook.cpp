#include "CalendarLook.h"

#include <QAbstractItemDelegate>
#include <QCalendarWidget>
#include <QPainter>
#include <QTableView>
#include <QTextCharFormat>

#include "Colour.h"
#include "ScreenWidgets.h"

namespace {

constexpr Colour kDays = 0xC0C0C0;
constexpr Colour kWeekendDays = 0x808040;
constexpr Colour kSelectedDay = 0x00FF00;
constexpr Colour kToday = 0xA2A2A2;
constexpr Colour kWeekdayRow = 0x800000;
constexpr Colour kWeekColumn = 0x808080;

// Monday first.
const char* const kWeekdayNames[] = {"Pn", "Wt", "Śr", "Cz", "Pt", "So", "N"};

// The calendar takes its weekday names from the locale, whose Polish short names
// ("pon.", "wt.", ...) are not the ones the operators know. This delegate paints the
// header row itself and hands every other cell to the calendar's own delegate.
class WeekdayHeaderDelegate : public QAbstractItemDelegate {
  public:
    WeekdayHeaderDelegate(QAbstractItemDelegate* days, QObject* parent)
        : QAbstractItemDelegate(parent), days_(days) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (index.row() != 0) {
            days_->paint(painter, option, index);
            return;
        }
        const bool week_column = index.column() == 0;
        painter->save();
        painter->fillRect(option.rect, ToQColor(week_column ? kWeekColumn : kWeekdayRow));
        painter->setPen(ToQColor(Colours::kWhite));
        painter->setFont(option.font);
        const QString text = week_column
                                 ? QStringLiteral("CW")
                                 : QString::fromUtf8(kWeekdayNames[(index.column() - 1) % 7]);
        painter->drawText(option.rect, Qt::AlignCenter, text);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return days_->sizeHint(option, index);
    }

  private:
    QAbstractItemDelegate* days_;
};

QTextCharFormat CellFormat(Colour background, Colour text) {
    QTextCharFormat format;
    format.setBackground(ToQColor(background));
    format.setForeground(ToQColor(text));
    return format;
}

}  // namespace

void ShowCalendarSelection(QCalendarWidget* calendar, bool shown) {
    auto* view = calendar->findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"));
    if (!view) {
        return;
    }
    // A selected cell is painted in the highlight colours only, so a hidden selection
    // takes the day's own colours: its weekday's, or today's where it is today.
    const QDate day = calendar->selectedDate();
    QTextCharFormat format = calendar->weekdayTextFormat(Qt::DayOfWeek(day.dayOfWeek()));
    format.merge(calendar->dateTextFormat(day));
    QPalette palette = view->palette();
    palette.setColor(QPalette::Highlight,
                     shown ? ToQColor(kSelectedDay) : format.background().color());
    palette.setColor(QPalette::HighlightedText,
                     shown ? ToQColor(Colours::kBlack) : format.foreground().color());
    view->setPalette(palette);
}

void ApplyCalendarLook(QCalendarWidget* calendar, const QDate& today) {
    calendar->setLocale(QLocale(QLocale::Polish, QLocale::Poland));
    calendar->setFirstDayOfWeek(Qt::Monday);
    calendar->setGridVisible(true);
    calendar->setVerticalHeaderFormat(QCalendarWidget::ISOWeekNumbers);
    calendar->setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
    calendar->setFont(ArialFont(16));

    // The week-number column; the weekday row is painted by the delegate.
    calendar->setHeaderTextFormat(CellFormat(kWeekColumn, Colours::kWhite));
    for (int day = Qt::Monday; day <= Qt::Sunday; ++day) {
        const bool weekend = day == Qt::Saturday || day == Qt::Sunday;
        calendar->setWeekdayTextFormat(Qt::DayOfWeek(day),
                                       weekend ? CellFormat(kWeekendDays, Colours::kWhite)
                                               : CellFormat(kDays, Colours::kBlack));
    }
    if (today.isValid()) {
        calendar->setDateTextFormat(today, CellFormat(kToday, Colours::kBlack));
    }

    if (auto* view = calendar->findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"))) {
        view->setItemDelegate(new WeekdayHeaderDelegate(view->itemDelegate(), view));
    }
    ShowCalendarSelection(calendar, true);
    // Header and footer in the window colour, not the selection colour the
    // calendar gives its navigation bar.
    if (auto* bar = calendar->findChild<QWidget*>(QStringLiteral("qt_calendar_navigationbar"))) {
        QPalette palette = bar->palette();
        palette.setColor(QPalette::Highlight, palette.color(QPalette::Window));
        palette.setColor(QPalette::HighlightedText, palette.color(QPalette::WindowText));
        bar->setPalette(palette);
    }
}
