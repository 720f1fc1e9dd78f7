#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMessageBox>

#include "DriverAccessText.h"
#include "FakeClock.h"
#include "IntEdit.h"
#include "ModalHelpers.h"
#include "TFInstalDrivers.h"
#include "TempFolder.h"
#include "Tfsettings.h"
#include "TftransTest.h"

// Renders the settings dialog, the transmission test and the driver guidance with a
// unit's link quality for the docs: RUVO_SCREENSHOT_DIR=<folder> runs it.
TEST(ServiceWindowsScreenshot, LinkQualityAndDriverGuidance) {
    const QString folder = qEnvironmentVariable("RUVO_SCREENSHOT_DIR");
    if (folder.isEmpty()) {
        GTEST_SKIP() << "RUVO_SCREENSHOT_DIR not set";
    }
    TempFolder home;
    FakeClock clock;
    Station station(clock, home.path());
    KartSlot& kart = station.slot(1);
    kart.radio = true;
    kart.serial_number = 123456;
    kart.driver_name = QStringLiteral("Kowalski");
    // 987 packets of 1000 heard, the last one 0.1 s ago.
    int counter = 0;
    for (int i = 0; i < 987; ++i) {
        counter += (i % 75 == 74) ? 2 : 1;
        station.link_quality.Heard(123456, quint8(counter), clock.PerformanceCounter());
    }
    clock.AdvanceCentiseconds(10);
    station.receiver_status = {ReceiverState::kConnected, {}, 41};

    Tfsettings settings(station, 1);
    settings.show();
    Child<QLineEdit>(&settings, "Edit1")->setText(QStringLiteral("Box now"));
    EXPECT_TRUE(settings.grab().save(folder + QStringLiteral("/settings.png")));

    auto test = ShowTransmissionTest(station);
    Child<IntEdit>(test.get(), "IntEdit1")->setText(QStringLiteral("123456"));
    test->UpdateTransmission(123456, 40, 87);
    test->UpdateTransmission(123456, 41, 87);
    EXPECT_TRUE(test->grab().save(folder + QStringLiteral("/transmission-test.png")));
    test->close();

    const UdevRulePlaces packaged{QStringLiteral("/usr/lib/udev/rules.d/") + kUdevRuleName, {}};
    AnswerNextModal<QMessageBox>([&folder](QMessageBox* box) {
        EXPECT_TRUE(box->grab().save(folder + QStringLiteral("/driver-guidance.png")));
        box->accept();
    });
    ShowDriverAccess(DriverAccessText(packaged, QStringLiteral("operator")));
}
