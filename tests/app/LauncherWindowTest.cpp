#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "FakeClock.h"
#include "TForm1.h"
#include "TempFolder.h"

TEST(LauncherWindow, ShowsItsFiveButtonsAndVersion) {
    TempFolder folder;
    FakeClock clock;
    TForm1 launcher(clock, folder.path());
    launcher.show();
    EXPECT_EQ(launcher.windowTitle(), "RUVOTimer");
    EXPECT_EQ(launcher.size(), QSize(381, 505));

    struct Expected {
        const char* name;
        const char* caption;
        QRect geometry;
    };
    const Expected buttons[] = {
        {"Button1", "Session start", {72, 48, 241, 73}},
        {"Button2", "History", {72, 128, 241, 73}},
        {"Button4", "Transmission test", {72, 208, 241, 73}},
        {"Button5", "Messages", {72, 288, 241, 73}},
        {"Button3", "Exit program", {72, 424, 241, 73}},
    };
    for (const Expected& expected : buttons) {
        auto* button = launcher.findChild<QPushButton*>(expected.name);
        ASSERT_NE(button, nullptr) << expected.name;
        EXPECT_EQ(button->text(), expected.caption);
        EXPECT_EQ(button->geometry(), expected.geometry);
        EXPECT_EQ(button->font().pixelSize(), 21);
    }
    auto* version = launcher.findChild<QLabel*>("Label1");
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text(), "v 6.4");
    EXPECT_EQ(version->pos(), QPoint(352, 488));
}

TEST(LauncherWindow, ExitProgramClosesTheLauncher) {
    TempFolder folder;
    FakeClock clock;
    TForm1 launcher(clock, folder.path());
    launcher.show();
    ASSERT_TRUE(launcher.isVisible());
    QTest::mouseClick(launcher.findChild<QPushButton*>("Button3"), Qt::LeftButton);
    EXPECT_FALSE(launcher.isVisible());
}

TEST(LauncherWindow, LoadsKartSettingsWhenCreated) {
    TempFolder folder;
    folder.Write("ustawienia.ini", "[Parametry]\r\nRadio2=1\r\nSN2=42\r\nNAME2=Ola\r\n");
    FakeClock clock;
    TForm1 launcher(clock, folder.path());
    EXPECT_TRUE(launcher.station().slot(2).radio);
    EXPECT_EQ(launcher.station().slot(2).serial_number, 42);
    EXPECT_EQ(launcher.station().slot(2).driver_name.str(), "Ola");
    EXPECT_EQ(launcher.station().slot(1).driver_name.str(), "1");
}

TEST(LauncherWindow, FailedSettingsSaveTellsTheOperatorWhichFile) {
    TempFolder folder;
    folder.Write("blocker", "a file where the program folder should be");
    FakeClock clock;
    TForm1 launcher(clock, folder.path() + "blocker/");
    QString shown;
    QTimer::singleShot(0, [&shown] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    EXPECT_FALSE(launcher.SaveKartSettings());
    EXPECT_TRUE(shown.contains("ustawienia.ini")) << shown.toStdString();
}
