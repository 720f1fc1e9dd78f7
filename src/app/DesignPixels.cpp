#include "DesignPixels.h"

#include <QByteArray>

void KeepDesignPixels() {
    // Read by Qt when the QGuiApplication is created: no scaling from the screen's
    // density, and none forced from outside.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", QByteArrayLiteral("0"));
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
}
