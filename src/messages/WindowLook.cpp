#include "WindowLook.h"

#include <QPalette>
#include <QWidget>

QFont ArialPixels(int pixel_size) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixel_size);
    return font;
}

void FillBackground(QWidget* widget, Colour colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, ToQColor(colour));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void SetTextColour(QWidget* widget, Colour colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, ToQColor(colour));
    palette.setColor(QPalette::Text, ToQColor(colour));
    widget->setPalette(palette);
}
