#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include "FakeClock.h"
#include "SessionControls.h"
#include "Tfekranglowny.h"

namespace {

struct StatusLineFixture : ::testing::Test {
    FakeClock clock;
    Station station{clock, QStringLiteral("/nonexistent/")};
    std::unique_ptr<Tfekranglowny> screen;

    void Show(int width) {
        screen = ShowSessionScreen(station, {});
        screen->showNormal();
        screen->resize(width, Tfekranglowny::kDesignHeight);
    }
    QLabel* Line() const { return screen->findChild<QLabel*>("LabelReceiverStatus"); }
    IndicatorLamp* Lamp() const { return screen->findChild<IndicatorLamp*>("LampReceiverStatus"); }
    QWidget* Bar() const { return screen->findChild<QWidget*>("Panel1"); }

    // The label's rectangle in the bottom bar's coordinates.
    QRect InBar(const QWidget* widget) const {
        return QRect(widget->mapTo(Bar(), QPoint(0, 0)), widget->size());
    }
    // The label's text, word-wrapped as the label draws it, fits in the label.
    bool TextFits() const {
        const QRect shown = QFontMetrics(Line()->font())
                                .boundingRect(QRect(QPoint(0, 0), Line()->size()),
                                              Qt::TextWordWrap | Qt::AlignVCenter, Line()->text());
        return shown.width() <= Line()->width() && shown.height() <= Line()->height();
    }
};

}  // namespace

TEST_F(StatusLineFixture, ShowsEachStateOnTheClockTick) {
    station.receiver_status = {ReceiverState::kNoAccess, {}, 0};
    Show(Tfekranglowny::kDesignWidth);
    ASSERT_NE(Line(), nullptr);
    ASSERT_NE(Lamp(), nullptr);
    EXPECT_EQ(Line()->text(), "USB-Key: no access - see Install drivers");  // at set-up
    EXPECT_FALSE(Lamp()->isOn());
    EXPECT_EQ(Line()->palette().color(QPalette::WindowText), QColor(0, 0, 0));

    const struct {
        ReceiverStatus status;
        const char* text;
        bool lamp;
    } cases[] = {
        {{ReceiverState::kNotFound, {}, 0}, "USB-Key: not found", false},
        {{ReceiverState::kConnected, {}, 38.6}, "USB-Key: connected, 39 frames/s", true},
        {{ReceiverState::kConnected, {}, 40}, "USB-Key: connected, 40 frames/s", true},
        {{ReceiverState::kNotUsable, "no interface 1", 0},
         "USB-Key: not usable - no interface 1",
         false},
        // Same state, another reason: the line must follow.
        {{ReceiverState::kNotUsable, "endpoint 0x82 is not bulk", 0},
         "USB-Key: not usable - endpoint 0x82 is not bulk",
         false},
        {{ReceiverState::kNoAccess, {}, 0}, "USB-Key: no access - see Install drivers", false},
    };
    for (const auto& c : cases) {
        station.receiver_status = c.status;
        screen->Timer1Timer();
        EXPECT_EQ(Line()->text(), c.text);
        EXPECT_EQ(Lamp()->isOn(), c.lamp) << c.text;
        EXPECT_TRUE(TextFits()) << c.text;
    }
}

TEST_F(StatusLineFixture, FillsTheFreeBarBetweenEndSessionAndHistoryAtAnyWidth) {
    for (const int width : {Tfekranglowny::kDesignWidth, 1920}) {
        Show(width);
        auto* end = screen->findChild<QPushButton*>("Button1");
        auto* history = screen->findChild<QWidget*>("Panel11");
        // The bar's own controls stay where they always were.
        EXPECT_EQ(end->geometry(), QRect(400, 6, 245, 57));
        EXPECT_EQ(history->geometry(), QRect(width - 253, 0, 253, 69));
        EXPECT_EQ(Bar()->geometry(), QRect(0, 650, width, 69));

        const QRect line = InBar(Line());
        const QRect lamp = InBar(Lamp());
        EXPECT_GT(lamp.left(), end->geometry().right()) << width;
        EXPECT_LT(line.right(), history->geometry().left()) << width;
        EXPECT_GE(line.top(), 0);
        EXPECT_LE(line.bottom(), 68);
        EXPECT_GT(line.width(), 300) << width;

        // The longest texts fit, a long reason on two lines.
        for (const ReceiverStatus& status : {
                 ReceiverStatus{ReceiverState::kNoAccess, {}, 0},
                 ReceiverStatus{ReceiverState::kConnected, {}, 19000},
                 ReceiverStatus{ReceiverState::kNotUsable,
                                "interface 1 has no bulk endpoint 0x82 of 64 bytes", 0},
             }) {
            station.receiver_status = status;
            screen->Timer1Timer();
            EXPECT_TRUE(TextFits()) << Line()->text().toStdString() << " at " << width;
        }
    }
}

// Renders the bottom bar in each state for the docs: RUVO_SCREENSHOT_DIR=<folder> runs it.
TEST_F(StatusLineFixture, Screenshots) {
    const QString folder = qEnvironmentVariable("RUVO_SCREENSHOT_DIR");
    if (folder.isEmpty()) {
        GTEST_SKIP() << "RUVO_SCREENSHOT_DIR not set";
    }
    Show(Tfekranglowny::kDesignWidth);
    const struct {
        ReceiverStatus status;
        const char* file;
    } shots[] = {
        {{ReceiverState::kNotFound, {}, 0}, "receiver-status-not-found.png"},
        {{ReceiverState::kNoAccess, {}, 0}, "receiver-status-no-access.png"},
        {{ReceiverState::kNotUsable, "no interface 1", 0}, "receiver-status-not-usable.png"},
        {{ReceiverState::kConnected, {}, 41}, "receiver-status-connected.png"},
    };
    for (const auto& shot : shots) {
        station.receiver_status = shot.status;
        screen->Timer1Timer();
        const QPixmap bar = Bar()->grab();
        EXPECT_EQ(bar.size(), QSize(1326, 69));
        EXPECT_TRUE(bar.save(folder + QLatin1Char('/') + QString::fromUtf8(shot.file)));
    }
}
