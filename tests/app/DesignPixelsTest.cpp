#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>

#include "DesignPixels.h"
#include "FakeClock.h"
#include "Tfekranglowny.h"

// Its own main: the scaling is fixed when the QApplication is created. The screen is
// a 1366 x 768 one at 150% (144 dpi), and QT_SCALE_FACTOR asks for 1.5 on top, as on
// a desktop set to 150%.

namespace {

// The lowest controls of the centre and of the right column stay above the bottom bar.
TEST(DesignPixels, MaximisedSessionScreenIsWholeOnAScaledScreen) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->devicePixelRatio(), 1.0);
    EXPECT_EQ(screen->geometry().size(), QSize(1366, 768));

    FakeClock clock;
    Station station(clock, QStringLiteral("/nonexistent/"));
    auto window = ShowSessionScreen(station, {});
    EXPECT_GE(window->width(), Tfekranglowny::kDesignWidth);
    EXPECT_GE(window->height(), Tfekranglowny::kDesignHeight);
    const QWidget* bottom_bar = window->findChild<QWidget*>(QStringLiteral("Panel1"));
    ASSERT_NE(bottom_bar, nullptr);
    // Row 5 of column 5 (lap number, time, gap) and the fifth name label.
    for (const char* name : {"Label102", "Label69", "Label70", "Label112"}) {
        SCOPED_TRACE(name);
        const QLabel* label = window->findChild<QLabel*>(QString::fromLatin1(name));
        ASSERT_NE(label, nullptr);
        const QRect on_window(label->mapTo(window.get(), QPoint(0, 0)), label->size());
        EXPECT_LE(on_window.bottom(), bottom_bar->y());
        EXPECT_LE(on_window.right(), window->width());
    }
    // RUVO_SCREENSHOT_DIR=<folder> keeps the whole screen as a picture to look at.
    const QString folder = qEnvironmentVariable("RUVO_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        QCoreApplication::processEvents();
        EXPECT_TRUE(QGuiApplication::primaryScreen()->grabWindow(0).save(
            folder + QStringLiteral("/session-scaled-screen.png")));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir folder;
    const QString config = folder.filePath(QStringLiteral("screen.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(R"({"screens": [{"name": "scaled", "x": 0, "y": 0, "width": 1366,
                       "height": 768, "logicalDpi": 144, "logicalBaseDpi": 96,
                       "dpr": 1}]})") < 0) {
        return 2;
    }
    file.close();
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
    qputenv("QT_SCALE_FACTOR", "1.5");
    KeepDesignPixels();  // as the program's main does
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
