// ruvotimer-demo: the program on the simulated receiver, in a data folder of its own.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

#include "CommandLine.h"
#include "DemoFolder.h"
#include "DemoReceiver.h"
#include "DesignPixels.h"
#include "TForm1.h"
#include "Tfekranglowny.h"

int main(int argc, char* argv[]) {
    if (const auto exported = RunCommandLine(argc, argv, {"ruvotimer-demo", DemoFolderPath})) {
        return *exported;  // an export from the command line: no window
    }
    KeepDesignPixels();  // fixed-pixel windows: before the QApplication exists
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ruvotimer-demo"));
    QApplication::setOrganizationName(QStringLiteral("RUVO"));

    const DemoFolderSetup folder = PrepareDemoFolder(DemoFolderPath());
    if (!folder.report.isEmpty()) {
        std::fprintf(stderr, "ruvotimer-demo: %s\n", qPrintable(folder.report));
        QMessageBox::warning(nullptr, QStringLiteral("RUVOTimer demo"), folder.report);
    }
    if (!folder.usable) {
        return 1;
    }
    std::fprintf(stderr, "ruvotimer-demo: data folder %s\n", qPrintable(folder.folder));
    StartDemoReceiver(std::make_shared<sim::SteadyRaceTime>());

    SystemClock clock;
    TForm1 launcher(clock, folder.folder);
    // Created hidden; each "Session start" shows a fresh one in its place.
    Tfekranglowny session_screen(launcher.station(), launcher.MakeSessionScreenActions());
    launcher.station().session_screen = &session_screen;
    launcher.show();
    // An unattended demo (a kiosk, or the crash test of the lap log) starts its
    // session without a click.
    if (qEnvironmentVariableIntValue("RUVOTIMER_DEMO_START_SESSION") == 1) {
        QTimer::singleShot(0, &launcher, &TForm1::Button1Click);
    }
    return app.exec();
}
