#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "FakeClock.h"
#include "MarkupCheck.h"
#include "QtPrinters.h"
#include "RepaintCoalescer.h"
#include "SessionControls.h"
#include "TFrame1.h"
#include "Tfekranglowny.h"
#include "TimeFormat.h"

namespace {

// A station with slot 1 a radio kart and the others hand-timed.
struct ScreenFixture : ::testing::Test {
    FakeClock clock;
    Station station{clock, QStringLiteral("/nonexistent/")};
    SessionScreenActions actions;

    void SetUp() override {
        for (int s = 1; s <= kSlotCount; ++s) {
            station.slot(s).driver_name = QStringLiteral("Driver %1").arg(s);
        }
        station.slot(1).radio = true;
    }

    std::unique_ptr<Tfekranglowny> Show() { return ShowSessionScreen(station, actions); }

    template <typename T = QWidget>
    static T* Find(const QObject& parent, const char* name) {
        T* found = parent.findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static QString Text(const QObject& parent, const char* name) {
        QLabel* label = Find<QLabel>(parent, name);
        return label ? label->text() : QString();
    }
    static QColor TextColour(const QObject& parent, const char* name) {
        return Find<QLabel>(parent, name)->palette().color(QPalette::WindowText);
    }
    static void Click(const QObject& parent, const char* name) {
        QTest::mouseClick(Find(parent, name), Qt::LeftButton);
    }
};

}  // namespace

TEST_F(ScreenFixture, LayoutAndDesignTexts) {
    station.sessions.count = 3;
    auto screen = Show();
    EXPECT_EQ(station.session_screen, screen.get());
    EXPECT_EQ(screen->windowTitle(), "Session");
    // What the window asks the window system for: decorations of its own choosing,
    // none of them (no title buttons, no system menu), above other windows. Without
    // the customising hint Qt would add the title bar and its buttons.
    const Qt::WindowFlags asked = screen->windowHandle()->flags();
    EXPECT_TRUE(asked.testFlag(Qt::CustomizeWindowHint));
    EXPECT_TRUE(asked.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(
        asked & (Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                 Qt::WindowCloseButtonHint | Qt::WindowFullscreenButtonHint),
        Qt::WindowFlags());
    // And a close from the window system is refused while the session runs.
    EXPECT_FALSE(screen->windowHandle()->close());
    EXPECT_TRUE(screen->isVisible());
    EXPECT_TRUE(screen->isMaximized());
    screen->showNormal();
    screen->resize(Tfekranglowny::kDesignWidth, Tfekranglowny::kDesignHeight);

    EXPECT_EQ(Text(*screen, "Label107"), "Session: 4");
    EXPECT_EQ(Find(*screen, "Panel10")->geometry(), QRect(0, 0, 1326, 56));
    EXPECT_EQ(Find(*screen, "Panel1")->geometry(), QRect(0, 650, 1326, 69));
    EXPECT_EQ(Find(*screen, "Panel2")->geometry(), QRect(1048, 56, 278, 594));
    EXPECT_EQ(Find(*screen, "Panel9")->width(), 75);
    EXPECT_EQ(Find(*screen, "Label104")->x(), 423);
    auto* end = Find<QPushButton>(*screen, "Button1");
    EXPECT_EQ(end->text(), "END SESSION");
    EXPECT_EQ(end->geometry().topLeft().x(), 400);
    EXPECT_EQ(end->size(), QSize(245, 57));
    auto* history = Find<QPushButton>(*screen, "Button2");
    EXPECT_EQ(history->text(), "History");
    EXPECT_EQ(history->parentWidget()->objectName(), "Panel11");
    EXPECT_EQ(history->mapTo(screen.get(), QPoint(history->width(), 0)).x(), 1326 - 4);

    EXPECT_EQ(Find(*screen, "Panel6")->geometry(), QRect(372, 1, 185, 62));
    EXPECT_EQ(Find(*screen, "Label108")->geometry().top(), 106);
    EXPECT_EQ(Find(*screen, "Image4")->geometry(), QRect(27, 244, 105, 105));
    EXPECT_EQ(Text(*screen, "Label3"), "00:00:00");
    EXPECT_EQ(Text(*screen, "Label13"), "--:--:--");
    EXPECT_EQ(Text(*screen, "Label18"), "--:--");
    EXPECT_EQ(Text(*screen, "Label80"), "L--");
    EXPECT_EQ(Text(*screen, "Label44"), "--:--");
    EXPECT_EQ(Find(*screen, "Label98")->property("tag").toInt(), 51);
    EXPECT_EQ(Find(*screen, "Label114")->geometry().width(), 157);

    // The sensor frame's labels share names with the screen's: look them up on the frame.
    auto* frame = Find<TFrame1>(*screen, "Frame12");
    EXPECT_TRUE(frame->isHidden());
    EXPECT_EQ(frame->geometry(), QRect(187, 190, 185, 396));
    EXPECT_EQ(Text(*frame, "Label7"), "RPM max");
    EXPECT_EQ(Text(*frame, "Label2"), "0,00");
}

TEST_F(ScreenFixture, KartModeFollowsTheRadioFlag) {
    auto screen = Show();
    // Slot 1, radio: sensor button in sight, lap button and start/stop away, lamp shown.
    EXPECT_EQ(Find(*screen, "ImageButton6")->x(), 155);
    EXPECT_TRUE(Find(*screen, "ImageButton6")->isEnabled());
    EXPECT_EQ(Find(*screen, "ImageButton1")->x(), 400);
    EXPECT_FALSE(Find(*screen, "ImageButton1")->isEnabled());
    EXPECT_TRUE(Find(*screen, "Image2")->isHidden());
    EXPECT_FALSE(Find(*screen, "L1")->isHidden());
    EXPECT_FALSE(Find(*screen, "Label113")->isHidden());
    EXPECT_EQ(Find(*screen, "Panel4")->palette().color(QPalette::Window), ToQColor(Colours::kGrey));
    // Slot 2, hand-timed: the other way round.
    EXPECT_EQ(Find(*screen, "ImageButton2")->x(), 155);
    EXPECT_TRUE(Find(*screen, "ImageButton2")->isEnabled());
    EXPECT_EQ(Find(*screen, "ImageButton7")->x(), 400);
    EXPECT_FALSE(Find(*screen, "ImageButton7")->isEnabled());
    EXPECT_FALSE(Find(*screen, "Image3")->isHidden());
    EXPECT_TRUE(Find(*screen, "L2")->isHidden());
    EXPECT_TRUE(Find(*screen, "Label114")->isHidden());
    EXPECT_EQ(Find(*screen, "Panel5")->palette().color(QPalette::Window), ToQColor(Colours::kNavy));
    EXPECT_EQ(Text(*screen, "Panel5"), "Driver 2");
    EXPECT_EQ(Text(*screen, "Label109"), "Driver 2");

    // The sensor frame opens only for the radio kart.
    Click(*screen, "ImageButton6");
    EXPECT_FALSE(Find(*screen, "Frame11")->isHidden());
    Click(*screen, "ImageButton6");
    EXPECT_TRUE(Find(*screen, "Frame11")->isHidden());
}

TEST_F(ScreenFixture, KartSettingsFromTheHeader) {
    std::vector<int> asked;
    bool confirm = false;
    int saves = 0;
    actions.show_kart_settings = [&](int slot) {
        asked.push_back(slot);
        if (confirm) {
            station.slot(slot).radio = true;
            station.slot(slot).driver_name = QStringLiteral("Ola");
        }
        return confirm;
    };
    actions.save_kart_settings = [&] { ++saves; };
    auto screen = Show();

    Click(*screen, "Image4");  // start slot 3's stopwatch
    Click(*screen, "Panel6");
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(Text(*screen, "Panel6"), "Driver 3");

    confirm = true;
    Click(*screen, "Panel6");
    EXPECT_EQ(asked, (std::vector<int>{3, 3}));
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(Text(*screen, "Panel6"), "Ola");
    EXPECT_EQ(Text(*screen, "Label110"), "Ola");
    EXPECT_TRUE(Find(*screen, "Image4")->isHidden());
    EXPECT_EQ(Find(*screen, "ImageButton3")->x(), 400);
    EXPECT_FALSE(Find(*screen, "Label115")->isHidden());
    EXPECT_TRUE(station.slot(3).stopwatch_running);  // left as it was
}

TEST_F(ScreenFixture, DriverNamesAreShownAsTypedNotAsMarkup) {
    station.slot(1).driver_name = QStringLiteral("<u>Ola</u>");
    station.slot(4).driver_name = QStringLiteral("<img src=a>");
    auto screen = Show();
    EXPECT_EQ(Text(*screen, "Panel4"), "<u>Ola</u>");
    EXPECT_EQ(Text(*screen, "Panel7"), "<img src=a>");
    EXPECT_EQ(LabelsReadingMarkup(*screen), QStringList());
}

TEST_F(ScreenFixture, HandTimedLapsThroughTheStopwatch) {
    auto screen = Show();
    const QPixmap start = Find<QLabel>(*screen, "Image12")->pixmap();
    const QPixmap stop = Find<QLabel>(*screen, "Image13")->pixmap();

    Click(*screen, "Image3");  // slot 2
    EXPECT_TRUE(station.slot(2).stopwatch_running);
    EXPECT_EQ(Find<QLabel>(*screen, "Image3")->pixmap().cacheKey(), stop.cacheKey());

    clock.AdvanceCentiseconds(499);
    screen->RefreshKarts();
    EXPECT_EQ(Text(*screen, "Label2"), "00:04:99");
    Click(*screen, "ImageButton2");  // too soon: ignored
    EXPECT_EQ(station.slot(2).lap(1).lap_time, 0);
    EXPECT_FALSE(screen->refresh_blocked());

    clock.AdvanceCentiseconds(1);
    Click(*screen, "Label109");  // the name label times a lap as well
    EXPECT_FALSE(screen->refresh_blocked());
    EXPECT_EQ(station.slot(2).lap(1).lap_time, 500);
    EXPECT_EQ(Text(*screen, "Label24"), "00:05:00");
    EXPECT_EQ(Text(*screen, "Label83"), "L:01");
    EXPECT_EQ(Text(*screen, "Label23"), "+00:00");
    EXPECT_EQ(Text(*screen, "Label34"), "--:--:--");
    EXPECT_EQ(Text(*screen, "Label33"), "--:--");
    EXPECT_EQ(Text(*screen, "Label84"), "L--");

    clock.AdvanceCentiseconds(612);
    Click(*screen, "ImageButton2");
    screen->RefreshKarts();
    EXPECT_EQ(Text(*screen, "Label24"), "00:05:00");
    EXPECT_EQ(Text(*screen, "Label34"), "00:06:12");
    EXPECT_EQ(Text(*screen, "Label33"), "+01:12");
    EXPECT_EQ(Text(*screen, "Label12"), "00:06:12");
    EXPECT_EQ(Text(*screen, "Label17"), "+01:12");
    EXPECT_EQ(TextColour(*screen, "Label17"), ToQColor(Colours::kRed));
    EXPECT_EQ(Text(*screen, "Label7"), "L:03");
    EXPECT_EQ(Text(*screen, "Label2"), "00:00:00");

    // Stopped: the running time freezes and stays white.
    clock.AdvanceCentiseconds(250);
    screen->RefreshKarts();
    Click(*screen, "Image3");
    EXPECT_EQ(Find<QLabel>(*screen, "Image3")->pixmap().cacheKey(), start.cacheKey());
    clock.AdvanceCentiseconds(250);
    screen->RefreshKarts();
    EXPECT_EQ(Text(*screen, "Label2"), "00:02:50");
    EXPECT_EQ(TextColour(*screen, "Label2"), ToQColor(Colours::kWhite));
    Click(*screen, "ImageButton2");
    EXPECT_EQ(station.slot(2).lap(3).lap_time, 0);
}

TEST_F(ScreenFixture, RefreshShowsRadioKartsAndStaleTimes) {
    auto screen = Show();
    KartSlot& kart = station.slot(1);
    kart.current_rpm = 11250;
    kart.temperature1 = -20.0;
    kart.lap_rpm_max = 12500;
    station.current_lap_time(1) = 750'000;  // 2 h 5 min
    screen->RefreshKarts();
    EXPECT_EQ(Text(*screen, "Label1"), "125:00:00");
    EXPECT_EQ(Text(*screen, "Label113"), "11250");
    EXPECT_EQ(Text(*screen, "Label6"), "L:00");
    EXPECT_EQ(Text(*screen, "Label16"), "00:00");
    EXPECT_EQ(TextColour(*screen, "Label16"), ToQColor(Colours::kLime));
    auto* frame = Find<TFrame1>(*screen, "Frame11");
    EXPECT_EQ(Text(*frame, "Label2").replace(QLocale().decimalPoint(), QStringLiteral(".")),
              "-20.0");  // the separator under each locale: KartColumnTest
    EXPECT_EQ(Text(*frame, "Label8"), "12500");

    clock.AdvanceCentiseconds(100);
    screen->RefreshKarts();
    EXPECT_EQ(TextColour(*screen, "Label1"), ToQColor(Colours::kWhite));
    clock.AdvanceCentiseconds(1);
    screen->RefreshKarts();
    EXPECT_EQ(TextColour(*screen, "Label1"), ToQColor(Colours::kRed));
    station.current_lap_time(1) = 750'010;
    screen->RefreshKarts();
    EXPECT_EQ(TextColour(*screen, "Label1"), ToQColor(Colours::kWhite));
    EXPECT_EQ(Text(*screen, "Label1"), "125:00:10");

    // Frame decoding reports a lap through the station's session screen.
    kart.current_lap_number = 4;
    station.session_screen->RecordLap(6150, 1, 12000, 5000);
    kart.current_lap_number = 5;
    station.session_screen->RecordLap(6000, 1, 12000, 5000);
    screen->RefreshKarts();
    EXPECT_EQ(Text(*screen, "Label11"), "01:00:00");
    EXPECT_EQ(Text(*screen, "Label16"), "-01:50");
    EXPECT_EQ(Text(*screen, "Label79"), "L:04");
    EXPECT_EQ(Text(*screen, "Label32"), "+01:50");
}

TEST_F(ScreenFixture, ClockTickLampsAndClocks) {
    station.slot(1).packet_counter = 7;  // heard before the session
    station.slot(2).packet_counter = 9;  // hand-timed: its lamp is left alone
    auto screen = Show();
    auto* lamp1 = Find<IndicatorLamp>(*screen, "L1");
    EXPECT_FALSE(lamp1->isOn());
    clock.AdvanceCounts(FakeClock::kFrequency * 3725 + FakeClock::kFrequency / 2);
    clock.SetLocalDateTime(QDateTime(QDate(2012, 6, 1), QTime(9, 7, 5)));
    screen->Timer1Timer();
    EXPECT_TRUE(lamp1->isOn());
    EXPECT_FALSE(Find<IndicatorLamp>(*screen, "L2")->isOn());
    EXPECT_EQ(Text(*screen, "Label104"), "01:02:06");
    EXPECT_EQ(Text(*screen, "Label105"), "09:07:05");
    screen->Timer1Timer();
    EXPECT_FALSE(lamp1->isOn());
    station.slot(1).packet_counter = 8;
    screen->Timer1Timer();
    EXPECT_TRUE(lamp1->isOn());
    EXPECT_EQ(Find<QTimer>(*screen, "Timer1")->interval(), 1000);
}

TEST_F(ScreenFixture, BestLapsAndHistoryClicksReachTheirActions) {
    std::vector<std::pair<int, int>> details;
    int histories = 0;
    actions.show_lap_details = [&](int slot, int row) { details.emplace_back(slot, row); };
    actions.show_todays_history = [&] { ++histories; };
    auto screen = Show();
    Click(*screen, "Label78");  // slot 1 row 1, lap number
    Click(*screen, "Label69");  // slot 5 row 5, lap time
    Click(*screen, "Label33");  // slot 2 row 2, gap
    Click(*screen, "Button2");
    EXPECT_EQ(details, (std::vector<std::pair<int, int>>{{1, 1}, {5, 5}, {2, 2}}));
    EXPECT_EQ(histories, 1);
}

TEST_F(ScreenFixture, UnsetActionsDoNothing) {
    auto screen = Show();
    Click(*screen, "Panel4");
    Click(*screen, "Label78");
    Click(*screen, "Button2");
    station.slot(2).lap(1).lap_time = 5000;
    Click(*screen, "Button1");
    EXPECT_TRUE(screen->isHidden());
}

TEST_F(ScreenFixture, EndSessionClosesOnlyThen) {
    int writes = 0;
    actions.write_session_file = [&] {
        ++writes;
        return true;
    };
    auto screen = Show();
    EXPECT_FALSE(screen->close());
    EXPECT_TRUE(screen->isVisible());

    // No lap anywhere: no file, but the session still ends.
    Click(*screen, "Button1");
    EXPECT_EQ(writes, 0);
    EXPECT_TRUE(station.stop_requested);
    EXPECT_TRUE(screen->can_close());
    EXPECT_FALSE(screen->isVisible());
    EXPECT_FALSE(Find(*screen, "Button1")->isEnabled());

    // With laps on two karts, one file.
    station.stop_requested = false;
    auto second = Show();
    station.slot(3).lap(1).lap_time = 5000;
    station.slot(5).lap(1).lap_time = 6000;
    Click(*second, "Button1");
    EXPECT_EQ(writes, 1);
    EXPECT_FALSE(second->isVisible());
    screen.reset();
    EXPECT_EQ(station.session_screen, second.get());  // the old screen does not clear it
    second.reset();
    EXPECT_EQ(station.session_screen, nullptr);
}

TEST_F(ScreenFixture, FailedSessionWriteKeepsTheSessionRunning) {
    bool succeed = false;
    actions.write_session_file = [&] { return succeed; };
    auto screen = Show();
    station.slot(2).lap(1).lap_time = 5000;
    Click(*screen, "Button1");
    EXPECT_TRUE(screen->isVisible());
    EXPECT_TRUE(Find(*screen, "Button1")->isEnabled());
    EXPECT_FALSE(station.stop_requested);
    EXPECT_FALSE(screen->can_close());
    EXPECT_FALSE(screen->close());
    EXPECT_EQ(station.slot(2).lap(1).lap_time, 5000);

    succeed = true;
    Click(*screen, "Button1");
    EXPECT_FALSE(screen->isVisible());
    EXPECT_TRUE(station.stop_requested);
}

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
  public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

}  // namespace

TEST_F(ScreenFixture, RepaintsAreHeldToTheDisplayRate) {
    auto screen = Show();
    screen->showNormal();
    screen->resize(Tfekranglowny::kDesignWidth, Tfekranglowny::kDesignHeight);
    QCoreApplication::processEvents();
    // The board paints the running time's label.
    PaintCounter counter(Find(*screen, "LabelBoard"));
    // A fixed number of passes: how many a second the screen manages is a figure of
    // bench/serve_pass_screen_bench.cpp. Whatever the machine's speed, the label is
    // painted no more often than the display rate allows.
    QElapsedTimer elapsed;
    elapsed.start();
    qint32 passes = 0;
    while (passes < 2000) {
        station.current_lap_time(1) = ++passes;  // a new text every pass
        screen->RefreshKarts();
        QCoreApplication::processEvents();
    }
    const qint64 duration = elapsed.elapsed();
    EXPECT_LE(counter.paints, duration / RepaintCoalescer::kIntervalMs + 2)
        << passes << " passes in " << duration << " ms";
    EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints >= 1; }, 5000));
    EXPECT_EQ(Text(*screen, "Label1"), FormatLapTime(quint32(passes)));
}

TEST_F(ScreenFixture, EndSessionWritesWhenOnlySlotFiveHasALap) {
    int writes = 0;
    actions.write_session_file = [&] {
        ++writes;
        return true;
    };
    auto screen = Show();
    station.slot(5).lap(1).lap_time = 4321;
    Click(*screen, "Button1");
    EXPECT_EQ(writes, 1);
    EXPECT_FALSE(screen->isVisible());
    EXPECT_TRUE(station.stop_requested);
}
