#pragma once

#include <QLabel>
#include <QString>

#include "Colour.h"

class LiveLabel;

// A label that reports clicks; the session screen and the history browser use it for
// the name and best-laps labels. Its "tag" property carries the slot (or 10 x slot +
// row) that the click handlers work with.
class ClickableLabel : public QLabel {
    Q_OBJECT

  public:
    // Plain text: it shows driver names and lap texts from files as they are.
    explicit ClickableLabel(QWidget* parent = nullptr) : ClickableLabel(QString(), parent) {}
    explicit ClickableLabel(const QString& text, QWidget* parent = nullptr) : QLabel(parent) {
        setTextFormat(Qt::PlainText);
        setText(text);
    }

  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

struct LabelStyle {
    int pixel_size = 16;
    Colour colour = Colours::kWhite;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool bold = false;
};

QFont ArialFont(int pixel_size, bool bold = false);

// Places a label of the given object name and design text. Width 0 sizes the label
// to its text; the height follows the font.
template <typename LabelType = QLabel>
LabelType* PlaceLabel(QWidget* parent, const QString& object_name, const QString& text, int left,
                      int top, int width, const LabelStyle& style);

// Readies a label whose text follows the frames, up to a hundred changes a second,
// so that a change costs only the repaint of the label: plain text (no rich-text
// guess), a fixed size (no layout request to the parent) and a fixed accessible name
// (no name-change event); a LiveLabel is opaque besides (no repaint of the panel
// under it). Call once the label has its final size.
void MakeLiveLabel(LiveLabel* label, const QString& accessible_name);

// Sets text and colour only when they differ from what the label shows, so a
// refresh that changes nothing causes no repaint.
void SetLabelText(QLabel* label, const QString& text);
void SetLabelColour(QLabel* label, Colour colour);

// The text cut at the end with "…" where it is wider than the label.
QString ElidedToLabel(const QLabel& label, const QString& text);

// Sets a label's text at design_pixel_size, or at the largest smaller size (down to
// kSmallestFittedPixelSize) at which it fits the label's width: a wider value (three
// digits of minutes or laps) keeps to its own room instead of running into the next.
inline constexpr int kSmallestFittedPixelSize = 20;
void SetFittedText(QLabel* label, const QString& text, int design_pixel_size);

// Shows a top-level window maximised. The window first takes the screen's whole
// available area, so it fills the screen also where no window manager maximises it.
void ShowMaximizedOnScreen(QWidget* window);
// The same, for a window that is about to be shown by exec().
void SetMaximizedOnScreen(QWidget* window);

// Paints a widget's background in a solid colour.
void SetBackground(QWidget* widget, Colour colour);

// A plain child widget painted in one colour (the bars and panels of the big windows).
QWidget* MakePanel(QWidget* parent, const QString& object_name, Colour colour);
