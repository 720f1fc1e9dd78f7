#include <gtest/gtest.h>

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "FakeClock.h"
#include "IntEdit.h"
#include "ModalHelpers.h"
#include "TFInstalDrivers.h"
#include "TempFolder.h"
#include "TftransTest.h"

namespace {

struct TestWindowFixture {
    TempFolder folder;
    FakeClock clock;
    Station station{clock, folder.path()};
    std::unique_ptr<TftransTest> window = ShowTransmissionTest(station);
    QLabel* status = Child<QLabel>(window.get(), "Label2");
    QLabel* network = Child<QLabel>(window.get(), "Label3");

    TestWindowFixture() { Child<IntEdit>(window.get(), "IntEdit1")->setText("700"); }

    bool Ok() const {
        const bool ok = status->text() == "Transmission OK";
        const QColor expected = ok ? QColor(0, 255, 0) : QColor(255, 0, 0);
        EXPECT_EQ(status->palette().color(QPalette::WindowText), expected);
        return ok;
    }
    // What an update did to Timer1. The timer is first set to run for 10 s, precisely,
    // and given 250 ms to run down, so that a restart (a full interval again) shows as
    // more time left than just before the update, and an untouched timer as no more;
    // the margin stays clear of a stall on a busy machine between the two readings.
    enum class Timer { Restarted, Running, Stopped };
    Timer Update(qint32 serial, qint32 counter) {
        QTimer* timer = window->timer1();
        timer->setTimerType(Qt::PreciseTimer);
        timer->start(10000);
        const int full = timer->remainingTime();
        while (timer->remainingTime() > full - 250) {
            QTest::qSleep(5);
        }
        const int before = timer->remainingTime();
        window->UpdateTransmission(serial, counter, 1);
        if (!timer->isActive()) {
            return Timer::Stopped;
        }
        return timer->remainingTime() > before ? Timer::Restarted : Timer::Running;
    }
    bool Restarted(qint32 serial, qint32 counter) {
        const Timer timer = Update(serial, counter);
        // The timer never stops: without fresh frames it keeps showing the error.
        EXPECT_NE(timer, Timer::Stopped) << serial << " " << counter;
        return timer == Timer::Restarted;
    }
};

}  // namespace

TEST(TransmissionTestWindow, OpensOnErrorWithARunningTimerAndRegistersItself) {
    TestWindowFixture f;
    EXPECT_EQ(f.window->windowTitle(), "Transmission test");
    EXPECT_FALSE(f.Ok());
    EXPECT_EQ(f.network->text(), "Network: ");
    EXPECT_EQ(f.station.transmission_test, f.window.get());
    EXPECT_TRUE(f.window->timer1()->isActive());
    EXPECT_EQ(f.window->timer1()->interval(), 1000);
}

TEST(TransmissionTestWindow, TwoDifferentCountersOfTheChosenUnitShowOkUntilATick) {
    TestWindowFixture f;
    EXPECT_FALSE(f.Restarted(700, 5));  // primes only
    EXPECT_FALSE(f.Ok());
    EXPECT_TRUE(f.Restarted(700, 6));
    EXPECT_TRUE(f.Ok());
    f.window->Timer1Timer();
    EXPECT_FALSE(f.Ok());
    EXPECT_EQ(f.window->last_counter(), 6);
    EXPECT_FALSE(f.Restarted(700, 6));  // a repeated counter is not fresh
    EXPECT_FALSE(f.Ok());
    EXPECT_TRUE(f.Restarted(700, 7));
    EXPECT_TRUE(f.Ok());
}

TEST(TransmissionTestWindow, CounterZeroOtherUnitsAndSerialEditsPrimeAgain) {
    TestWindowFixture f;
    f.window->UpdateTransmission(700, 5, 10);
    EXPECT_TRUE(f.Restarted(700, 0));   // differs from 5, so it is fresh itself...
    EXPECT_FALSE(f.Restarted(700, 1));  // ...but the frame after it only primes
    EXPECT_TRUE(f.Restarted(700, 2));

    // Another unit: the network value shows, the status and counter do not move.
    f.window->Timer1Timer();
    EXPECT_FALSE(f.Restarted(701, 9));
    EXPECT_EQ(f.network->text(), "Network: 1");
    f.window->UpdateTransmission(701, 10, -1);
    EXPECT_EQ(f.network->text(), "Network: -1");
    EXPECT_FALSE(f.Ok());
    EXPECT_EQ(f.window->last_counter(), 2);

    EXPECT_TRUE(f.Restarted(700, 3));
    QTest::keyClicks(Child<IntEdit>(f.window.get(), "IntEdit1"), "1");  // now 7001
    EXPECT_FALSE(f.Ok());
    EXPECT_EQ(f.window->last_counter(), 0);
    EXPECT_FALSE(f.Restarted(7001, 4));
    EXPECT_TRUE(f.Restarted(7001, 5));
}

TEST(TransmissionTestWindow, ShowsTheReceiverStatusBelowClose) {
    TestWindowFixture f;
    auto* line = Child<QLabel>(f.window.get(), "LabelReceiverStatus");
    EXPECT_EQ(line->text(), "USB-Key: not found");
    EXPECT_EQ(line->palette().color(QPalette::WindowText), QColor(192, 0, 0));
    EXPECT_TRUE(f.window->timer2()->isActive());

    const struct {
        ReceiverStatus status;
        const char* text;
        QColor colour;
    } cases[] = {
        {{ReceiverState::kNoAccess, "", 0},
         "USB-Key: no access - see Install drivers",
         QColor(192, 0, 0)},
        {{ReceiverState::kNotUsable, "no interface 1", 0},
         "USB-Key: not usable - no interface 1",
         QColor(192, 0, 0)},
        {{ReceiverState::kConnected, "", 41.4},
         "USB-Key: connected, 41 frames/s",
         QColor(0, 128, 0)},
        {{ReceiverState::kNotFound, "", 0}, "USB-Key: not found", QColor(192, 0, 0)},
    };
    for (const auto& c : cases) {
        f.station.receiver_status = c.status;
        f.window->ShowLinkInfo();  // what Timer2 does four times a second
        EXPECT_EQ(line->text(), c.text);
        EXPECT_EQ(line->palette().color(QPalette::WindowText), c.colour) << c.text;
        const QRect r = line->geometry();
        EXPECT_LE(QFontMetrics(line->font()).horizontalAdvance(line->text()), r.width());
    }

    // The specified controls keep their places; the new lines lie below them.
    auto* close = Child<QPushButton>(f.window.get(), "Button1");
    EXPECT_EQ(close->geometry(), QRect((620 - 245) / 2, 250, 245, 57));
    EXPECT_EQ(f.status->geometry(), QRect(0, 70, 620, 80));
    EXPECT_EQ(f.network->geometry(), QRect(0, 160, 620, 60));
    EXPECT_GE(line->y(), close->geometry().bottom());
    EXPECT_LE(Child<QLabel>(f.window.get(), "LabelLinkQuality")->geometry().bottom(),
              f.window->height());
}

TEST(TransmissionTestWindow, ShowsTheLinkQualityOfTheChosenUnit) {
    TestWindowFixture f;  // unit 700 chosen
    auto* link = Child<QLabel>(f.window.get(), "LabelLinkQuality");
    EXPECT_EQ(link->text(), "Radio: not heard yet");

    const qint64 start = f.clock.PerformanceCounter();
    for (int counter : {10, 11, 13, 14}) {  // 12 lost
        f.station.link_quality.Heard(700, quint8(counter), start);
    }
    f.station.link_quality.Heard(701, 1, start);
    f.clock.AdvanceCentiseconds(70);
    f.window->ShowLinkInfo();
    EXPECT_EQ(link->text(), "Radio: 80.0% of packets, last heard 0.7 s ago");
    f.clock.AdvanceCentiseconds(100);
    f.window->ShowLinkInfo();
    EXPECT_EQ(link->text(), "Radio: 80.0% of packets, last heard 1.7 s ago");

    // Another serial number shows that unit at once.
    Child<IntEdit>(f.window.get(), "IntEdit1")->setText("701");
    EXPECT_EQ(link->text(), "Radio: 100.0% of packets, last heard 1.7 s ago");
    Child<IntEdit>(f.window.get(), "IntEdit1")->setText("702");
    EXPECT_EQ(link->text(), "Radio: not heard yet");
}

TEST(TransmissionTestWindow, WithoutFreshFramesTheRealTimerFallsBackToErrorAfterASecond) {
    TestWindowFixture f;
    f.window->UpdateTransmission(700, 5, 1);
    f.window->UpdateTransmission(700, 6, 1);
    ASSERT_TRUE(f.Ok());
    EXPECT_TRUE(f.window->timer1()->isActive());
    // Only the window's own one-second timer can bring the error back; the bound is
    // generous so that a busy machine cannot fail it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.status->text() == "Transmission error"; }, 10000));
    EXPECT_FALSE(f.Ok());
    EXPECT_EQ(f.window->last_counter(), 6);
    EXPECT_TRUE(f.window->timer1()->isActive());  // and keeps running
}

TEST(TransmissionTestWindow, ClosingStopsTheLoopAndUnregisters) {
    TestWindowFixture f;
    QTest::mouseClick(Child<QPushButton>(f.window.get(), "Button1"), Qt::LeftButton);
    EXPECT_FALSE(f.window->isVisible());
    EXPECT_TRUE(f.station.stop_requested);
    EXPECT_EQ(f.station.transmission_test, nullptr);
}

TEST(DriverWizard, NextSwitchesTextAndButtonAndInstallRunsThenCloses) {
    TFInstalDrivers wizard;
    int installs = 0;
    wizard.install_driver = [&] { ++installs; };
    wizard.show();
    auto* next = Child<QPushButton>(&wizard, "Button2");
    auto* install = Child<QPushButton>(&wizard, "Button1");
    auto* first = Child<QLabel>(&wizard, "Label1");
    auto* second = Child<QLabel>(&wizard, "Label3");
    EXPECT_TRUE(next->isVisible() && first->isVisible());
    EXPECT_FALSE(install->isVisible() || second->isVisible());
    QTest::mouseClick(next, Qt::LeftButton);
    EXPECT_FALSE(next->isVisible() || first->isVisible());
    EXPECT_TRUE(install->isVisible() && second->isVisible());
    EXPECT_EQ(second->text(), "Connect USB-Key and press Install");
    EXPECT_EQ(installs, 0);
    QTest::mouseClick(install, Qt::LeftButton);
    EXPECT_EQ(installs, 1);
    EXPECT_FALSE(wizard.isVisible());
}

TEST(DriverWizard, InstallExplainsTheUdevRuleAndRestoresTheCursor) {
    QString text;
    AnswerNextModal<QMessageBox>([&](QMessageBox* box) {
        text = box->text();
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);  // not busy while waiting
        box->accept();
    });
    InstallReceiverDriver();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(
        text.startsWith("On Linux the USB-Key (vendor 0x1234, product 0x1236) needs no "
                        "driver"))
        << text.toStdString();
    EXPECT_EQ(text, DriverAccessInstructions());
}

TEST(DriverWizard, ShippedRuleMatchesTheReceiverIds) {
    QFile file(QStringLiteral(RUVO_SOURCE_DIR "/packaging/60-ruvotimer-usbkey.rules"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(
        text.contains("SUBSYSTEMS==\"usb\", ATTRS{idVendor}==\"1234\", "
                      "ATTRS{idProduct}==\"1236\", TAG+=\"uaccess\""));
    EXPECT_FALSE(text.contains("0666"));
}
