#include "LiveBoard.h"

#include <QPaintEvent>
#include <QPainter>

LiveBoard::LiveBoard(QWidget* panel) : QWidget(panel) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

LiveBoard::~LiveBoard() {
    for (LiveLabel* label : labels_) {
        if (label != nullptr) {
            label->SetBoard(nullptr);
        }
    }
}

void LiveBoard::Host(const std::vector<LiveLabel*>& labels) {
    labels_.assign(labels.begin(), labels.end());
    for (LiveLabel* label : labels) {
        label->SetBoard(this);
    }
    Moved();
    raise();
}

void LiveBoard::Moved() {
    QRect around;
    for (const LiveLabel* label : labels_) {
        if (label != nullptr) {
            around |= label->geometry();
        }
    }
    setGeometry(around);
    update();
}

void LiveBoard::Changed(const LiveLabel& label, const QRect& rect) {
    update(rect.translated(label.pos() - pos()));
}

void LiveBoard::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect area = event->rect();
    painter.fillRect(area, palette().brush(backgroundRole()));
    for (LiveLabel* label : labels_) {
        if (label == nullptr || label->isHidden()) {
            continue;
        }
        label->PaintAt(painter, label->pos() - pos(), area);
    }
}
