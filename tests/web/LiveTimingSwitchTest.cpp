#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include <QJsonDocument>
#include <QJsonObject>

#include "../records/RecordsFolder.h"
#include "FakeClock.h"
#include "IniFile.h"
#include "LiveTimingServer.h"
#include "LiveTimingSettings.h"
#include "LiveTimingSwitch.h"
#include "QrCode.h"
#include "RawClient.h"
#include "RecordsUpdater.h"
#include "SessionTimesheet.h"
#include "TForm1.h"
#include "TempFolder.h"

namespace {

// A port free on 127.0.0.1 a moment ago.
quint16 FreePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

// Tests bind 127.0.0.1 only, so the settings always name it.
void WriteSettings(const TempFolder& folder, bool enabled, quint16 port) {
    folder.Write(
        "ustawienia.ini",
        "[Parametry]\r\nNAME1=Ann\r\n[LiveTiming]\r\nEnabled=" + QByteArray(enabled ? "1" : "0") +
            "\r\nPort=" + QByteArray::number(port) + "\r\nAddress=127.0.0.1\r\n");
}

// Saves the launcher's picture when RUVO_SCREENSHOT_DIR names a folder.
void Screenshot(QWidget& widget, const char* name) {
    const QString folder = qEnvironmentVariable("RUVO_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        widget.grab().save(folder + "/" + name);
    }
}

}  // namespace

TEST(LiveTimingSettingsTest, MissingSectionIsOffOnPort8080AndSavingKeepsOtherLines) {
    TempFolder folder;
    const QString path = folder.file("ustawienia.ini");
    LiveTimingSettings settings = LoadLiveTimingSettings(path);
    EXPECT_FALSE(settings.enabled);
    EXPECT_EQ(settings.port, 8080);
    EXPECT_EQ(settings.address, "");

    folder.Write("ustawienia.ini", "[Parametry]\r\nNAME1=Ann\r\n[livetiming]\r\nPort=70000\r\n");
    EXPECT_EQ(LoadLiveTimingSettings(path).port, 8080);
    settings.enabled = true;
    settings.port = 9090;
    settings.address = "10.0.0.5";
    QString error;
    ASSERT_TRUE(SaveLiveTimingSettings(path, settings, &error)) << error.toStdString();
    const LiveTimingSettings again = LoadLiveTimingSettings(path);
    EXPECT_TRUE(again.enabled);
    EXPECT_EQ(again.port, 9090);
    EXPECT_EQ(again.address, "10.0.0.5");
    EXPECT_EQ(IniFile::Load(path).Value("Parametry", "NAME1"), "Ann");
    EXPECT_EQ(folder.Read("ustawienia.ini").count("[livetiming]"), 1);
}

TEST(LiveTimingSwitchTest, CheckBoxStartsAndStopsTheServerAndKeepsTheSetting) {
    TempFolder folder;
    const quint16 port = FreePort();
    WriteSettings(folder, false, port);
    FakeClock clock;
    TForm1 launcher(clock, folder.path());
    launcher.show();
    auto* check_box = launcher.findChild<QCheckBox*>("CheckBoxLiveTiming");
    auto* line = launcher.findChild<QLabel*>("LabelLiveTimingAddress");
    ASSERT_NE(check_box, nullptr);
    ASSERT_NE(line, nullptr);
    EXPECT_FALSE(check_box->isChecked());
    EXPECT_FALSE(launcher.live_timing()->IsServing());
    EXPECT_EQ(line->text(), "");
    Screenshot(launcher, "launcher.png");

    // The new controls sit in the free room between "Timesheet of last session" and
    // "Exit program", inside the window, and touch no button.
    const QRect sheet = launcher.findChild<QPushButton*>("ButtonTimesheet")->geometry();
    for (QWidget* control : {static_cast<QWidget*>(check_box), static_cast<QWidget*>(line)}) {
        const QRect place = control->geometry();
        EXPECT_GT(place.top(), sheet.bottom());
        EXPECT_LE(place.bottom(), 423);
        EXPECT_GE(place.left(), 72);
        EXPECT_LE(place.right(), 380);
    }
    EXPECT_FALSE(check_box->geometry().intersects(line->geometry()));

    check_box->setChecked(true);
    ASSERT_TRUE(launcher.live_timing()->IsServing());
    EXPECT_EQ(line->text(), QStringLiteral("http://127.0.0.1:%1/").arg(port));
    EXPECT_TRUE(LoadLiveTimingSettings(folder.file("ustawienia.ini")).enabled);
    RawClient client;
    ASSERT_TRUE(client.Connect(port));
    client.Send("GET /api/live HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    EXPECT_TRUE(client.ReadUntilClosed().startsWith("HTTP/1.1 200 "));
    Screenshot(launcher, "launcher-live-timing.png");

    launcher.live_timing()->ShowQrCode();
    auto* qr = launcher.findChild<QDialog*>("LiveTimingQrCode");
    ASSERT_NE(qr, nullptr);
    EXPECT_TRUE(qr->isVisible());
    auto* picture = qr->findChild<QLabel*>("ImageQrCode");
    EXPECT_FALSE(picture->pixmap().isNull());
    EXPECT_EQ(qr->findChild<QLabel*>("LabelQrAddress")->text(), line->text());
    // One address: no list of others below it.
    EXPECT_FALSE(qr->findChild<QListWidget*>("ListLiveTimingAddresses")->isVisible());
    Screenshot(*qr, "live-timing-qr.png");

    check_box->setChecked(false);
    EXPECT_FALSE(launcher.live_timing()->IsServing());
    EXPECT_FALSE(qr->isVisible());
    EXPECT_EQ(line->text(), "");
    EXPECT_FALSE(LoadLiveTimingSettings(folder.file("ustawienia.ini")).enabled);
}

TEST(LiveTimingSwitchTest, TheDefaultRoutesAddressComesFirstAndAClickShowsTheOthers) {
    const QList<InterfaceAddress> all = {{"docker0", QHostAddress("172.17.0.1")},
                                         {"tun0", QHostAddress("10.8.0.2")},
                                         {"lo", QHostAddress("127.0.0.1")},
                                         {"wlan0", QHostAddress("fe80::1")},
                                         {"wlan0", QHostAddress("192.168.1.20")},
                                         {"wlan0", QHostAddress("2001:db8::5")},
                                         {"lo", QHostAddress("::1")}};
    // Not the first address listed (a container bridge), the one the default route
    // leaves from; phones cannot use loopback and link-local ones.
    EXPECT_EQ(ReachableAddresses(QHostAddress("192.168.1.20"), all),
              QList<QHostAddress>({QHostAddress("192.168.1.20"), QHostAddress("172.17.0.1"),
                                   QHostAddress("10.8.0.2"), QHostAddress("2001:db8::5")}));
    EXPECT_EQ(ReachableAddresses(QHostAddress(), all).first(), QHostAddress("172.17.0.1"));
    EXPECT_EQ(ReachableAddresses(QHostAddress(), {{"lo", QHostAddress("127.0.0.1")}}),
              QList<QHostAddress>({QHostAddress("127.0.0.1")}));
    EXPECT_EQ(PageAddress(QHostAddress("2001:db8::5"), 8080), "http://[2001:db8::5]:8080/");

    TempFolder folder;
    WriteSettings(folder, true, FreePort());
    FakeClock clock;
    TForm1 launcher(clock, folder.path());
    launcher.show();
    ASSERT_TRUE(launcher.live_timing()->IsServing());
    // Bound to one address, only that one is offered.
    EXPECT_EQ(launcher.live_timing()->Addresses().size(), 1);
    launcher.live_timing()->ShowQrCode(
        {"http://192.168.1.20:8080/", "http://172.17.0.1:8080/", "http://[2001:db8::5]:8080/"});
    auto* qr = launcher.findChild<QDialog*>("LiveTimingQrCode");
    ASSERT_NE(qr, nullptr);
    auto* list = qr->findChild<QListWidget*>("ListLiveTimingAddresses");
    auto* text = qr->findChild<QLabel*>("LabelQrAddress");
    auto* picture = qr->findChild<QLabel*>("ImageQrCode");
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(text->text(), "http://192.168.1.20:8080/");
    const QImage first = picture->pixmap().toImage();
    Screenshot(*qr, "live-timing-qr-addresses.png");
    list->setCurrentRow(2);
    EXPECT_EQ(text->text(), "http://[2001:db8::5]:8080/");
    EXPECT_NE(picture->pixmap().toImage(), first);
}

TEST(LiveTimingSwitchTest, PortTakenIsToldOnceAndTheLauncherCarriesOn) {
    TempFolder folder;
    QTcpServer occupant;
    ASSERT_TRUE(occupant.listen(QHostAddress::LocalHost, 0));
    WriteSettings(folder, true, occupant.serverPort());
    FakeClock clock;
    QString told;
    int boxes = 0;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++boxes;
            told = box->text();
            box->accept();
        }
    });
    TForm1 launcher(clock, folder.path());
    launcher.show();
    // The box is shown while the launcher is being created.
    EXPECT_EQ(boxes, 1);
    EXPECT_TRUE(told.contains(QString::number(occupant.serverPort()))) << told.toStdString();
    EXPECT_FALSE(launcher.live_timing()->IsServing());
    EXPECT_EQ(launcher.findChild<QLabel*>("LabelLiveTimingAddress")->text(),
              QStringLiteral("Not running: port %1 is in use").arg(occupant.serverPort()));
    EXPECT_TRUE(launcher.findChild<QCheckBox*>("CheckBoxLiveTiming")->isChecked());
    EXPECT_TRUE(launcher.findChild<QPushButton*>("Button1")->isEnabled());
    Screenshot(launcher, "launcher-live-timing-port-taken.png");
}

TEST(QrCodeTest, ModulesFinderPatternsAndQuietZone) {
    const int scale = 3;
    const QImage image = QrCodeImage("http://192.168.1.20:8080/", scale);
    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(image.width(), image.height());
    const int modules = image.width() / scale - 8;
    EXPECT_EQ((modules - 21) % 4, 0) << modules;  // 21, 25, 29 ... modules a side
    auto dark = [&](int x, int y) {
        return image.pixel((x + 4) * scale + 1, (y + 4) * scale + 1) == qRgb(0, 0, 0);
    };
    // Quiet zone white; finder pattern of the top-left, top-right and bottom-left
    // corners: dark ring, light ring, dark 3x3 centre.
    EXPECT_EQ(image.pixel(1, 1), qRgb(255, 255, 255));
    for (auto [ox, oy] : {std::pair{0, 0}, {modules - 7, 0}, {0, modules - 7}}) {
        EXPECT_TRUE(dark(ox, oy));
        EXPECT_TRUE(dark(ox + 6, oy + 6));
        EXPECT_FALSE(dark(ox + 1, oy + 1));
        EXPECT_TRUE(dark(ox + 3, oy + 3));
    }
    EXPECT_TRUE(QrCodeImage(QString(5000, 'x'), 3).isNull());  // more than a QR code holds
}

// The program's wiring: the records updater's board reaches the feed, and every
// sheet loaded gets the drivers' standings.
TEST(LiveTimingSwitchTest, RecordsOfTheIndexReachTheBoardAndTheTimesheets) {
    TempFolder folder;
    const quint16 port = FreePort();
    WriteSettings(folder, true, port);
    FakeClock clock;  // 2012-05-31 14:05
    const QDateTime morning(QDate(2012, 5, 31), QTime(10, 0));
    const std::vector<TestKart> karts = {{"Ann", {3300, 3100}}, {"Bob", {3200}}};
    const QString session = WriteTestSession(folder, morning, karts);
    WriteTestLapLog(session, morning, karts);
    TForm1 launcher(clock, folder.path());
    ASSERT_TRUE(launcher.live_timing()->IsServing());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !launcher.records_updater()->busy(); }, 20000));

    RawClient client;
    ASSERT_TRUE(client.Connect(port));
    client.Send("GET /api/live HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    const QByteArray answer = client.ReadUntilClosed();
    const QJsonObject live =
        QJsonDocument::fromJson(answer.mid(answer.indexOf("\r\n\r\n") + 4)).object();
    const QJsonObject day = live["records"].toObject()["day"].toObject();
    EXPECT_EQ(day["driver"].toString(), "Ann") << answer.toStdString();
    EXPECT_EQ(day["lap_cs"].toInt(), 3100);

    Timesheet sheet;
    QString error;
    ASSERT_TRUE(LoadSessionFileTimesheet(session, QString(), &sheet, &error));
    ASSERT_EQ(sheet.drivers.size(), 2u);
    EXPECT_TRUE(sheet.drivers[1].standing.known);
    EXPECT_EQ(sheet.drivers[1].standing.day_rank, 2);
    EXPECT_TRUE(sheet.drivers[1].standing.of_today);
}
