#include "LiveLabel.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QVarLengthArray>

LiveLabel::LiveLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

const LiveLabel::Glyph& LiveLabel::GlyphFor(QChar c) {
    const bool ascii = c.unicode() < ascii_.size();
    if (ascii && !ascii_[c.unicode()].picture.isNull()) {
        return ascii_[c.unicode()];
    }
    if (!ascii) {
        const auto found = others_.constFind(c);
        if (found != others_.constEnd()) {
            return *found;
        }
    }
    const QFontMetricsF metrics(font());
    if (margin_ < 0) {
        // Room around a character's advance for ink that reaches past it.
        margin_ = int(metrics.height() / 4) + 1;
        line_height_ = int(metrics.height()) + 1;
        ascent_ = metrics.ascent();
    }
    Glyph glyph;
    glyph.advance = metrics.horizontalAdvance(c);
    const qreal ratio = devicePixelRatioF();
    const QSize size(int(glyph.advance) + 1 + 2 * margin_, line_height_);
    glyph.picture = QPixmap(size * ratio);
    glyph.picture.setDevicePixelRatio(ratio);
    glyph.picture.fill(Qt::transparent);
    QPainter painter(&glyph.picture);
    painter.setFont(font());
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(QPointF(margin_, ascent_), QString(c));
    painter.end();
    if (ascii) {
        return ascii_[c.unicode()] = glyph;
    }
    return *others_.insert(c, glyph);
}

void LiveLabel::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().brush(backgroundRole()));
    const QString shown = text();
    if (shown.isEmpty()) {
        return;
    }
    QVarLengthArray<const Glyph*, 16> run;
    qreal width = 0;
    for (const QChar c : shown) {
        run.append(&GlyphFor(c));
        width += run.back()->advance;
    }
    qreal x = 0;
    if (alignment() & Qt::AlignRight) {
        x = this->width() - width;
    } else if (alignment() & Qt::AlignHCenter) {
        x = (this->width() - width) / 2;
    }
    const int top = (height() - line_height_ + 1) / 2;
    for (const Glyph* glyph : run) {
        painter.drawPixmap(QPoint(qRound(x) - margin_, top), glyph->picture);
        x += glyph->advance;
    }
}

void LiveLabel::Forget() {
    margin_ = -1;
    ascii_ = {};
    others_.clear();
}

void LiveLabel::changeEvent(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::FontChange || type == QEvent::PaletteChange ||
        type == QEvent::StyleChange) {
        Forget();
    }
    QLabel::changeEvent(event);
}
