#include <QApplication>

#include "CommandLine.h"
#include "DesignPixels.h"
#include "ProgramFolder.h"
#include "TForm1.h"
#include "Tfekranglowny.h"

int main(int argc, char* argv[]) {
    if (const auto exported = RunCommandLine(argc, argv, {"ruvotimer", ResolveProgramFolder})) {
        return *exported;  // an export from the command line: no window
    }
    KeepDesignPixels();  // fixed-pixel windows: before the QApplication exists
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ruvotimer"));
    QApplication::setOrganizationName(QStringLiteral("RUVO"));

    SystemClock clock;
    TForm1 launcher(clock, ResolveProgramFolder());
    // Created hidden; each "Session start" shows a fresh one in its place.
    Tfekranglowny session_screen(launcher.station(), launcher.MakeSessionScreenActions());
    launcher.station().session_screen = &session_screen;
    launcher.show();
    return app.exec();
}
