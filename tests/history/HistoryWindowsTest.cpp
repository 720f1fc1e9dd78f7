#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "BestLapsGrid.h"
#include "FakeClock.h"
#include "MarkupCheck.h"
#include "SessionFile.h"
#include "Station.h"
#include "TFwybottyg.h"
#include "TempFolder.h"
#include "Tfhistoria.h"
#include "Tfszczegoly.h"

namespace {

// Polls for the modal window that the code under test opens and hands it to
// `answer` once; answer must close it. opened() tells whether one appeared. The
// polling stops with the object, so an unanswered wait cannot leak into a later test.
class ModalAnswer {
  public:
    explicit ModalAnswer(std::function<void(QWidget*)> answer) : answer_(std::move(answer)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible()) {
                return;
            }
            timer_.stop();
            opened_ = true;
            answer_(modal);
        });
        timer_.start();
    }
    bool opened() const { return opened_; }

  private:
    std::function<void(QWidget*)> answer_;
    QTimer timer_;
    bool opened_ = false;
};

// With RUVO_SCREENSHOTS set, saves the window there as <name>.png.
void SaveShot(QWidget* window, const char* name) {
    const QString folder = qEnvironmentVariable("RUVO_SCREENSHOTS");
    if (!folder.isEmpty()) {
        window->grab().save(folder + "/" + QString::fromLatin1(name) + ".png");
    }
}

QString Text(QWidget* window, const char* name) {
    auto* label = window->findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<missing %1>").arg(name);
}

QByteArray SessionFile(const QString& name1, std::initializer_list<std::array<int, 4>> laps) {
    FakeClock clock;
    Station station(clock, "/unused/");
    station.slot(1).driver_name = name1;
    station.slot(2).driver_name = QStringLiteral("Nowak");
    station.slot(3).driver_name = QStringLiteral("Wiśniewska");
    // Other karts' laps, so a column can never show another column's values.
    const qint32 others[3][2] = {{6410, 6190}, {6555, 6288}, {6702, 0}};
    for (int j = 1; j <= 3; ++j) {
        station.slot(2).lap(j) = {others[j - 1][0], "", 10 + j, 11000, 7000};
        station.slot(3).lap(j) = {others[j - 1][1], "", 20 + j, 11500, 7100};
    }
    int j = 1;
    for (const auto& lap : laps) {
        station.slot(1).lap(j++) = {lap[0], "", lap[1], lap[2], lap[3]};
    }
    return SessionFileText(station).toUtf8();
}

class HistoryWindowTest : public ::testing::Test {
  protected:
    void WriteDay() {
        folder_.Write("Sessions/2012_05_31/2012_05_31_15_40.txt",
                      SessionFile("Third", {{5000, 2, 1, 1}, {12500, 9, 1, 1}}));
        folder_.Write("Sessions/2012_05_31/2012_05_31_09_12.txt",
                      SessionFile("First", {{6233, 7, 11850, 7420}, {6301, 3, 11790, 7380}}));
        folder_.Write("Sessions/2012_05_31/2012_05_31_11_03.txt",
                      "[Ustawienia]\r\nNAZWA_1=Bare\r\n");
    }

    TempFolder folder_;
};

}  // namespace

TEST_F(HistoryWindowTest, DayShowsOneTabPerFileInTimeOrderAndTheFirstSession) {
    WriteDay();
    Tfhistoria window;
    EXPECT_TRUE(window.LoadDaySessions(folder_.path(), QDate(2012, 5, 31)).isEmpty());
    window.show();
    auto* tabs = window.findChild<QTabBar*>("TabControl1");
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), "2012-05-31 09:12");
    EXPECT_EQ(tabs->tabText(1), "2012-05-31 11:03");
    EXPECT_EQ(tabs->tabText(2), "2012-05-31 15:40");
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(window.sessions().records[2].title, "2012_05_31_15_40.txt");
    EXPECT_EQ(window.windowTitle(), "History");
    EXPECT_TRUE(window.windowState() & Qt::WindowMaximized);

    EXPECT_EQ(Text(&window, "Panel4"), "First");
    EXPECT_EQ(Text(&window, "Panel5"), "Nowak");
    EXPECT_EQ(Text(&window, "Label78"), "L:07");
    EXPECT_EQ(Text(&window, "Label21"), "01:02:33");
    EXPECT_EQ(Text(&window, "Label22"), "+00:00");
    EXPECT_EQ(Text(&window, "Label79"), "L:03");
    EXPECT_EQ(Text(&window, "Label31"), "01:03:01");
    EXPECT_EQ(Text(&window, "Label32"), "+00:68");
    // An entry without a lap: its stored texts, and no gap.
    EXPECT_EQ(Text(&window, "Label41"), "00:00:00");
    EXPECT_EQ(Text(&window, "Label80"), "L:00");
    EXPECT_EQ(Text(&window, "Label42"), "--:--");
    EXPECT_EQ(window.grid().Gap(1, 2)->width(), 169);
    EXPECT_EQ(Text(&window, "Panel6"), "Wiśniewska");
    EXPECT_EQ(Text(&window, "Label83"), "L:11");  // column 2, row 1
    EXPECT_EQ(Text(&window, "Label24"), "01:04:10");
    EXPECT_EQ(Text(&window, "Label23"), "+00:00");
    EXPECT_EQ(Text(&window, "Label34"), "01:05:55");  // column 2, row 2
    EXPECT_EQ(Text(&window, "Label33"), "+01:45");
    EXPECT_EQ(Text(&window, "Label46"), "--:--");  // column 3, row 3: no lap
    SaveShot(&window, "history");

    tabs->setCurrentIndex(2);
    EXPECT_EQ(Text(&window, "Panel4"), "Third");
    EXPECT_EQ(Text(&window, "Label32"), "+15:00");  // 75.00 s: seconds only

    tabs->setCurrentIndex(1);  // a file with missing keys
    EXPECT_EQ(Text(&window, "Panel4"), "Bare");
    EXPECT_EQ(Text(&window, "Panel5"), "");
    EXPECT_EQ(Text(&window, "Label21"), "--:--:--");
    EXPECT_EQ(Text(&window, "Label78"), "L:00");
    // Gaps from time 0: a kart without laps is 0 behind its missing fastest lap.
    EXPECT_EQ(Text(&window, "Label22"), "+00:00");
    EXPECT_EQ(Text(&window, "Label32"), "+00:00");
}

TEST_F(HistoryWindowTest, DayWithoutSessionsKeepsTheDesignTextsAndIgnoresClicks) {
    Tfhistoria window;
    EXPECT_TRUE(window.LoadDaySessions(folder_.path(), QDate(2012, 5, 31)).isEmpty());
    window.show();
    EXPECT_EQ(window.findChild<QTabBar*>("TabControl1")->count(), 0);
    EXPECT_EQ(Text(&window, "Label78"), "L--");
    EXPECT_EQ(Text(&window, "Label22"), "--:--");
    EXPECT_EQ(Text(&window, "Panel4"), "");

    const ModalAnswer opened([](QWidget* modal) { modal->close(); });
    QTest::mouseClick(window.grid().Gap(3, 2), Qt::LeftButton);
    QTest::qWait(30);
    EXPECT_FALSE(opened.opened());
}

TEST_F(HistoryWindowTest, CrowdedDayShowsItsHundredMostRecentSessions) {
    for (int i = 0; i < 150; ++i) {
        folder_.Write(QStringLiteral("Sessions/2012_05_31/2012_05_31_%1_%2.txt")
                          .arg(i / 60 + 10)
                          .arg(i % 60, 2, 10, QLatin1Char('0')),
                      QStringLiteral("[Ustawienia]\r\nNAZWA_1=K%1\r\n").arg(i).toUtf8());
    }
    Tfhistoria window;
    window.LoadDaySessions(folder_.path(), QDate(2012, 5, 31));
    auto* tabs = window.findChild<QTabBar*>("TabControl1");
    ASSERT_EQ(tabs->count(), 100);
    EXPECT_EQ(tabs->tabText(0), "2012-05-31 10:50");
    EXPECT_EQ(tabs->tabText(99), "2012-05-31 12:29");
    EXPECT_EQ(Text(&window, "Panel4"), "K50");
    tabs->setCurrentIndex(99);
    EXPECT_EQ(Text(&window, "Panel4"), "K149");
}

TEST_F(HistoryWindowTest, ClickOnALabelOpensThatLapOfTheSelectedSession) {
    WriteDay();
    Tfhistoria window;
    window.LoadDaySessions(folder_.path(), QDate(2012, 5, 31));
    window.show();
    QString caption, lap_number, lap_time, gap, rpm_max;
    const ModalAnswer opened([&](QWidget* modal) {
        caption = modal->windowTitle();
        lap_number = Text(modal, "Label79");
        lap_time = Text(modal, "Label31");
        gap = Text(modal, "Label32");
        rpm_max = Text(modal, "Label3");
        QTest::mouseClick(modal->findChild<QPushButton*>("Button1"), Qt::LeftButton);
    });
    QTest::mouseClick(window.grid().Gap(1, 2), Qt::LeftButton);  // tag 12
    ASSERT_TRUE(opened.opened());
    EXPECT_EQ(caption, "First");
    EXPECT_EQ(lap_number, "L:03");
    EXPECT_EQ(lap_time, "01:03:01");
    EXPECT_EQ(gap, "+00:68");
    EXPECT_EQ(rpm_max, "11790");
}

TEST_F(HistoryWindowTest, NamesAndLapTextsFromTheFileAreShownAsStoredNotAsMarkup) {
    folder_.Write("Sessions/2012_05_31/2012_05_31_10_00.txt",
                  "[Ustawienia]\r\nNAZWA_1=<u>Ola</u> Wojcik\r\nNAZWA_2=<img src=x>\r\n"
                  "LAPS_1_1=<b>01:02:33</b>\r\nLAPNR_1_1=4\r\nLAPSINT_1_1=6233\r\n");
    Tfhistoria window;
    window.LoadDaySessions(folder_.path(), QDate(2012, 5, 31));
    window.show();
    EXPECT_EQ(Text(&window, "Panel4"), "<u>Ola</u> Wojcik");
    EXPECT_EQ(Text(&window, "Panel5"), "<img src=x>");
    EXPECT_EQ(Text(&window, "Label21"), "<b>01:02:33</b>");
    EXPECT_EQ(LabelsReadingMarkup(window), QStringList());

    QStringList details;
    const ModalAnswer opened([&](QWidget* modal) {
        details = LabelsReadingMarkup(*modal);
        QTest::mouseClick(modal->findChild<QPushButton*>("Button1"), Qt::LeftButton);
    });
    QTest::mouseClick(window.grid().LapTime(1, 1), Qt::LeftButton);
    ASSERT_TRUE(opened.opened());
    EXPECT_EQ(details, QStringList());
}

TEST_F(HistoryWindowTest, AClickOnALaterTabThenOnALapOpensThatSessionsLap) {
    WriteDay();
    Tfhistoria window;
    window.LoadDaySessions(folder_.path(), QDate(2012, 5, 31));
    window.show();
    auto* tabs = window.findChild<QTabBar*>("TabControl1");
    ASSERT_EQ(tabs->count(), 3);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
    ASSERT_EQ(tabs->currentIndex(), 2);
    QStringList seen;
    const ModalAnswer opened([&](QWidget* modal) {
        seen << modal->windowTitle();
        for (const char* name : {"Label79", "Label31", "Label32", "Label3"}) {
            seen << Text(modal, name);
        }
        QTest::mouseClick(modal->findChild<QPushButton*>("Button1"), Qt::LeftButton);
    });
    QTest::mouseClick(window.grid().Gap(1, 2), Qt::LeftButton);
    ASSERT_TRUE(opened.opened());
    // The 15:40 session's second lap of kart 1: 125.00 s, 75.00 s behind its best.
    EXPECT_EQ(seen, QStringList({"Third", "L:09", "02:05:00", "+15:00", "1"}));
}

TEST_F(HistoryWindowTest, TodaysHistoryShowsItsOwnCopyOfTheLaunchersList) {
    FakeClock clock;
    Station station(clock, folder_.path());
    station.sessions.count = 2;
    station.sessions.records[0].title = "1 : 2012-05-31 09:12";
    station.sessions.records[0].kart(3).driver_name = QStringLiteral("Ola");
    station.sessions.records[1].title = "2 : 2012-05-31 15:40";
    station.sessions.records[2].title = "left over from an earlier day";

    Tfhistoria window;
    window.LoadSessions(station.sessions);
    station.sessions.records[0].kart(3).driver_name = QStringLiteral("changed");
    auto* tabs = window.findChild<QTabBar*>("TabControl1");
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), "1 : 2012-05-31 09:12");
    EXPECT_EQ(tabs->tabText(1), "2 : 2012-05-31 15:40");
    EXPECT_EQ(window.sessions().records[0].kart(3).driver_name.str(), "Ola");
    EXPECT_EQ(Text(&window, "Panel6"), "Ola");

    // The entry function runs modally and ends with "Close".
    const ModalAnswer opened([](QWidget* modal) {
        EXPECT_EQ(modal->findChild<QTabBar*>("TabControl1")->count(), 2);
        modal->close();  // refused: only "Close" ends the window
        EXPECT_TRUE(modal->isVisible());
        QTest::mouseClick(modal->findChild<QPushButton*>("Button1"), Qt::LeftButton);
    });
    ShowTodaysHistory(station);
    EXPECT_TRUE(opened.opened());
}

TEST_F(HistoryWindowTest, UnreadableDayIsReportedOnceAndStillOpens) {
    folder_.Write("Sessions", "a file where the folder should be");
    int boxes = 0;
    int histories = 0;
    // The message box comes first, over the history window; then the window itself.
    std::unique_ptr<ModalAnswer> history_answer;
    const ModalAnswer box_answer([&](QWidget* modal) {
        if (qobject_cast<Tfhistoria*>(modal)) {
            ++histories;
            QTest::mouseClick(modal->findChild<QPushButton*>("Button1"), Qt::LeftButton);
            return;
        }
        ++boxes;
        history_answer = std::make_unique<ModalAnswer>([&](QWidget* window) {
            histories += qobject_cast<Tfhistoria*>(window) ? 1 : 100;
            QTest::mouseClick(window->findChild<QPushButton*>("Button1"), Qt::LeftButton);
        });
        modal->close();
    });
    ShowDayHistory(folder_.path(), QDate(2012, 5, 31));
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(histories, 1);
}

TEST(LapDetails, ShowsTheEntryOfTheLiveSlot) {
    FakeClock clock;
    Station station(clock, "/unused/");
    KartSlot& kart = station.slot(4);
    kart.driver_name = QStringLiteral("Kowalski");
    kart.lap(1) = {6233, "", 7, 11850, 7420};
    kart.lap(2) = {6301, "", 123, 11790, 7380};

    struct Case {
        int row;
        const char* number;
        const char* time;
        const char* gap;
        const char* rpm_max;
        const char* rpm_min;
    };
    const Case cases[] = {{1, "L:07", "01:02:33", "+00:00", "11850", "7420"},
                          {2, "L:123", "01:03:01", "+00:68", "11790", "7380"},
                          {3, "L:00", "00:00:00", "--:--", "0", "0"}};
    for (const Case& c : cases) {
        QStringList seen;
        const ModalAnswer opened([&](QWidget* modal) {
            seen << modal->windowTitle();
            for (const char* name : {"Label79", "Label31", "Label32", "Label3", "Label4"}) {
                seen << Text(modal, name);
            }
            if (c.row == 1) {
                SaveShot(modal, "lap-details");
            }
            QTest::mouseClick(modal->findChild<QPushButton*>("Button1"), Qt::LeftButton);
        });
        ShowLapDetails(station, 4, c.row);
        ASSERT_TRUE(opened.opened()) << c.row;
        EXPECT_EQ(seen, QStringList({"Kowalski", c.number, c.time, c.gap, c.rpm_max, c.rpm_min}));
    }

    // Slots outside 1..5 open nothing.
    const ModalAnswer opened([](QWidget* modal) { modal->close(); });
    ShowLapDetails(station, 6, 1);
    ShowStoredLapDetails(SessionRecord(), 0, 1);
    QTest::qWait(20);
    EXPECT_FALSE(opened.opened());
}

TEST(LapDetails, ThreeDigitMinutesFitTheirLabel) {
    Tfszczegoly view;
    KartSlot kart;
    kart.lap(1).lap_time = 600000;
    view.ShowEntry(kart, 1);
    auto* time = view.findChild<QLabel*>("Label31");
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(time->text(), "100:00:00");
    EXPECT_LE(time->fontMetrics().horizontalAdvance(time->text()), time->width());
}

namespace {

QDate PickWith(const QDate& initial, const std::function<void(TFwybottyg*)>& act) {
    const ModalAnswer answer([act](QWidget* modal) { act(qobject_cast<TFwybottyg*>(modal)); });
    return PickDay(initial, initial);
}

}  // namespace

TEST(DayPicker, OkAndDoubleClickChooseEscAndCloseBoxCancel) {
    const QDate today(2024, 3, 14);
    EXPECT_EQ(PickWith(today,
                       [](TFwybottyg* picker) {
                           ASSERT_NE(picker, nullptr);
                           SaveShot(picker, "day-picker");
                           QTest::mouseClick(picker->findChild<QPushButton*>("Button1"),
                                             Qt::LeftButton);
                       }),
              today);

    EXPECT_EQ(PickWith(today,
                       [](TFwybottyg* picker) {
                           QCalendarWidget* calendar = picker->calendar();
                           calendar->setCurrentPage(2012, 5);
                           auto* view =
                               calendar->findChild<QTableView*>("qt_calendar_calendarview");
                           // The last "31" of the page shown is 31 May.
                           QModelIndex may31;
                           for (int row = 1; row < view->model()->rowCount(); ++row) {
                               for (int col = 1; col < view->model()->columnCount(); ++col) {
                                   const QModelIndex index = view->model()->index(row, col);
                                   if (index.data().toString() == "31" && row > 2) {
                                       may31 = index;
                                   }
                               }
                           }
                           const QPoint centre = view->visualRect(may31).center();
                           QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre);
                           QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centre);
                       }),
              QDate(2012, 5, 31));

    EXPECT_FALSE(PickWith(today, [](TFwybottyg* picker) {
                     QTest::keyClick(picker, Qt::Key_Escape);
                 }).isValid());
    EXPECT_FALSE(PickWith(today, [](TFwybottyg* picker) { picker->close(); }).isValid());
}

TEST(DayPicker, CalendarSpeaksPolishAndStartsOnTheInitialDay) {
    TFwybottyg picker(QDate(2012, 5, 31), QDate(2024, 3, 14));
    picker.show();
    EXPECT_EQ(picker.windowTitle(), "Select day");
    EXPECT_EQ(picker.size(), QSize(716, 520));
    QCalendarWidget* calendar = picker.calendar();
    EXPECT_EQ(calendar->selectedDate(), QDate(2012, 5, 31));
    EXPECT_EQ(calendar->monthShown(), 5);
    EXPECT_EQ(calendar->firstDayOfWeek(), Qt::Monday);
    EXPECT_EQ(calendar->verticalHeaderFormat(), QCalendarWidget::ISOWeekNumbers);
    auto* month = calendar->findChild<QToolButton*>("qt_calendar_monthbutton");
    ASSERT_NE(month, nullptr);
    EXPECT_EQ(month->text(), "maj");
    calendar->setCurrentPage(2012, 10);
    EXPECT_EQ(month->text(), "październik");
    EXPECT_EQ(picker.findChild<QLabel*>("DateLabel")->text(), "31.05.2012");
    QTest::mouseClick(picker.findChild<QToolButton*>("NextYear"), Qt::LeftButton);
    EXPECT_EQ(calendar->yearShown(), 2013);
}

TEST(DayPicker, ClearLeavesNoDayUntilOneIsChosenAgain) {
    const QDate today(2024, 3, 14);
    const auto lime = QColor(0, 255, 0);
    auto highlight = [](TFwybottyg* picker) {
        return picker->calendar()
            ->findChild<QTableView*>("qt_calendar_calendarview")
            ->palette()
            .color(QPalette::Highlight);
    };
    // Cleared, "OK" chooses no day, so no history window opens.
    EXPECT_FALSE(PickWith(today, [&](TFwybottyg* picker) {
                     auto* clear = picker->findChild<QPushButton*>("ClearButton");
                     ASSERT_NE(clear, nullptr);
                     EXPECT_EQ(clear->toolTip(), "Clear date selection");
                     EXPECT_EQ(highlight(picker), lime);
                     QTest::mouseClick(clear, Qt::LeftButton);
                     EXPECT_EQ(picker->findChild<QLabel*>("DateLabel")->text(), "");
                     // Today is painted as today again, not in the selection's lime.
                     EXPECT_EQ(highlight(picker), QColor(0xA2, 0xA2, 0xA2));
                     QTest::mouseClick(picker->findChild<QPushButton*>("Button1"), Qt::LeftButton);
                 }).isValid());

    // A click on the day that was selected chooses it again.
    EXPECT_EQ(
        PickWith(
            today,
            [&](TFwybottyg* picker) {
                QTest::mouseClick(picker->findChild<QPushButton*>("ClearButton"), Qt::LeftButton);
                auto* view = picker->calendar()->findChild<QTableView*>("qt_calendar_calendarview");
                QModelIndex day14;
                for (int row = 1; row < view->model()->rowCount(); ++row) {
                    for (int col = 1; col < view->model()->columnCount(); ++col) {
                        const QModelIndex index = view->model()->index(row, col);
                        if (index.data().toString() == "14") {
                            day14 = index;
                        }
                    }
                }
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                                  view->visualRect(day14).center());
                EXPECT_EQ(picker->findChild<QLabel*>("DateLabel")->text(), "14.03.2024");
                EXPECT_EQ(highlight(picker), lime);
                QTest::mouseClick(picker->findChild<QPushButton*>("Button1"), Qt::LeftButton);
            }),
        today);
}
