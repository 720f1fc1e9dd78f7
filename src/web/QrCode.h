#pragma once

#include <QImage>
#include <QString>

// The QR code of a text (an address for a phone to open), black modules on white
// with the four-module quiet zone that scanners need, each module scale pixels.
// A null image when the text does not fit a QR code.
QImage QrCodeImage(const QString& text, int scale);
