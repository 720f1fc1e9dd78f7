// Not a test: runs the demo race on real time for a while, sends one driver message
// and saves the session screen, so the live look can be checked by eye.
// Usage: demo_screenshot OUT.png [SECONDS]
#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "DemoFolder.h"
#include "DemoReceiver.h"
#include "TForm1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT.png [SECONDS]\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 20;
    QTemporaryDir home;
    const DemoFolderSetup folder = PrepareDemoFolder(home.path());
    if (!folder.usable) {
        return 1;
    }
    StartDemoReceiver(std::make_shared<sim::SteadyRaceTime>());
    SystemClock clock;
    TForm1 launcher(clock, folder.folder);
    launcher.show();
    Station& station = launcher.station();
    QTimer::singleShot(seconds * 500, [&station] {
        KartSlot& slot = station.slot(2);
        slot.message_line1 = QStringLiteral("PIT IN");
        slot.message_line2 = QStringLiteral("NEXT LAP");
        slot.message_background = 0x0000FF;
        slot.message_font_colour = 0xFFFFFF;
        slot.message_immediate = 1;
        slot.message_pending = true;
    });
    bool saved = false;
    QTimer::singleShot(seconds * 1000, [&] {
        if (auto* screen = dynamic_cast<QWidget*>(station.session_screen)) {
            saved = screen->grab().save(out);
            screen->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
        }
        launcher.close();
    });
    QTimer::singleShot(
        0, [&launcher] { launcher.findChild<QPushButton*>(QStringLiteral("Button1"))->click(); });
    app.exec();
    std::fprintf(stderr, "%s %s\n", saved ? "saved" : "not saved", qPrintable(out));
    return saved ? 0 : 1;
}
