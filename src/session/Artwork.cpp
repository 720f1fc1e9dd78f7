#include "Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include "ScreenWidgets.h"

namespace {

QPixmap BlankTile() {
    QPixmap pixmap(Artwork::kTileSize, Artwork::kTileSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A rounded tile with a light top edge, in the given base colour.
void PaintTileBackground(QPainter& painter, const QColor& base, bool pressed) {
    const QRectF box(2, 2, Artwork::kTileSize - 4, Artwork::kTileSize - 4);
    QLinearGradient gradient(box.topLeft(), box.bottomLeft());
    const QColor top = pressed ? base.darker(130) : base.lighter(125);
    const QColor bottom = pressed ? base.darker(110) : base.darker(120);
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    painter.setPen(QPen(base.darker(170), 2));
    painter.setBrush(gradient);
    painter.drawRoundedRect(box, 12, 12);
}

void PaintWord(QPainter& painter, const QString& word, const QRectF& area) {
    painter.setPen(Qt::white);
    painter.setFont(ArialFont(22, true));
    painter.drawText(area, Qt::AlignCenter, word);
}

QPixmap PlayTile(const QColor& base, const QString& word, bool square) {
    QPixmap pixmap = BlankTile();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintTileBackground(painter, base, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    if (square) {
        painter.drawRoundedRect(QRectF(31, 14, 36, 36), 3, 3);
    } else {
        QPainterPath triangle;
        triangle.moveTo(35, 12);
        triangle.lineTo(69, 32);
        triangle.lineTo(35, 52);
        triangle.closeSubpath();
        painter.drawPath(triangle);
    }
    PaintWord(painter, word, QRectF(0, 58, Artwork::kTileSize, 30));
    return pixmap;
}

}  // namespace

namespace Artwork {

QPixmap Banner(QSize size) {
    QPixmap pixmap(size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, size.height());
    gradient.setColorAt(0, QColor(0x9a, 0x9a, 0x9a));
    gradient.setColorAt(1, QColor(0x60, 0x60, 0x60));
    painter.fillRect(pixmap.rect(), gradient);
    // A chequered flag strip on the right, the one ornament of the screen.
    constexpr int kCell = 8;
    const int rows = size.height() / kCell;
    const int left = size.width() - 14 * kCell - 12;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < 14; ++column) {
            const bool dark = (row + column) % 2 == 0;
            painter.fillRect(left + column * kCell,
                             (size.height() - rows * kCell) / 2 + row * kCell, kCell, kCell,
                             dark ? QColor(0x20, 0x20, 0x20) : QColor(0xf0, 0xf0, 0xf0));
        }
    }
    painter.setPen(QColor(0xd0, 0xd0, 0xd0));
    painter.setFont(ArialFont(22, true));
    painter.drawText(QRect(left - 200, 0, 188, size.height()), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("RUVOTimer"));
    return pixmap;
}

QPixmap StartTile() {
    return PlayTile(QColor(0x1e, 0xa0, 0x32), QStringLiteral("START"), false);
}

QPixmap StopTile() {
    return PlayTile(QColor(0xd0, 0x20, 0x20), QStringLiteral("STOP"), true);
}

QPixmap Stopwatch(bool pressed) {
    QPixmap pixmap = BlankTile();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintTileBackground(painter, QColor(0x2a, 0x55, 0xb0), pressed);
    const QPointF centre(49, 54);
    constexpr qreal kRadius = 31;
    // Crown and button on top.
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(41, 10, 16, 8), 2, 2);
    painter.drawRect(QRectF(46, 17, 6, 6));
    painter.save();
    painter.translate(centre);
    painter.rotate(40);
    painter.drawRoundedRect(QRectF(-4, -kRadius - 9, 8, 7), 2, 2);
    painter.restore();
    // Dial.
    painter.setPen(QPen(Qt::white, 5));
    painter.setBrush(QColor(0xf4, 0xf4, 0xf4));
    painter.drawEllipse(centre, kRadius, kRadius);
    painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 2.5, Qt::SolidLine, Qt::RoundCap));
    for (int tick = 0; tick < 12; ++tick) {
        const qreal angle = qDegreesToRadians(tick * 30.0);
        const qreal inner = tick % 3 == 0 ? kRadius - 11 : kRadius - 7;
        painter.drawLine(centre + QPointF(qSin(angle), -qCos(angle)) * inner,
                         centre + QPointF(qSin(angle), -qCos(angle)) * (kRadius - 3));
    }
    // Hand.
    painter.setPen(QPen(QColor(0xd0, 0x20, 0x20), 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, centre + QPointF(15, -15));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x20, 0x20, 0x20));
    painter.drawEllipse(centre, 4, 4);
    return pixmap;
}

QPixmap MagnifyingGlass(bool pressed) {
    QPixmap pixmap = BlankTile();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintTileBackground(painter, QColor(0x2a, 0x55, 0xb0), pressed);
    const QPointF centre(42, 42);
    // Handle first, so the rim covers its end.
    painter.setPen(QPen(QColor(0x30, 0x22, 0x10), 13, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(60, 60), QPointF(80, 80));
    painter.setPen(QPen(QColor(0xe0, 0xa0, 0x30), 8, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(61, 61), QPointF(79, 79));
    painter.setPen(QPen(Qt::white, 7));
    painter.setBrush(QColor(0xbf, 0xe4, 0xff, 200));
    painter.drawEllipse(centre, 23, 23);
    // Glint.
    painter.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(QRectF(centre.x() - 15, centre.y() - 15, 30, 30), 100 * 16, 60 * 16);
    return pixmap;
}

}  // namespace Artwork
