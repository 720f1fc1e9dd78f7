#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include <QTableWidget>
#include "FakeClock.h"
#include "ModalScript.h"
#include "RecordsUpdater.h"
#include "RecordsWindow.h"
#include "SessionFile.h"
#include "TForm1.h"
#include "TempFolder.h"
#include "TimesheetDialog.h"

namespace {

class LauncherTimesheetTest : public ::testing::Test {
  protected:
    LauncherTimesheetTest() {
        clock_.SetLocalDateTime(QDateTime(QDate(2012, 5, 31), QTime(16, 0)));
    }

    QPushButton* Button(TForm1& launcher, const char* name) {
        return launcher.findChild<QPushButton*>(QString::fromLatin1(name));
    }

    TempFolder folder_;
    FakeClock clock_;
};

TEST_F(LauncherTimesheetTest, SmallButtonInTheGapLeavesTheFiveButtonsAndRoomForMore) {
    TForm1 launcher(clock_, folder_.path());
    launcher.show();
    QPushButton* sheet = Button(launcher, "ButtonTimesheet");
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->text(), "Timesheet of last session");
    EXPECT_EQ(sheet->geometry(), QRect(72, 368, 241, 28));
    EXPECT_EQ(Button(launcher, "Button5")->geometry(), QRect(72, 288, 241, 73));
    EXPECT_EQ(Button(launcher, "Button3")->geometry(), QRect(72, 424, 241, 73));
    // The 28 pixels from 396 down to "Exit program" stay free for a later setting.
    EXPECT_LE(sheet->geometry().bottom() + 1, 396);
    // No session today yet: nothing to print.
    EXPECT_FALSE(sheet->isEnabled());
}

TEST_F(LauncherTimesheetTest, OpensTheSheetOfTheSessionThatEndedLast) {
    TForm1 launcher(clock_, folder_.path());
    EXPECT_FALSE(Button(launcher, "ButtonTimesheet")->isEnabled());

    // Two sessions recorded today, as "END SESSION" records them.
    const SessionScreenActions actions = launcher.MakeSessionScreenActions();
    launcher.station().slot(2).driver_name = QStringLiteral("Early");
    launcher.station().slot(2).lap(1) = {6233, "", 4, 0, 0};
    ASSERT_TRUE(actions.write_session_file());
    clock_.SetLocalDateTime(QDateTime(QDate(2012, 5, 31), QTime(16, 30)));
    launcher.station().slot(2).driver_name = QStringLiteral("Late");
    ASSERT_TRUE(actions.write_session_file());
    ASSERT_EQ(launcher.station().sessions.count, 2);
    QPushButton* sheet = Button(launcher, "ButtonTimesheet");
    EXPECT_TRUE(sheet->isEnabled());
    const QString shots = qEnvironmentVariable("RUVO_SCREENSHOTS");
    if (!shots.isEmpty()) {
        launcher.show();
        launcher.grab().save(shots + "/launcher.png");
    }

    Timesheet shown;
    ModalScript script({[&](QWidget* dialog) {
        shown = qobject_cast<TimesheetDialog*>(dialog)->ChosenSheet();
        Later([dialog] {
            QTest::mouseClick(dialog->findChild<QPushButton*>("CloseButton"), Qt::LeftButton);
        });
    }});
    QTest::mouseClick(sheet, Qt::LeftButton);
    EXPECT_EQ(script.seen(), QStringList{"TimesheetDialog"});
    EXPECT_EQ(shown.session_label, "2012-05-31 16:30");
    EXPECT_TRUE(shown.only_fastest);
    ASSERT_EQ(shown.drivers.size(), 1u);
    EXPECT_EQ(shown.drivers[0].driver_name, "Late");
    EXPECT_EQ(shown.drivers[0].laps[0].lap_time, 6233);
}

}  // namespace

TEST_F(LauncherTimesheetTest, RecordsBesideTheTimesheetShowTheSessionJustEnded) {
    TForm1 launcher(clock_, folder_.path());
    QPushButton* records = Button(launcher, "ButtonRecords");
    ASSERT_NE(records, nullptr);
    // Right of "Timesheet of last session", inside the window (381 wide).
    EXPECT_EQ(records->geometry(), QRect(317, 368, 60, 28));
    launcher.station().slot(4).driver_name = QStringLiteral("Zając");
    launcher.station().slot(4).lap(1) = {5999, "", 3, 0, 0};
    ASSERT_TRUE(launcher.MakeSessionScreenActions().write_session_file());
    // The index is brought up to date off the launcher's thread.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !launcher.records_updater()->busy(); }, 20000));
    EXPECT_TRUE(launcher.records_updater()->last().error.isEmpty());
    QStringList today;
    ModalScript script({[&](QWidget* dialog) {
        auto* table = dialog->findChild<QTableWidget*>("RecordsTable0");
        for (int c = 0; c < table->columnCount() && table->rowCount() > 0; ++c) {
            today << table->item(0, c)->text();
        }
        Later([dialog] {
            QTest::mouseClick(dialog->findChild<QPushButton*>("RecordsClose"), Qt::LeftButton);
        });
    }});
    QTest::mouseClick(records, Qt::LeftButton);
    EXPECT_EQ(script.seen(), QStringList{"RecordsWindow"});
    EXPECT_EQ(today,
              (QStringList{"1", QString::fromUtf8("Zając"), "00:59:99", "2012-05-31 16:00", "4"}));
}
