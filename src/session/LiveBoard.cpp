#include "LiveBoard.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

LiveBoard::LiveBoard(QWidget* panel) : QWidget(panel) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

LiveBoard::~LiveBoard() {
    for (LiveLabel* label : labels_) {
        label->SetBoard(nullptr);
    }
}

void LiveBoard::Host(const std::vector<LiveLabel*>& labels) {
    labels_ = labels;
    for (LiveLabel* label : labels_) {
        label->SetBoard(this);
    }
    Moved();
    raise();
}

void LiveBoard::Forget(const LiveLabel* label) {
    labels_.erase(std::remove(labels_.begin(), labels_.end(), label), labels_.end());
}

void LiveBoard::Moved() {
    QRect around;
    for (const LiveLabel* label : labels_) {
        around |= label->geometry();
    }
    setGeometry(around);
    update();
}

void LiveBoard::Changed(const LiveLabel& label, const QRect& rect) {
    update(rect.translated(label.pos() - pos()));
}

void LiveBoard::paintEvent(QPaintEvent* event) {
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
