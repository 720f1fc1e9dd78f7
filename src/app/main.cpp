#include <QApplication>

#include "ProgramFolder.h"
#include "TForm1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ruvotimer"));
    QApplication::setOrganizationName(QStringLiteral("RUVO"));

    SystemClock clock;
    TForm1 launcher(clock, ResolveProgramFolder());
    launcher.show();
    return app.exec();
}
