#include "MessageRow.h"

#include <QLabel>
#include <QMouseEvent>

#include "WindowLook.h"

namespace {

constexpr int kLineHeight = 37;  // two lines of 35-pixel text in the 75-pixel panel

}  // namespace

MessageRow::MessageRow(QWidget* parent) : QFrame(parent) {
    panel_ = new QFrame(this);
    panel_->setAttribute(Qt::WA_TransparentForMouseEvents);
    line1_ = new QLabel(panel_);
    line2_ = new QLabel(panel_);
    for (QLabel* line : {line1_, line2_}) {
        line->setTextFormat(Qt::PlainText);  // the line as the dashboard will show it
        line->setFont(ArialPixels(35));
        line->setAlignment(Qt::AlignCenter);
    }
    line1_->setObjectName(QStringLiteral("DBText1"));
    line2_->setObjectName(QStringLiteral("DBText2"));
    setFixedHeight(kHeight);
}

void MessageRow::Show(const StoredMessage& message, bool current) {
    FillBackground(this, current ? Colours::kLime : kIdleMargin);
    FillBackground(panel_, message.kolortla);
    line1_->setText(message.linia1);
    line2_->setText(message.linia2);
    SetTextColour(line1_, message.kolorfont);
    SetTextColour(line2_, message.kolorfont);
}

void MessageRow::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    panel_->setGeometry(rect().adjusted(kMargin, kMargin, -kMargin, -kMargin));
    const int width = panel_->width();
    const int top = (panel_->height() - 2 * kLineHeight) / 2;
    line1_->setGeometry(0, top, width, kLineHeight);
    line2_->setGeometry(0, top + kLineHeight, width, kLineHeight);
}

bool MessageRow::OnPanel(const QMouseEvent* event) const {
    return panel_->geometry().contains(event->position().toPoint());
}

void MessageRow::mousePressEvent(QMouseEvent* event) {
    pressed_on_panel_ = event->button() == Qt::LeftButton && OnPanel(event);
    QFrame::mousePressEvent(event);
}

void MessageRow::mouseReleaseEvent(QMouseEvent* event) {
    // The margin is the row's frame, not the message: only a click that starts and
    // ends on the panel (or its lines, which pass their clicks on) counts.
    const bool click = pressed_on_panel_ && event->button() == Qt::LeftButton && OnPanel(event);
    pressed_on_panel_ = false;
    if (click) {
        emit clicked();
    }
    QFrame::mouseReleaseEvent(event);
}
