#include <gtest/gtest.h>

#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <vector>

#include "BestLapsGrid.h"
#include "FakeClock.h"
#include "LapPressWatcher.h"
#include "ModalScript.h"
#include "PopupScript.h"
#include "QtPrinters.h"
#include "Tfekranglowny.h"

namespace {

// Slot 2 is the hand-timed kart of driver Nowak whose laps are corrected.
struct CorrectionFixture : ::testing::Test {
    FakeClock clock;
    Station station{clock, QStringLiteral("/nonexistent/")};
    SessionScreenActions actions;
    std::vector<LapCorrection> corrections;
    std::vector<std::pair<int, int>> details;
    std::unique_ptr<Tfekranglowny> screen;

    void SetUp() override {
        for (int s = 1; s <= kSlotCount; ++s) {
            station.slot(s).driver_name = QStringLiteral("Driver %1").arg(s);
        }
        station.slot(2).driver_name = QStringLiteral("Nowak");
        actions.lap_corrected = [this](const LapCorrection& c) { corrections.push_back(c); };
        actions.show_lap_details = [this](int slot, int row) { details.emplace_back(slot, row); };
        screen = ShowSessionScreen(station, actions);
        screen->showNormal();
        screen->resize(Tfekranglowny::kDesignWidth, Tfekranglowny::kDesignHeight);
    }

    void Drive(int slot, qint32 number, qint32 time) {
        station.slot(slot).current_lap_number = number;
        screen->RecordLap(time, slot, 0, 0);
        clock.AdvanceCentiseconds(time);
    }

    QLabel* Label(const QString& name) const {
        auto* label = screen->findChild<QLabel*>(name);
        EXPECT_NE(label, nullptr) << name.toStdString();
        return label;
    }
    QString Time(int row) const { return Label(BestLapsGrid::LapTimeName(2, row))->text(); }
    QString Gap(int row) const { return Label(BestLapsGrid::GapName(2, row))->text(); }
    QString Number(int row) const { return Label(BestLapsGrid::LapNumberName(2, row))->text(); }
    QString Last() const { return Label("Label12")->text(); }
    QString LastGap() const { return Label("Label17")->text(); }
};

// What the menu offered: "text" or "text (disabled)", in order.
QStringList Offered(const QMenu* menu) {
    QStringList offered;
    for (const QAction* action : menu->actions()) {
        offered << action->text() + (action->isEnabled() ? "" : " (disabled)");
    }
    return offered;
}

std::function<void(QWidget*)> PressInBox(const char* button, QString* text = nullptr) {
    return [button, text](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal); box && text) {
            *text = box->text();
        }
        QTest::mouseClick(modal->findChild<QPushButton*>(button), Qt::LeftButton);
    };
}

}  // namespace

TEST_F(CorrectionFixture, RightClickDeletesTheChosenLapAndCtrlZBringsItBack) {
    Drive(2, 1, 4500);
    Drive(2, 2, 4300);
    Drive(2, 3, 4400);
    clock.SetLocalDateTime(QDateTime(QDate(2026, 12, 8), QTime(15, 30, 12)));

    QString menu_name;
    QStringList offered;
    QString question;
    PopupScript menu([&](QMenu* m) {
        menu_name = m->objectName();
        offered = Offered(m);
        ClickMenuAction(m, "DeleteLapAction");
    });
    ModalScript confirm({PressInBox("DeleteLapButton", &question)});
    QTest::mouseClick(Label(BestLapsGrid::LapTimeName(2, 1)), Qt::RightButton);

    EXPECT_EQ(menu_name, "LapCorrectionMenu");
    EXPECT_EQ(offered, QStringList{"Delete this lap"});
    EXPECT_EQ(confirm.seen(), QStringList{"QMessageBox"});
    EXPECT_TRUE(question.contains("Kart 2 - Nowak")) << question.toStdString();
    EXPECT_TRUE(question.contains("L:02   00:43:00")) << question.toStdString();
    EXPECT_TRUE(details.empty()) << "a right-click is no click";

    // Worked out again without lap 2: 4400 is the best, and "Last" (lap 3) is
    // now 1.00 s better than the best before it.
    EXPECT_EQ(Time(1), "00:44:00");
    EXPECT_EQ(Number(1), "L:03");
    EXPECT_EQ(Gap(1), "+00:00");
    EXPECT_EQ(Time(2), "00:45:00");
    EXPECT_EQ(Gap(2), "+01:00");
    EXPECT_EQ(Time(3), "--:--:--");
    EXPECT_EQ(Gap(3), "--:--");
    EXPECT_EQ(Number(3), "L--");
    EXPECT_EQ(Last(), "00:44:00");
    EXPECT_EQ(LastGap(), "-01:00");
    EXPECT_EQ(station.slot(2).best_lap_time, 4400);
    ASSERT_EQ(corrections.size(), 1u);
    EXPECT_EQ(corrections[0].slot, 2);
    EXPECT_EQ(corrections[0].lap_sequence, 2);
    EXPECT_EQ(corrections[0].lap_number, 2);
    EXPECT_EQ(corrections[0].lap_time, 4300);
    EXPECT_TRUE(corrections[0].deleted);
    EXPECT_EQ(corrections[0].at, QDateTime(QDate(2026, 12, 8), QTime(15, 30, 12)));

    screen->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(screen.get()));
    QTest::keyClick(screen.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Time(1), "00:43:00");
    EXPECT_EQ(Number(1), "L:02");
    EXPECT_EQ(Time(3), "00:45:00");
    EXPECT_EQ(LastGap(), "+01:00");
    EXPECT_EQ(station.slot(2).best_lap_time, 4300);
    ASSERT_EQ(corrections.size(), 2u);
    EXPECT_FALSE(corrections[1].deleted);
    EXPECT_EQ(corrections[1].lap_sequence, 2);

    // Nothing left to undo.
    QTest::keyClick(screen.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(corrections.size(), 2u);
}

TEST_F(CorrectionFixture, CancelKeepsTheLapAndTheMenuOffersUndoAfterADeletion) {
    Drive(2, 1, 4500);
    Drive(2, 2, 4300);
    {
        PopupScript menu([](QMenu* m) { ClickMenuAction(m, "DeleteLapAction"); });
        ModalScript confirm({PressInBox("CancelDeleteButton")});
        QTest::mouseClick(Label(BestLapsGrid::GapName(2, 2)), Qt::RightButton);
        EXPECT_TRUE(confirm.done());
    }
    EXPECT_EQ(Time(2), "00:45:00");
    EXPECT_TRUE(corrections.empty());

    // A row without a lap offers nothing to delete.
    QStringList offered;
    {
        PopupScript menu([&](QMenu* m) {
            offered = Offered(m);
            ClickMenuAction(m, "DeleteLapAction");
        });
        QTest::mouseClick(Label(BestLapsGrid::LapNumberName(2, 3)), Qt::RightButton);
    }
    EXPECT_EQ(offered, QStringList{"Delete this lap (disabled)"});
    EXPECT_TRUE(corrections.empty());

    ASSERT_TRUE(screen->DeleteLap(1));
    EXPECT_EQ(Time(2), "--:--:--");
    {
        PopupScript menu([&](QMenu* m) {
            offered = Offered(m);
            ClickMenuAction(m, "UndoLapAction");
        });
        QTest::mouseClick(Label("Label12"), Qt::RightButton);
    }
    EXPECT_EQ(offered, (QStringList{"Delete this lap", "Undo"}));
    EXPECT_EQ(Time(2), "00:45:00");
    ASSERT_EQ(corrections.size(), 2u);
    EXPECT_FALSE(corrections[1].deleted);
}

TEST_F(CorrectionFixture, ALapArrivingDuringTheConfirmationDoesNotChangeTheLapDeleted) {
    Drive(2, 1, 4500);
    Drive(2, 2, 4300);
    Drive(2, 3, 4400);
    QString question;
    PopupScript menu([](QMenu* m) { ClickMenuAction(m, "DeleteLapAction"); });
    ModalScript confirm({[&](QWidget* box) {
        question = qobject_cast<QMessageBox*>(box)->text();
        // A new best lap arrives while the operator reads: row 2 now holds lap 2.
        Drive(2, 4, 4200);
        ASSERT_EQ(Number(2), "L:02");
        PressInBox("DeleteLapButton")(box);
    }});
    QTest::mouseClick(Label(BestLapsGrid::LapTimeName(2, 2)), Qt::RightButton);  // lap 3

    EXPECT_TRUE(question.contains("L:03   00:44:00")) << question.toStdString();
    ASSERT_EQ(corrections.size(), 1u);
    EXPECT_EQ(corrections[0].lap_number, 3);
    EXPECT_EQ(corrections[0].lap_sequence, 3);
    EXPECT_EQ(Number(1), "L:04");
    EXPECT_EQ(Number(2), "L:02");
    EXPECT_EQ(Number(3), "L:01");
    EXPECT_EQ(Time(4), "--:--:--");
    EXPECT_EQ(Last(), "00:42:00");  // the new lap stands
}

TEST_F(CorrectionFixture, DeletingEveryLapFromLastReturnsTheKartToItsNoLapState) {
    screen->RefreshKarts();
    const QString last_before = Last();
    const QString gap_before = LastGap();
    Drive(2, 1, 4500);
    Drive(2, 2, 4300);
    screen->RefreshKarts();
    ASSERT_EQ(Last(), "00:43:00");
    for (int lap = 2; lap >= 1; --lap) {
        PopupScript menu([](QMenu* m) { ClickMenuAction(m, "DeleteLapAction"); });
        QString question;
        ModalScript confirm({PressInBox("DeleteLapButton", &question)});
        // "Last": its time, then its gap.
        QTest::mouseClick(Label(lap == 2 ? "Label12" : "Label17"), Qt::RightButton);
        EXPECT_TRUE(question.contains(QStringLiteral("L:0%1").arg(lap))) << question.toStdString();
    }
    ASSERT_EQ(corrections.size(), 2u);
    for (int row = 1; row <= 5; ++row) {
        EXPECT_EQ(Time(row), "--:--") << row;
        EXPECT_EQ(Gap(row), "--:--") << row;
        EXPECT_EQ(Number(row), "L--") << row;
    }
    EXPECT_EQ(Last(), last_before);
    EXPECT_EQ(LastGap(), gap_before);
    EXPECT_EQ(station.slot(2).lap(1).lap_time, 0);
    EXPECT_EQ(station.slot(2).best_lap_time, 0);
    // Nothing left to delete from "Last" either.
    QStringList offered;
    PopupScript menu([&](QMenu* m) {
        offered = Offered(m);
        QTest::keyClick(m, Qt::Key_Escape);
    });
    QTest::mouseClick(Label("Label12"), Qt::RightButton);
    EXPECT_EQ(offered, (QStringList{"Delete this lap (disabled)", "Undo"}));
}

TEST_F(CorrectionFixture, ALongPressOpensTheMenuAndIsNoClick) {
    Drive(2, 1, 4500);
    QLabel* row = Label(BestLapsGrid::LapTimeName(2, 1));
    PopupScript menu([](QMenu* m) { QTest::keyClick(m, Qt::Key_Escape); });
    QTest::mousePress(row, Qt::LeftButton);
    for (int wait = 0; wait < 300 && !menu.answered(); ++wait) {
        QTest::qWait(10);
    }
    QTest::mouseRelease(row, Qt::LeftButton);
    EXPECT_TRUE(menu.answered());
    EXPECT_TRUE(details.empty());
    EXPECT_EQ(Time(1), "00:45:00");

    // A plain click still opens the lap details.
    QTest::mouseClick(row, Qt::LeftButton);
    EXPECT_EQ(details, (std::vector<std::pair<int, int>>{{2, 1}}));
}

TEST_F(CorrectionFixture, AfterTheSessionEndedNothingIsCorrected) {
    Drive(3, 1, 5100);
    Drive(3, 2, 5000);
    ASSERT_TRUE(screen->DeleteLap(2));
    corrections.clear();
    QTest::mouseClick(screen->findChild<QPushButton*>("Button1"), Qt::LeftButton);
    ASSERT_TRUE(screen->isHidden());

    EXPECT_FALSE(screen->UndoLapCorrection());
    EXPECT_FALSE(screen->DeleteLap(1));
    QTest::keyClick(screen.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(corrections.empty());
    EXPECT_EQ(station.slot(3).lap(1).lap_time, 5100);
    EXPECT_EQ(station.slot(3).lap(2).lap_time, 0);
}

// Pictures of the menu and the confirmation for the docs: RUVO_SCREENSHOT_DIR=<folder>.
TEST_F(CorrectionFixture, Screenshots) {
    const QString folder = qEnvironmentVariable("RUVO_SCREENSHOT_DIR");
    if (folder.isEmpty()) {
        GTEST_SKIP() << "RUVO_SCREENSHOT_DIR not set";
    }
    const qint32 times[] = {4512, 4398, 4471, 4420, 4389, 4455, 4402};
    for (int lap = 1; lap <= 7; ++lap) {
        Drive(2, lap, times[lap - 1]);
        Drive(4, lap, times[lap - 1] + 211 - 37 * lap);
    }
    screen->RefreshKarts();
    // The popup and the box are windows of their own: drawn over the screen.
    auto over_screen = [this](QWidget* window, const QString& file) {
        QPixmap picture = screen->grab();
        QPainter painter(&picture);
        painter.drawPixmap(screen->mapFromGlobal(window->geometry().topLeft()), window->grab());
        painter.end();
        EXPECT_TRUE(picture.save(file));
    };
    PopupScript menu([&](QMenu* m) {
        QTest::qWait(50);
        over_screen(m, folder + "/lap-correction-menu.png");
        ClickMenuAction(m, "DeleteLapAction");
    });
    ModalScript confirm({[&](QWidget* box) {
        over_screen(box, folder + "/lap-correction-confirm.png");
        PressInBox("DeleteLapButton")(box);
    }});
    QLabel* row = Label(BestLapsGrid::LapTimeName(2, 3));
    QTest::mouseClick(row, Qt::RightButton, {}, row->rect().center());
    EXPECT_TRUE(confirm.done());
    EXPECT_EQ(Number(3), "L:04");  // lap 7 gone, the laps after it moved up
}
