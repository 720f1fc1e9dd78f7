#pragma once

#include <QVarLengthArray>
#include <QWidget>
#include <vector>

#include "LiveLabel.h"

// Paints a panel's frame-driven labels with one painter. A session's window paint
// touched three to five of these labels, and for each repainted widget Qt opens a
// painter and works out what the widgets stacked above it cover; the board does that
// once, and repaints only the characters that changed. It lies over its labels,
// covers exactly the rectangle around them and paints the panel's background there,
// then each visible label in stacking order, as the labels themselves would. The
// labels stay where they are, with their names, texts and clicks (the board lets
// mouse events through), but no longer ask for a repaint of their own: a new text
// repaints its part of the board. The board watches its window's update requests.
class LabelBoard : public QWidget {
    Q_OBJECT

  public:
    explicit LabelBoard(QWidget* panel);
    ~LabelBoard() override;

    // Takes over the painting of labels, children of the same panel, given bottom
    // to top. The board puts itself over them.
    void Host(const std::vector<LiveLabel*>& labels);

    // Called by a hosted label whose look changed within rect (its own coordinates)
    // or that moved, was resized, shown or hidden.
    void Changed(const LiveLabel& label, const QRect& rect);
    void Moved();
    // Called by a hosted label that is being destroyed (with its panel, as a rule:
    // nothing is repainted).
    void Forget(const LiveLabel* label);

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Gives Qt the rectangles changed since the first one of this repaint.
    void HandOver();

    std::vector<LiveLabel*> labels_;
    // Each update() costs Qt a walk to the window and a union with the dirty region,
    // and a frame changes two labels. The first change after a paint asks for the
    // repaint; the later ones are gathered here (overlapping ones merged) and handed
    // over at once when the window is about to be painted.
    bool asked_ = false;
    QVarLengthArray<QRect, 8> pending_;
};
