#include "QrCode.h"

#include <qrencode.h>

#include <QPainter>
#include <memory>

namespace {

constexpr int kQuietZone = 4;

struct QrCodeFree {
    void operator()(QRcode* code) const { QRcode_free(code); }
};

}  // namespace

QImage QrCodeImage(const QString& text, int scale) {
    const QByteArray utf8 = text.toUtf8();
    const std::unique_ptr<QRcode, QrCodeFree> code(
        QRcode_encodeString(utf8.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1));
    if (!code || scale < 1) {
        return {};
    }
    const int modules = code->width;
    const int side = (modules + 2 * kQuietZone) * scale;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int y = 0; y < modules; ++y) {
        for (int x = 0; x < modules; ++x) {
            // Bit 0 of each byte is the module's colour: 1 is dark.
            if ((code->data[y * modules + x] & 1) != 0) {
                painter.fillRect((x + kQuietZone) * scale, (y + kQuietZone) * scale, scale, scale,
                                 Qt::black);
            }
        }
    }
    return image;
}
