#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <functional>
#include <vector>

#include "DiskFull.h"
#include "FakeClock.h"
#include "ModalScript.h"
#include "TForm1.h"
#include "TFwybottyg.h"
#include "TempFolder.h"
#include "Tfhistoria.h"

namespace {

void ClickButton1(QWidget* window) {
    QTest::mouseClick(window->findChild<QPushButton*>("Button1"), Qt::LeftButton);
}

class LauncherHistoryTest : public ::testing::Test {
  protected:
    LauncherHistoryTest() {
        clock_.SetLocalDateTime(QDateTime(QDate(2012, 5, 31), QTime(16, 0)));
        folder_.Write("Sessions/2012_05_31/2012_05_31_09_12.txt", "[Ustawienia]\r\nNAZWA_1=A\r\n");
        folder_.Write("Sessions/2012_05_31/2012_05_31_15_40.txt", "[Ustawienia]\r\nNAZWA_1=B\r\n");
        folder_.Write("Sessions/2012_05_30/2012_05_30_10_00.txt", "[Ustawienia]\r\n");
    }

    TempFolder folder_;
    FakeClock clock_;
};

}  // namespace

TEST_F(LauncherHistoryTest, StartUpLoadsTodaysSessions) {
    TForm1 launcher(clock_, folder_.path());
    const SessionTable& sessions = launcher.station().sessions;
    ASSERT_EQ(sessions.count, 2);
    EXPECT_EQ(sessions.records[0].title, "1 : 2012-05-31 09:12");
    EXPECT_EQ(sessions.records[1].title, "2 : 2012-05-31 15:40");
    EXPECT_EQ(sessions.records[1].kart(1).driver_name.str(), "B");
}

TEST_F(LauncherHistoryTest, HistoryButtonOpensThePickedDayOnlyWhenOneIsPicked) {
    TForm1 launcher(clock_, folder_.path());
    launcher.show();
    {
        ModalScript script({[](QWidget* picker) { QTest::keyClick(picker, Qt::Key_Escape); }});
        QTest::mouseClick(launcher.findChild<QPushButton*>("Button2"), Qt::LeftButton);
        QTest::qWait(30);
        EXPECT_EQ(script.seen(), QStringList{"TFwybottyg"});
    }
    {
        QStringList tabs;
        ModalScript script({[](QWidget* picker) {
                                // Opens on today.
                                EXPECT_EQ(qobject_cast<TFwybottyg*>(picker)->CurrentDay(),
                                          QDate(2012, 5, 31));
                                ClickButton1(picker);
                            },
                            [&tabs](QWidget* history) {
                                auto* bar = history->findChild<QTabBar*>("TabControl1");
                                for (int i = 0; bar && i < bar->count(); ++i) {
                                    tabs << bar->tabText(i);
                                }
                                ClickButton1(history);
                            }});
        QTest::mouseClick(launcher.findChild<QPushButton*>("Button2"), Qt::LeftButton);
        EXPECT_EQ(script.seen(), QStringList({"TFwybottyg", "Tfhistoria"}));
        EXPECT_EQ(tabs, QStringList({"2012-05-31 09:12", "2012-05-31 15:40"}));
    }
}

TEST_F(LauncherHistoryTest, SessionScreenActionsWriteAndShowHistory) {
    TForm1 launcher(clock_, folder_.path());
    const SessionScreenActions actions = launcher.MakeSessionScreenActions();
    launcher.station().slot(1).lap(1).lap_time = 6233;

    ASSERT_TRUE(actions.write_session_file);
    EXPECT_TRUE(actions.write_session_file());
    EXPECT_EQ(launcher.station().sessions.count, 3);
    EXPECT_FALSE(folder_.Read("Sessions/2012_05_31/2012_05_31_16_00.txt").isEmpty());

    QStringList tabs;
    ModalScript history({[&tabs](QWidget* window) {
        auto* bar = window->findChild<QTabBar*>("TabControl1");
        for (int i = 0; i < bar->count(); ++i) {
            tabs << bar->tabText(i);
        }
        ClickButton1(window);
    }});
    actions.show_todays_history();
    EXPECT_EQ(tabs.size(), 3);
    EXPECT_EQ(tabs.value(2), "3 : 2012-05-31 16:00");
}

TEST_F(LauncherHistoryTest, FailedSessionWriteIsReportedAndLeavesTheListAlone) {
    TForm1 launcher(clock_, folder_.path());
    const SessionScreenActions actions = launcher.MakeSessionScreenActions();
    // A disk too full for a session file: the write must fail.
    QString box_text;
    ModalScript script({[&box_text](QWidget* box) {
        box_text = qobject_cast<QMessageBox*>(box)->text();
        box->close();
    }});
    {
        const DiskFull full(100);
        EXPECT_FALSE(actions.write_session_file());
    }
    EXPECT_EQ(script.seen(), QStringList{"QMessageBox"});
    EXPECT_TRUE(box_text.contains("2012_05_31_16_00.txt")) << box_text.toStdString();
    EXPECT_EQ(launcher.station().sessions.count, 2);
}
