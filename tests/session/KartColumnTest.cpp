#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QLocale>

#include "FakeClock.h"
#include "LabelBoard.h"
#include "LiveLabel.h"
#include "QtPrinters.h"
#include "TFrame1.h"
#include "Tfekranglowny.h"

#if defined(__has_cpp_attribute) && __has_cpp_attribute(gnu::no_dangling)
#define RUVO_NO_DANGLING [[gnu::no_dangling]]
#else
#define RUVO_NO_DANGLING
#endif

namespace {

// Every slot a radio kart, so the running times and lap numbers of all five columns
// are drawn from the slots.
struct ColumnFixture : ::testing::Test {
    FakeClock clock;
    Station station{clock, QStringLiteral("/nonexistent/")};

    void SetUp() override {
        for (int s = 1; s <= kSlotCount; ++s) {
            station.slot(s).radio = true;
            station.slot(s).driver_name = QStringLiteral("D%1").arg(s);
        }
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    std::unique_ptr<Tfekranglowny> Show() {
        auto screen = ShowSessionScreen(station, {});
        screen->showNormal();
        screen->resize(Tfekranglowny::kDesignWidth, Tfekranglowny::kDesignHeight);
        return screen;
    }

    // GCC 14's -Wdangling-reference takes the temporary name for what the result
    // refers to: a false positive, the result is a child of parent.
    template <typename T = QLabel>
    RUVO_NO_DANGLING static T& Get(const QObject& parent, const QString& name) {
        T* found = parent.findChild<T*>(name);
        if (!found) {
            throw std::runtime_error("no control " + name.toStdString());
        }
        return *found;
    }
};

// Where a label's text lands, from its font, alignment and geometry, in its parent's
// coordinates: [left, right).
struct Span {
    int left = 0;
    int right = 0;
};

Span TextSpan(const QLabel& label) {
    const int advance = QFontMetrics(label.font()).horizontalAdvance(label.text());
    const QRect box = label.geometry();
    int left = box.left();
    if (label.alignment() & Qt::AlignRight) {
        left = box.left() + box.width() - advance;
    } else if (label.alignment() & Qt::AlignHCenter) {
        left = box.left() + (box.width() - advance) / 2;
    }
    return {left, left + advance};
}

// More than the width of a blank at the running time's size: two values closer than
// this read as one.
constexpr int kMinimumGap = 8;

}  // namespace

TEST_F(ColumnFixture, SensorTemperaturesUseTheDecimalSeparatorOnly) {
    struct Case {
        QLocale locale;
        const char* expected[3];
    };
    const Case cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), {"1234.5", "-20.0", "7.0"}},
        {QLocale(QLocale::German, QLocale::Germany), {"1234,5", "-20,0", "7,0"}},
        {QLocale(QLocale::Swedish, QLocale::Sweden), {"1234,5", "-20,0", "7,0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale.name().toStdString());
        QLocale::setDefault(c.locale);
        KartSlot& kart = station.slot(2);
        kart.temperature1 = 1234.5;
        kart.temperature2 = -20.0;
        kart.temperature3 = 7.0;
        auto screen = Show();
        screen->RefreshKarts();
        const auto& frame = Get<TFrame1>(*screen, QStringLiteral("Frame12"));
        EXPECT_EQ(Get(frame, QStringLiteral("Label2")).text(), c.expected[0]);
        EXPECT_EQ(Get(frame, QStringLiteral("Label4")).text(), c.expected[1]);
        EXPECT_EQ(Get(frame, QStringLiteral("Label6")).text(), c.expected[2]);
    }
}

TEST_F(ColumnFixture, LongDriverNamesAreCutAtTheEndUnderTheirButton) {
    station.slot(1).driver_name = QStringLiteral("Adam Nowak");
    station.slot(2).driver_name = QStringLiteral("Piotr Zielinski");
    station.slot(2).radio = false;  // its lap button is in sight
    station.slot(3).driver_name = QStringLiteral("Ola");
    auto screen = Show();
    const QAbstractButton& lap_button =
        Get<QAbstractButton>(*screen, QStringLiteral("ImageButton2"));
    ASSERT_EQ(lap_button.x(), 155);
    const int button_centre = lap_button.x() + lap_button.width() / 2;

    for (const auto& [name, driver] :
         {std::pair{"Label108", "Adam Nowak"}, std::pair{"Label109", "Piotr Zielinski"}}) {
        SCOPED_TRACE(name);
        const QLabel& label = Get(*screen, QString::fromLatin1(name));
        const QString text = label.text();
        ASSERT_TRUE(text.endsWith(QChar(0x2026))) << text.toStdString();
        EXPECT_GE(text.size(), 5);
        EXPECT_TRUE(QString::fromLatin1(driver).startsWith(text.chopped(1)));
        const Span span = TextSpan(label);
        EXPECT_GE(span.left, label.x());
        EXPECT_LE(span.right, label.x() + label.width());
        EXPECT_EQ(label.width(), 84);
        EXPECT_EQ(label.x() + label.width() / 2, button_centre);
        EXPECT_TRUE(label.alignment() & Qt::AlignHCenter);
    }
    EXPECT_EQ(Get(*screen, QStringLiteral("Label110")).text(), "Ola");
    EXPECT_EQ(Get(*screen, QStringLiteral("Panel4")).text(), "Adam Nowak");
}

TEST_F(ColumnFixture, RunningTimesAndLapNumbersKeepApart) {
    // Two-digit values, then the widest a session reaches: three-digit minutes and
    // lap numbers, then back.
    struct Case {
        qint32 running_time;
        qint32 lap_number;
        const char* time_text;
        const char* lap_text;
    };
    const Case cases[] = {{119'454, 4, "19:54:54", "L:04"},
                          {750'000, 123, "125:00:00", "L:123"},
                          {5'999'999, 999, "999:59:99", "L:999"},
                          {119'454, 4, "19:54:54", "L:04"}};
    auto screen = Show();
    for (const auto& [running_time, lap_number, time_text, lap_text] : cases) {
        SCOPED_TRACE(time_text);
        for (int s = 1; s <= kSlotCount; ++s) {
            station.current_lap_time(s) = running_time;
            station.slot(s).current_lap_number = lap_number;
        }
        screen->RefreshKarts();
        for (int s = 1; s <= kSlotCount; ++s) {
            SCOPED_TRACE(s);
            const QLabel& time = Get(*screen, QStringLiteral("Label%1").arg(s));
            const QLabel& lap = Get(*screen, QStringLiteral("Label%1").arg(5 + s));
            ASSERT_EQ(time.parent(), lap.parent());
            const Span time_span = TextSpan(time);
            const Span lap_span = TextSpan(lap);
            EXPECT_EQ(time.text(), time_text);
            EXPECT_EQ(lap.text(), lap_text);
            // Each text whole inside its own label, the lap number first, apart.
            EXPECT_GE(time_span.left, time.x());
            EXPECT_LE(time_span.right, time.x() + time.width());
            EXPECT_GE(lap_span.left, lap.x());
            EXPECT_LE(lap_span.right, lap.x() + lap.width());
            EXPECT_GE(time_span.left - lap_span.right, kMinimumGap);
            EXPECT_FALSE(time.geometry().intersects(lap.geometry()));
            // ... and apart from the next column's lap number.
            if (s < kSlotCount) {
                const QLabel& next_lap = Get(*screen, QStringLiteral("Label%1").arg(6 + s));
                EXPECT_GE(TextSpan(next_lap).left - time_span.right, kMinimumGap);
                EXPECT_FALSE(time.geometry().intersects(next_lap.geometry()));
            }
            // Two-digit values at the full size; wider ones shrunk at most to a size
            // still read from the pit wall.
            if (lap_number < 100) {
                EXPECT_EQ(time.font().pixelSize(), 27);
                EXPECT_EQ(lap.font().pixelSize(), 27);
            }
            EXPECT_GE(time.font().pixelSize(), 20);
            EXPECT_GE(lap.font().pixelSize(), 20);
        }
    }
}

// The frame-driven labels change up to a hundred times a second. One board paints
// them all and lies on top of the centre panel, where no other control has to be
// looked at for each repaint: nothing shown stacked above it covers it (the
// hand-timing key's sign, shown for a moment, lies over the column on purpose), and
// it covers nothing but its labels (its opaque background would hide anything
// else). The labels under it lie over every other control and cover none.
TEST_F(ColumnFixture, FrameDrivenLabelsLieOnTopAndCoverNoOtherControl) {
    auto screen = Show();
    const QWidget& centre = Get<QWidget>(*screen, QStringLiteral("Panel3"));
    QList<QWidget*> stack;
    for (QObject* child : centre.children()) {  // bottom to top
        if (auto* widget = qobject_cast<QWidget*>(child); widget && !widget->isWindow()) {
            stack.append(widget);
        }
    }
    const auto* board = centre.findChild<LabelBoard*>(QStringLiteral("LabelBoard"));
    ASSERT_NE(board, nullptr);
    const qsizetype board_at = stack.indexOf(board);
    for (qsizetype j = 0; j < stack.size(); ++j) {
        if (j == board_at || !stack[j]->geometry().intersects(board->geometry())) {
            continue;
        }
        if (j < board_at && !qobject_cast<LiveLabel*>(stack[j])) {
            ADD_FAILURE() << "the board covers " << stack[j]->objectName().toStdString();
        } else if (j > board_at && !stack[j]->isHidden()) {
            ADD_FAILURE() << stack[j]->objectName().toStdString() << " lies over the board";
        }
    }
    int live_labels = 0;
    for (qsizetype i = 0; i < stack.size(); ++i) {
        if (!qobject_cast<LiveLabel*>(stack[i])) {
            continue;
        }
        ++live_labels;
        EXPECT_TRUE(board->geometry().contains(stack[i]->geometry()))
            << stack[i]->objectName().toStdString();
        // Clicks and presses (the lap correction menu) go through the board.
        EXPECT_EQ(centre.childAt(stack[i]->geometry().center()), stack[i])
            << stack[i]->objectName().toStdString();
        for (qsizetype j = 0; j < stack.size(); ++j) {
            if (j == i || j == board_at || qobject_cast<LiveLabel*>(stack[j]) ||
                !stack[j]->geometry().intersects(stack[i]->geometry())) {
                continue;
            }
            if (j < i) {
                ADD_FAILURE() << stack[i]->objectName().toStdString() << " covers "
                              << stack[j]->objectName().toStdString();
            } else if (!stack[j]->isHidden()) {
                ADD_FAILURE() << stack[j]->objectName().toStdString() << " lies over "
                              << stack[i]->objectName().toStdString();
            }
        }
    }
    EXPECT_EQ(live_labels, 5 * kSlotCount);
    // The engine speed's label lies over the foot of the running time's, as built.
    for (int s = 1; s <= kSlotCount; ++s) {
        const QWidget& time = Get<QWidget>(centre, QStringLiteral("Label%1").arg(s));
        const QWidget& rpm = Get<QWidget>(centre, QStringLiteral("Label%1").arg(112 + s));
        EXPECT_GT(stack.indexOf(&rpm), stack.indexOf(&time)) << s;
    }
}
