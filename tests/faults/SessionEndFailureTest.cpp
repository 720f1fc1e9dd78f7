#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <optional>

#include "DiskFull.h"
#include "FakeClock.h"
#include "LapLogFormat.h"
#include "ModalScript.h"
#include "SimReceiver.h"
#include "TForm1.h"
#include "TempFolder.h"
#include "Tfekranglowny.h"

// Writes that keep failing while a session runs: the operator is asked in front of
// the session screen, and a session that cannot be written can still be ended.
namespace {

// Runs `answer` on the modal dialog of type Dialog that opens next; queue it before
// the click that opens it.
template <typename Dialog>
void Then(std::function<void(Dialog*)> answer) {
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            ADD_FAILURE() << "expected dialog did not open";
            if (QWidget* other = QApplication::activeModalWidget()) {
                other->close();
            }
            return;
        }
        answer(dialog);
    });
}

void Press(QWidget* dialog, const char* button) {
    auto* found = dialog->findChild<QPushButton*>(QString::fromUtf8(button));
    if (found == nullptr) {
        ADD_FAILURE() << "no button " << button;
        dialog->close();
        return;
    }
    found->click();
}

QString BoxText(const QMessageBox* box) {
    return box->text() + "\n" + box->informativeText();
}

class SessionEndFailureTest : public ::testing::Test {
  protected:
    SessionEndFailureTest() {
        sim::SimReceiver::Instance().Reset();  // no receiver: the loop keeps looking
        clock.SetLocalDateTime(QDateTime(QDate(2012, 5, 31), QTime(16, 0)));
        folder.Write("ustawienia.ini", "[Parametry]\r\nNAME1=Ann\r\nNAME2=Bob\r\nNAME3=Celina\r\n");
    }
    ~SessionEndFailureTest() override { sim::SimReceiver::Instance().Reset(); }

    // "Session start"; `during` runs once inside the poll loop, on the shown screen.
    // A safety stop ends a loop that would otherwise hang the test.
    void RunSession(TForm1& launcher, const std::function<void(Tfekranglowny&)>& during) {
        QTimer step;
        step.setInterval(10);
        QObject::connect(&step, &QTimer::timeout, [&] {
            auto* screen = dynamic_cast<Tfekranglowny*>(launcher.station().session_screen);
            if (screen != nullptr && screen->isVisible()) {
                step.stop();
                during(*screen);
            }
        });
        QTimer safety;
        safety.setSingleShot(true);
        QObject::connect(&safety, &QTimer::timeout, [&] {
            ADD_FAILURE() << "the session did not end";
            launcher.station().stop_requested = true;
        });
        step.start();
        safety.start(20000);
        QTest::mouseClick(launcher.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    }

    static void EndSession(Tfekranglowny& screen) {
        QTest::mouseClick(screen.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    }

    TempFolder folder;
    FakeClock clock;
};

TEST_F(SessionEndFailureTest, KartSettingsThatCannotBeSavedAreReportedInFrontOfTheScreen) {
    QFile::remove(folder.file("ustawienia.ini"));
    QDir().mkpath(folder.file("ustawienia.ini"));  // a folder where the file should be
    TForm1 launcher(clock, folder.path());
    launcher.show();
    QWidget* parent = nullptr;
    QString text;
    bool screen_still_shown = false;
    RunSession(launcher, [&](Tfekranglowny& screen) {
        Then<QMessageBox>([&](QMessageBox* box) {
            parent = box->parentWidget();
            text = BoxText(box);
            box->close();
        });
        launcher.MakeSessionScreenActions().save_kart_settings();
        screen_still_shown = screen.isVisible();
        EndSession(screen);
    });
    auto* screen = dynamic_cast<Tfekranglowny*>(launcher.station().session_screen);
    EXPECT_NE(screen, nullptr);
    EXPECT_EQ(parent, screen);
    EXPECT_TRUE(text.contains("ustawienia.ini")) << text.toStdString();
    EXPECT_TRUE(screen_still_shown);
    EXPECT_EQ(launcher.station().poll_mode, kPollIdle);
}

TEST_F(SessionEndFailureTest, UnwritableSessionIsSavedToAFolderTheOperatorPicks) {
    folder.Write("Sessions", "in the way");  // the day folder cannot be made
    TempFolder elsewhere;
    // The first folder picked cannot take the lap log: a file stands where its laps
    // folder should be. The minute's name is a folder there, which is never replaced.
    QDir().mkpath(elsewhere.file("full/2012_05_31_16_00.txt"));
    elsewhere.Write("full/laps", "in the way");
    QDir().mkpath(elsewhere.file("usb-stick"));

    TForm1 launcher(clock, folder.path());
    launcher.show();
    Station& station = launcher.station();
    QStringList box_texts;
    QList<QWidget*> parents;
    bool kept_after_back = false;
    RunSession(launcher, [&](Tfekranglowny& screen) {
        screen.RecordLap(6233, 1, 12100, 5300);
        screen.RecordLap(6150, 1, 12000, 5200);

        // "Back to the session" keeps it running, as before.
        Then<QMessageBox>([&](QMessageBox* box) {
            box_texts << BoxText(box);
            Press(box, "KeepSession");
        });
        EndSession(screen);
        kept_after_back = screen.isVisible() && !station.stop_requested &&
                          screen.findChild<QPushButton*>("Button1")->isEnabled();

        Then<QMessageBox>([&](QMessageBox* box) {
            box_texts << BoxText(box);
            parents << box->parentWidget();
            Then<QFileDialog>([&](QFileDialog* dialog) {
                parents << dialog->parentWidget();
                dialog->setDirectory(elsewhere.file("full"));
                Then<QMessageBox>([&](QMessageBox* again) {
                    box_texts << BoxText(again);
                    Then<QFileDialog>([&](QFileDialog* second) {
                        second->setDirectory(elsewhere.file("usb-stick"));
                        static_cast<QDialog*>(second)->accept();
                    });
                    Press(again, "OtherFolder");
                });
                static_cast<QDialog*>(dialog)->accept();
            });
            Press(box, "OtherFolder");
        });
        EndSession(screen);
    });

    EXPECT_TRUE(kept_after_back);
    ASSERT_EQ(box_texts.size(), 3);
    EXPECT_TRUE(box_texts[0].contains("Sessions")) << box_texts[0].toStdString();
    EXPECT_TRUE(box_texts[2].contains(elsewhere.file("full/laps"))) << box_texts[2].toStdString();
    // All or nothing: no session file without its lap log is left in that folder.
    EXPECT_EQ(QDir(elsewhere.file("full")).entryList(QDir::Files), QStringList{"laps"});
    // The laps of the session, kept in memory while its journal could not be
    // written, are its lap log in the folder that took it.
    const SessionLapLog log = ReadLapLog(elsewhere.file("usb-stick/laps/2012_05_31_16_00.csv"));
    ASSERT_EQ(log.laps.size(), 2u);
    EXPECT_EQ(log.laps[1].lap_time, 6150);
    auto* screen = dynamic_cast<Tfekranglowny*>(station.session_screen);
    EXPECT_EQ(parents, (QList<QWidget*>{screen, screen}));
    EXPECT_FALSE(screen->isVisible());
    EXPECT_EQ(station.poll_mode, kPollIdle);

    const QByteArray saved = elsewhere.Read("usb-stick/2012_05_31_16_00.txt");
    EXPECT_TRUE(
        saved.startsWith("[Ustawienia]\r\nNAZWA_1=Ann\r\nRADIO_1=0\r\nSN_1=0\r\n"
                         "BEST_1=01:01:50\r\nLAPS_1_1=01:01:50\r\n"))
        << saved.left(120).toStdString();
    EXPECT_TRUE(saved.contains("\r\nLAPSINT_1_2=6233\r\nLAPS_1_3=00:00:00\r\n"));
    EXPECT_EQ(saved.count("\r\n"), 271);
    EXPECT_EQ(folder.Read("Sessions"), "in the way");
    EXPECT_EQ(station.sessions.count, 0);  // not in today's folder
}

TEST_F(SessionEndFailureTest, OnAFullDiskEndingWithoutSavingNamesTheLapsLostAndCanBeCalledOff) {
    TForm1 launcher(clock, folder.path());
    launcher.show();
    Station& station = launcher.station();
    QString confirmation;
    int boxes = 0;
    bool running_after_cancel = false;
    RunSession(launcher, [&](Tfekranglowny& screen) {
        screen.RecordLap(6233, 1, 0, 0);
        screen.RecordLap(7001, 1, 0, 0);
        screen.RecordLap(5999, 3, 0, 0);
        DiskFull disk_full(100);  // stays full for every attempt

        Then<QMessageBox>([&](QMessageBox* box) {
            ++boxes;
            Then<QMessageBox>([&](QMessageBox* confirm) {
                confirmation = BoxText(confirm);
                Then<QMessageBox>([&](QMessageBox* again) {
                    ++boxes;
                    Then<QMessageBox>([&](QMessageBox* confirm_again) {
                        running_after_cancel = screen.isVisible();
                        Press(confirm_again, "EndWithoutSaving");
                    });
                    Press(again, "EndWithoutSaving");
                });
                confirm->button(QMessageBox::Cancel)->click();  // called off: asked again
            });
            Press(box, "EndWithoutSaving");
        });
        EndSession(screen);
    });

    EXPECT_EQ(boxes, 2);
    EXPECT_TRUE(running_after_cancel);
    EXPECT_TRUE(confirmation.contains("End the session without saving it?"));
    EXPECT_TRUE(confirmation.contains("Kart 1 (Ann): 2 laps\nKart 3 (Celina): 1 lap"))
        << confirmation.toStdString();
    EXPECT_FALSE(confirmation.contains("Bob"));
    auto* screen = dynamic_cast<Tfekranglowny*>(station.session_screen);
    EXPECT_FALSE(screen->isVisible());
    EXPECT_EQ(station.poll_mode, kPollIdle);
    EXPECT_FALSE(QFileInfo::exists(folder.file("Sessions/2012_05_31/2012_05_31_16_00.txt")));
    // Nothing is taken from the kart slots: the laps are still there until the next start.
    EXPECT_EQ(station.slot(1).lap(1).lap_time, 6233);
}

}  // namespace

// The session file is written but its laps folder cannot be made: the laps held in
// memory go to a folder the operator picks, with a copy of the session file, and
// losing them takes a confirmation.
TEST_F(SessionEndFailureTest, ALapLogThatCannotStandBesideItsSessionIsSavedElsewhere) {
    folder.Write("Sessions/2012_05_31/laps", "in the way");
    TempFolder elsewhere;
    TForm1 launcher(clock, folder.path());
    launcher.show();
    QString text;
    ModalScript answers(
        {[&](QWidget* box) {
             text = BoxText(static_cast<QMessageBox*>(box));
             Later([box] { Press(box, "LoseLapLog"); });
         },
         [](QWidget* sure) {
             Later(
                 [sure] { static_cast<QMessageBox*>(sure)->button(QMessageBox::Cancel)->click(); });
         },
         [](QWidget* box) { Later([box] { Press(box, "OtherFolder"); }); },
         [&](QWidget* dialog) {
             static_cast<QFileDialog*>(dialog)->setDirectory(elsewhere.path());
             static_cast<QDialog*>(dialog)->accept();
         }});
    RunSession(launcher, [&](Tfekranglowny& screen) {
        screen.RecordLap(6233, 1, 0, 0);
        screen.RecordLap(6150, 1, 0, 0);
        EndSession(screen);
    });
    QTest::qWait(50);

    EXPECT_TRUE(answers.done()) << answers.seen().join(' ').toStdString();
    EXPECT_TRUE(text.contains("held only in memory")) << text.toStdString();
    EXPECT_EQ(elsewhere.Read("2012_05_31_16_00.txt"),
              folder.Read("Sessions/2012_05_31/2012_05_31_16_00.txt"));
    const SessionLapLog log = ReadLapLog(elsewhere.file("laps/2012_05_31_16_00.csv"));
    ASSERT_EQ(log.laps.size(), 2u);
    EXPECT_EQ(log.laps[1].lap_time, 6150);
}
