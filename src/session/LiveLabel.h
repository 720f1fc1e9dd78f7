#pragma once

#include <QHash>
#include <QLabel>
#include <QPixmap>
#include <array>

// A label for values that follow the frames (running times, lap numbers, engine
// speeds, gaps, temperatures). QLabel lays its text out and shapes it on every
// paint, which on a real display was the largest part of the session screen's CPU
// time at 100 frames a second. These texts are short and drawn from a dozen
// characters, so each character is rendered once per font and colour and painted
// as a small picture from then on. Plain one-line text with left, right or centred
// alignment, vertically centred, no margins, as the screens use it.
// The label is opaque and fills its own background in the colour of the panel under
// it (its palette's window colour): Qt then neither paints the panel under it nor
// opens a painter of its own for the background on each repaint.
class LiveLabel : public QLabel {
    Q_OBJECT

  public:
    explicit LiveLabel(const QString& text, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    struct Glyph {
        QPixmap picture;  // the character, with margin_ to its left and right
        qreal advance = 0;
    };
    const Glyph& GlyphFor(QChar c);
    void Forget();

    // Line metrics of the font, taken with the first glyph.
    int margin_ = -1;
    int line_height_ = 0;
    qreal ascent_ = 0;
    std::array<Glyph, 128> ascii_{};  // null picture: not rendered yet
    QHash<QChar, Glyph> others_;
};
