#include "LabelBoard.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

LabelBoard::LabelBoard(QWidget* panel) : QWidget(panel) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

LabelBoard::~LabelBoard() {
    for (LiveLabel* label : labels_) {
        label->SetBoard(nullptr);
    }
}

void LabelBoard::Host(const std::vector<LiveLabel*>& labels) {
    labels_ = labels;
    for (LiveLabel* label : labels_) {
        label->SetBoard(this);
    }
    Moved();
    raise();
    window()->installEventFilter(this);
}

void LabelBoard::Forget(const LiveLabel* label) {
    labels_.erase(std::remove(labels_.begin(), labels_.end(), label), labels_.end());
}

void LabelBoard::Moved() {
    QRect around;
    for (const LiveLabel* label : labels_) {
        around |= label->geometry();
    }
    setGeometry(around);
    update();
}

void LabelBoard::Changed(const LiveLabel& label, const QRect& rect) {
    const QRect changed = rect.translated(label.pos() - pos()) & this->rect();
    if (changed.isEmpty()) {
        return;
    }
    if (!asked_) {
        asked_ = true;
        update(changed);
        return;
    }
    for (QRect& gathered : pending_) {
        if (gathered.intersects(changed)) {
            gathered |= changed;
            return;
        }
    }
    pending_.append(changed);
}

void LabelBoard::HandOver() {
    if (pending_.isEmpty()) {
        return;
    }
    QRegion region;
    for (const QRect& rect : pending_) {
        region += rect;
    }
    pending_.clear();
    asked_ = true;
    update(region);
}

bool LabelBoard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::UpdateRequest && watched == window()) {
        HandOver();
    }
    return false;
}

void LabelBoard::paintEvent(QPaintEvent* event) {
    asked_ = false;
    // A paint that came without the window's update request (an expose) leaves
    // gathered changes for the next one.
    HandOver();
    QPainter painter(this);
    const QBrush background = palette().brush(backgroundRole());
    const QPoint offset = pos();
    // Rectangle by rectangle: the changes of one moment lie far apart (one running
    // time here, another two columns on), and the rectangle around them all would
    // have every label between them painted, only to be cut away.
    for (const QRect& area : event->region()) {
        painter.fillRect(area, background);
        for (LiveLabel* label : labels_) {
            const QRect box = label->geometry().translated(-offset);
            if (label->isHidden() || !box.intersects(area)) {
                continue;
            }
            label->PaintAt(painter, box.topLeft(), area);
        }
    }
}
