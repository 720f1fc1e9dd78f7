#include "ScreenWidgets.h"

#include <QMouseEvent>
#include <QScreen>

#include "LiveLabel.h"

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

QFont ArialFont(int pixel_size, bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixel_size);
    font.setBold(bold);
    return font;
}

template <typename LabelType>
LabelType* PlaceLabel(QWidget* parent, const QString& object_name, const QString& text, int left,
                      int top, int width, const LabelStyle& style) {
    auto* label = new LabelType(text, parent);
    // Names, messages and lap texts come from the operator and from files: shown as
    // typed, never read as markup (a "<b>" in a name, an <img> loading a file).
    label->setTextFormat(Qt::PlainText);
    label->setObjectName(object_name);
    label->setFont(ArialFont(style.pixel_size, style.bold));
    label->setAlignment(style.alignment);
    label->setAutoFillBackground(false);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, ToQColor(style.colour));
    label->setPalette(palette);
    const int height = QFontMetrics(label->font()).height();
    const int shown_width =
        width > 0 ? width : QFontMetrics(label->font()).horizontalAdvance(text) + 2;
    label->setGeometry(left, top, shown_width, height);
    return label;
}

template QLabel* PlaceLabel<QLabel>(QWidget*, const QString&, const QString&, int, int, int,
                                    const LabelStyle&);
template LiveLabel* PlaceLabel<LiveLabel>(QWidget*, const QString&, const QString&, int, int, int,
                                          const LabelStyle&);
template ClickableLabel* PlaceLabel<ClickableLabel>(QWidget*, const QString&, const QString&, int,
                                                    int, int, const LabelStyle&);

namespace {

// A frame-driven label on a board has the board repaint its text.
void ApplyText(QLabel* label, const QString& text) {
    if (auto* live = qobject_cast<LiveLabel*>(label)) {
        live->SetText(text);
        return;
    }
    label->setText(text);
}

}  // namespace

void SetLabelText(QLabel* label, const QString& text) {
    if (label->text() != text) {
        ApplyText(label, text);
    }
}

void MakeLiveLabel(LiveLabel* label, const QString& accessible_name) {
    label->setTextFormat(Qt::PlainText);
    label->setFixedSize(label->size());
    label->setAccessibleName(accessible_name);
}

QString ElidedToLabel(const QLabel& label, const QString& text) {
    return QFontMetrics(label.font())
        .elidedText(text, Qt::ElideRight, label.contentsRect().width());
}

void SetFittedText(QLabel* label, const QString& text, int design_pixel_size) {
    const QString old = label->text();
    if (old == text) {
        return;
    }
    ApplyText(label, text);
    // The digits of a font share one width, so only a change of length can change
    // the fit: the font is not touched while a time counts up.
    if (old.size() == text.size()) {
        return;
    }
    const int room = label->contentsRect().width();
    QFont font = label->font();
    int size = design_pixel_size;
    for (; size > kSmallestFittedPixelSize; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).horizontalAdvance(text) <= room) {
            break;
        }
    }
    if (label->font().pixelSize() != size) {
        font.setPixelSize(size);
        label->setFont(font);
    }
}

void SetLabelColour(QLabel* label, Colour colour) {
    const QColor wanted = ToQColor(colour);
    if (label->palette().color(QPalette::WindowText) == wanted) {
        return;
    }
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, wanted);
    label->setPalette(palette);
}

QWidget* MakePanel(QWidget* parent, const QString& object_name, Colour colour) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(object_name);
    SetBackground(panel, colour);
    return panel;
}

void SetBackground(QWidget* widget, Colour colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, ToQColor(colour));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void SetMaximizedOnScreen(QWidget* window) {
    if (const QScreen* screen = window->screen()) {
        window->setGeometry(screen->availableGeometry());
    }
    window->setWindowState(window->windowState() | Qt::WindowMaximized);
}

void ShowMaximizedOnScreen(QWidget* window) {
    SetMaximizedOnScreen(window);
    window->show();
}
