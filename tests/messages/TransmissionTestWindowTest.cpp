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

struct Fixture {
    TempFolder folder;
    FakeClock clock;
    Station station{clock, folder.path()};
    std::unique_ptr<TftransTest> window = ShowTransmissionTest(station);
    QLabel* status = Child<QLabel>(window.get(), "Label2");
    QLabel* network = Child<QLabel>(window.get(), "Label3");

    Fixture() { Child<IntEdit>(window.get(), "IntEdit1")->setText("700"); }

    bool Ok() const {
        const bool ok = status->text() == "Transmission OK";
        const QColor expected = ok ? QColor(0, 255, 0) : QColor(255, 0, 0);
        EXPECT_EQ(status->palette().color(QPalette::WindowText), expected);
        return ok;
    }
    // What an update did to Timer1. The timer is first set to run for 10 s, precisely,
    // and given 20 ms to run down, so that a restart (a full interval again) shows as
    // more time left than just before the update, and an untouched timer as no more.
    enum class Timer { Restarted, Running, Stopped };
    Timer Update(qint32 serial, qint32 counter) {
        QTimer* timer = window->timer1();
        timer->setTimerType(Qt::PreciseTimer);
        timer->start(10000);
        const int full = timer->remainingTime();
        while (timer->remainingTime() > full - 20) {
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
    Fixture f;
    EXPECT_EQ(f.window->windowTitle(), "Transmission test");
    EXPECT_FALSE(f.Ok());
    EXPECT_EQ(f.network->text(), "Network: ");
    EXPECT_EQ(f.station.transmission_test, f.window.get());
    EXPECT_TRUE(f.window->timer1()->isActive());
    EXPECT_EQ(f.window->timer1()->interval(), 1000);
}

TEST(TransmissionTestWindow, TwoDifferentCountersOfTheChosenUnitShowOkUntilATick) {
    Fixture f;
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
    Fixture f;
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

TEST(TransmissionTestWindow, WithoutFreshFramesTheRealTimerFallsBackToErrorAfterASecond) {
    Fixture f;
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
    Fixture f;
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
    const QString rules = UdevRulesFile();
    EXPECT_TRUE(rules.endsWith("60-ruvotimer-usbkey.rules"));
    EXPECT_TRUE(text.contains("sudo install -m 644 " + rules +
                              " /etc/udev/rules.d/ && "
                              "sudo udevadm control --reload-rules && sudo udevadm trigger"))
        << text.toStdString();
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
