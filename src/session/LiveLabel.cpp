#include "LiveLabel.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QVarLengthArray>

#include "LabelBoard.h"

LiveLabel::LiveLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    setAttribute(Qt::WA_OpaquePaintEvent);
    background_ = palette().brush(backgroundRole());
}

LiveLabel::~LiveLabel() {
    if (board_ != nullptr) {
        board_->Forget(this);
    }
}

void LiveLabel::SetBoard(LabelBoard* board) {
    board_ = board;
    // update() now returns at once: a new text costs QLabel's bookkeeping only, and
    // the board repaints what changed.
    setUpdatesEnabled(board_.isNull());
}

void LiveLabel::SetText(const QString& text) {
    const QString before = QLabel::text();
    if (before == text) {
        return;
    }
    setText(text);
    if (board_ != nullptr && isVisible()) {
        board_->Changed(*this, ChangedArea(before, text));
    }
}

LiveLabel::GlyphSet& LiveLabel::Glyphs() {
    if (glyphs_ != nullptr) {
        return *glyphs_;
    }
    const QString key = font().key() + QLatin1Char('|') +
                        QString::number(palette().color(foregroundRole()).rgba()) +
                        QLatin1Char('|') + QString::number(devicePixelRatioF());
    std::shared_ptr<GlyphSet>& set = sets_[key];
    if (!set) {
        constexpr qsizetype kMostSets = 16;  // a few sizes and colours are used
        if (sets_.size() > kMostSets) {
            sets_.clear();
            return Glyphs();
        }
        set = std::make_shared<GlyphSet>();
        const QFontMetricsF metrics(font());
        set->margin = int(metrics.height() / 4) + 1;
        set->line_height = int(metrics.height()) + 1;
        set->ascent = metrics.ascent();
    }
    glyphs_ = set.get();
    return *glyphs_;
}

const LiveLabel::Glyph& LiveLabel::GlyphFor(GlyphSet& set, QChar c) {
    const bool ascii = c.unicode() < set.ascii.size();
    if (ascii && set.ascii[c.unicode()].ready) {
        return set.ascii[c.unicode()];
    }
    if (!ascii) {
        const auto found = set.others.constFind(c);
        if (found != set.others.constEnd()) {
            return *found;
        }
    }
    const QFontMetricsF metrics(font());
    Glyph glyph;
    glyph.advance = metrics.horizontalAdvance(c);
    const qreal ratio = devicePixelRatioF();
    const QSize size(int(glyph.advance) + 1 + 2 * set.margin, set.line_height);
    glyph.picture = QPixmap(size * ratio);
    glyph.picture.setDevicePixelRatio(ratio);
    glyph.picture.fill(Qt::transparent);
    QPainter painter(&glyph.picture);
    painter.setFont(font());
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(QPointF(set.margin, set.ascent), QString(c));
    painter.end();
    glyph.size = size;
    glyph.ready = true;
    if (ascii) {
        return set.ascii[c.unicode()] = glyph;
    }
    return *set.others.insert(c, glyph);
}

qreal LiveLabel::TextLeft(qreal text_width) const {
    if (alignment() & Qt::AlignRight) {
        return width() - text_width;
    }
    if (alignment() & Qt::AlignHCenter) {
        return (width() - text_width) / 2;
    }
    return 0;
}

QRect LiveLabel::ChangedArea(const QString& before, const QString& after) {
    if (before.size() != after.size()) {
        return rect();
    }
    qsizetype first = 0;
    while (first < after.size() && before[first] == after[first]) {
        ++first;
    }
    if (first == after.size()) {
        return {};
    }
    qsizetype last = after.size() - 1;
    while (before[last] == after[last]) {
        --last;
    }
    // Characters of other widths move the rest of the text (for digits that is the
    // rare case: they share one width).
    GlyphSet& set = Glyphs();
    for (qsizetype i = first; i <= last; ++i) {
        if (GlyphFor(set, before[i]).advance != GlyphFor(set, after[i]).advance) {
            return rect();
        }
    }
    // Every character stays where it was: from the first changed picture to the
    // last, old and new pictures alike (same advance, same picture width).
    qreal x = 0;
    qreal from = 0;
    qreal to = 0;
    for (qsizetype i = 0; i < after.size(); ++i) {
        if (i == first) {
            from = x;
        }
        x += GlyphFor(set, after[i]).advance;
        if (i == last) {
            to = x;
        }
    }
    const qreal left = TextLeft(x);
    const int right = qRound(left + to - GlyphFor(set, after[last]).advance) - set.margin +
                      GlyphFor(set, after[last]).size.width();
    const int start = qRound(left + from) - set.margin;
    return QRect(QPoint(start, 0), QPoint(right - 1, height() - 1)) & rect();
}

void LiveLabel::PaintAt(QPainter& painter, QPoint origin, const QRect& area) {
    const QRect box = QRect(origin, size()) & area;
    if (box.isEmpty()) {
        return;
    }
    painter.fillRect(box, background_);
    const QString shown = text();
    if (shown.isEmpty()) {
        return;
    }
    GlyphSet& set = Glyphs();
    QVarLengthArray<const Glyph*, 16> run;
    qreal width = 0;
    for (const QChar c : shown) {
        run.append(&GlyphFor(set, c));
        width += run.back()->advance;
    }
    qreal x = TextLeft(width);
    const int top = origin.y() + (height() - set.line_height + 1) / 2;
    for (const Glyph* glyph : run) {
        const QRect whole(QPoint(origin.x() + qRound(x) - set.margin, top), glyph->size);
        x += glyph->advance;
        // Cut at the label's edge: a label stacked over this one paints its own
        // background there.
        const QRect shown_part = whole & box;
        if (shown_part.isEmpty()) {
            continue;
        }
        const QPixmap& picture = glyph->picture;
        if (shown_part == whole) {
            painter.drawPixmap(whole.topLeft(), picture);
            continue;
        }
        const qreal ratio = picture.devicePixelRatio();
        const QRectF source(QPointF(shown_part.topLeft() - whole.topLeft()) * ratio,
                            QSizeF(shown_part.size()) * ratio);
        painter.drawPixmap(QRectF(shown_part), picture, source);
    }
}

void LiveLabel::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    PaintAt(painter, QPoint(0, 0), event->rect());
}

void LiveLabel::changeEvent(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::PaletteChange || type == QEvent::ActivationChange) {
        background_ = palette().brush(backgroundRole());
    }
    if (type == QEvent::FontChange || type == QEvent::PaletteChange ||
        type == QEvent::StyleChange) {
        glyphs_ = nullptr;
        if (board_ != nullptr) {
            board_->Changed(*this, rect());
        }
    }
    QLabel::changeEvent(event);
}

bool LiveLabel::event(QEvent* event) {
    const bool handled = QLabel::event(event);
    if (board_ == nullptr) {
        return handled;
    }
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::Hide:
            board_->Changed(*this, rect());
            break;
        case QEvent::Move:
        case QEvent::Resize:
            board_->Moved();
            break;
        default:
            break;
    }
    return handled;
}
