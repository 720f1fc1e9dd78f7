#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <functional>
#include <memory>

#include "FakeClock.h"
#include "IntEdit.h"
#include "SimFrames.h"
#include "SimReceiver.h"
#include "TFInstalDrivers.h"
#include "TForm1.h"
#include "TempFolder.h"
#include "Tflistakomunikatow.h"
#include "TftransTest.h"

TEST(LauncherMessages, MessagesButtonOpensTheStoredListModallyAndSavesOnClose) {
    TempFolder folder;
    folder.Write("messages.ini", "[Parametry]\r\nmCount=1\r\nm1L1=BOX\r\n");
    FakeClock clock;
    TForm1 launcher(clock, folder.path());
    launcher.show();
    int rows = -1;
    QTimer::singleShot(0, [&] {
        auto* list = qobject_cast<Tflistakomunikatow*>(QApplication::activeModalWidget());
        ASSERT_NE(list, nullptr);
        rows = list->table().count();
        QTest::mouseClick(list->findChild<QPushButton*>("Button1"), Qt::LeftButton);
    });
    QTest::mouseClick(launcher.findChild<QPushButton*>("Button5"), Qt::LeftButton);
    EXPECT_EQ(rows, 1);
    EXPECT_TRUE(folder.Read("messages.ini").endsWith("m1ColorF=0\r\n"));
}

namespace {

sim::SimReceiver& Sim() {
    return sim::SimReceiver::Instance();
}

TftransTest* OpenTestWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<TftransTest*>(widget); window && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

// Every 10 ms while the launcher's test loop runs: a modal dialog in front is noted
// in `modal_seen` and closed; otherwise `step` runs on the test window, and when it
// returns true (or after 5 s) the test window is closed, which ends the loop.
void WhileTestRuns(std::function<bool(TftransTest*)> step, QStringList* modal_seen,
                   bool* timed_out) {
    auto* poll = new QTimer();
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(poll, &QTimer::timeout, [=] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal_seen->append(modal->windowTitle());
            modal->close();
            return;
        }
        TftransTest* window = OpenTestWindow();
        if (window == nullptr) {
            return;
        }
        const bool late = started->elapsed() > 5000;
        if (step(window) || late) {
            *timed_out = late;
            poll->stop();
            poll->deleteLater();
            QTest::mouseClick(window->findChild<QPushButton*>("Button1"), Qt::LeftButton);
        }
    });
    poll->start(10);
}

class LauncherTransmissionTest : public ::testing::Test {
  protected:
    LauncherTransmissionTest() {
        Sim().Reset();
        Sim().SetTimeScale(0);
        Sim().SetEmptyReadSleep(std::chrono::microseconds(100));
        launcher.show();
        launcher.station().memdane.Replace(MemdaneRow{});
    }
    ~LauncherTransmissionTest() override { Sim().Reset(); }

    void ExpectIdleAfterwards() {
        EXPECT_FALSE(timed_out);
        EXPECT_EQ(launcher.station().poll_mode, kPollIdle);
        EXPECT_EQ(launcher.station().transmission_test, nullptr);
        EXPECT_EQ(OpenTestWindow(), nullptr);  // deleted, not just hidden
        EXPECT_TRUE(launcher.findChild<QPushButton*>("Button4")->isEnabled());
    }

    TempFolder folder;
    FakeClock clock;
    TForm1 launcher{clock, folder.path()};
    bool timed_out = false;
    QStringList modal_seen;
};

}  // namespace

TEST_F(LauncherTransmissionTest, WithoutReceiverTheWizardComesFirstThenTheTestWindow) {
    bool polling_seen = false;
    WhileTestRuns(
        [&](TftransTest*) {
            polling_seen = launcher.station().poll_mode == kPollTransmissionTest &&
                           !launcher.findChild<QPushButton*>("Button4")->isEnabled();
            return true;
        },
        &modal_seen, &timed_out);
    QTest::mouseClick(launcher.findChild<QPushButton*>("Button4"), Qt::LeftButton);
    EXPECT_EQ(modal_seen, QStringList{"Install drivers"});
    EXPECT_TRUE(launcher.station().memdane.rows().empty());  // emptied at the start
    EXPECT_TRUE(polling_seen);
    ExpectIdleAfterwards();
}

// A receiver that is there but cannot be used needs the same help as a missing one.
TEST_F(LauncherTransmissionTest, AReceiverWithoutAccessOrUnfitAlsoGetsTheWizardFirst) {
    const int receiver = Sim().AttachReceiver();
    Sim().SetAccess(receiver, sim::Access::kReadOnly);
    WhileTestRuns([&](TftransTest*) { return true; }, &modal_seen, &timed_out);
    QTest::mouseClick(launcher.findChild<QPushButton*>("Button4"), Qt::LeftButton);
    EXPECT_EQ(modal_seen, QStringList{"Install drivers"});
    EXPECT_EQ(launcher.station().receiver_status.state, ReceiverState::kNoAccess);
    ExpectIdleAfterwards();

    modal_seen.clear();
    Sim().SetAccess(receiver, sim::Access::kFull);
    Sim().SetConfigurations(receiver, {{1, {{0, {}}}}});  // no interface 1
    Sim().ClearCalls();
    WhileTestRuns([&](TftransTest*) { return true; }, &modal_seen, &timed_out);
    QTest::mouseClick(launcher.findChild<QPushButton*>("Button4"), Qt::LeftButton);
    EXPECT_EQ(modal_seen, QStringList{"Install drivers"});
    EXPECT_EQ(launcher.station().receiver_status.state, ReceiverState::kNotUsable);
    EXPECT_TRUE(std::none_of(Sim().calls().begin(), Sim().calls().end(),
                             [](const sim::Call& call) { return call.function == "usb_open"; }));
    ExpectIdleAfterwards();
}

TEST_F(LauncherTransmissionTest, FreshFramesOfTheChosenUnitShowOkAndTheNetworkValue) {
    const int receiver = Sim().AttachReceiver();
    Sim().SetNetworkValue(4660);
    bool queued = false;
    QString status;
    QString network;
    WhileTestRuns(
        [&](TftransTest* window) {
            if (!queued) {
                window->findChild<IntEdit*>("IntEdit1")->setText("700");
                for (const std::uint8_t counter : {5, 6}) {
                    sim::TimingFields fields;
                    fields.serial = 700;
                    fields.counter = counter;
                    Sim().QueueFrame(receiver, sim::MakeTimingFrame(fields));
                }
                queued = true;
                return false;
            }
            status = window->findChild<QLabel*>("Label2")->text();
            network = window->findChild<QLabel*>("Label3")->text();
            return status == "Transmission OK";
        },
        &modal_seen, &timed_out);
    QTest::mouseClick(launcher.findChild<QPushButton*>("Button4"), Qt::LeftButton);
    EXPECT_EQ(status, "Transmission OK");
    EXPECT_EQ(network, "Network: 4660");
    EXPECT_TRUE(modal_seen.isEmpty());                        // a receiver is attached: no wizard
    ASSERT_EQ(launcher.station().memdane.rows().size(), 1u);  // the old row went at the start
    EXPECT_EQ(launcher.station().memdane.rows()[0].sn, 700);
    ExpectIdleAfterwards();
}

TEST(LauncherKartSettings, KartHeaderOpensSettingsAndTheQueuedMessageGoesOutInTheSession) {
    Sim().Reset();
    Sim().SetTimeScale(0);
    Sim().SetEmptyReadSleep(std::chrono::microseconds(100));
    const int receiver = Sim().AttachReceiver();
    TempFolder folder;
    folder.Write("ustawienia.ini", "[Parametry]\r\nRadio1=1\r\nSN1=1001\r\nNAME1=Ala\r\n");
    FakeClock clock;
    TForm1 launcher(clock, folder.path());
    launcher.show();

    // Steps run from a timer inside the session loop, one per tick.
    int step = 0;
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        QWidget* screen = dynamic_cast<QWidget*>(launcher.station().session_screen);
        if (screen == nullptr || !screen->isVisible() || QApplication::activeModalWidget()) {
            return;
        }
        auto* header = screen->findChild<QLabel*>("Panel4");
        ASSERT_NE(header, nullptr);
        if (++ticks > 500) {  // 5 s: give up, the checks below report what is missing
            ticker.stop();
            QTest::mouseClick(screen->findChild<QPushButton*>("Button1"), Qt::LeftButton);
            return;
        }
        if (step == 0) {
            sim::TimingFields fields;
            fields.serial = 1001;
            fields.node = 0x0A0B;
            Sim().QueueFrame(receiver, sim::MakeTimingFrame(fields));  // gives slot 1 its node
        } else if (step == 1 && launcher.station().slot(1).node_address != 0x0A0B) {
            return;  // the frame has not been read yet
        } else if (step == 1) {
            QTimer::singleShot(0, [] {
                QWidget* dialog = QApplication::activeModalWidget();
                ASSERT_NE(dialog, nullptr);
                dialog->findChild<QLineEdit*>("Edit2")->setText("Ala Nowak");
                QTest::mouseClick(dialog->findChild<QPushButton*>("SpeedButton3"), Qt::LeftButton);
            });
            QTest::mouseClick(header, Qt::LeftButton);
        } else if (step == 2) {
            QTimer::singleShot(0, [] {
                QWidget* dialog = QApplication::activeModalWidget();
                ASSERT_NE(dialog, nullptr);
                dialog->findChild<QLineEdit*>("Edit1")->setText("Box now");
                QTest::mouseClick(dialog->findChild<QPushButton*>("SpeedButton1"), Qt::LeftButton);
            });
            QTest::mouseClick(header, Qt::LeftButton);
        } else if (Sim().LastMessageFrame(0x0A0B)) {
            ticker.stop();
            QTest::mouseClick(screen->findChild<QPushButton*>("Button1"), Qt::LeftButton);
        }
        ++step;
    });
    ticker.start(10);
    QTest::mouseClick(launcher.findChild<QPushButton*>("Button1"), Qt::LeftButton);

    EXPECT_EQ(launcher.station().slot(1).driver_name.str(), "Ala Nowak");
    EXPECT_TRUE(folder.Read("ustawienia.ini").contains("NAME1=Ala Nowak\r\n"));
    const std::optional<sim::Bytes64> frame = Sim().LastMessageFrame(0x0A0B);
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(std::string(frame->begin() + 13, frame->begin() + 25), "Box now     ");
    EXPECT_EQ((*frame)[6], 1);
    Sim().Reset();
}
