#pragma once

#include <QHash>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <array>
#include <memory>

class LabelBoard;

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
// On a LabelBoard the board paints the label; set its text with SetText (or
// SetLabelText), which tells the board what to repaint.
class LiveLabel : public QLabel {
    Q_OBJECT

  public:
    explicit LiveLabel(const QString& text, QWidget* parent = nullptr);

    // Sets the text when it differs and repaints what it changed.
    void SetText(const QString& text);

    // Paints background and text with the label's top left at origin, limited to
    // area (painter coordinates); the text is cut at the label's edges.
    void PaintAt(QPainter& painter, QPoint origin, const QRect& area);

    // The board that paints this label from now on; the label asks for no repaint of
    // its own any more.
    void SetBoard(LabelBoard* board);

    ~LiveLabel() override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

  private:
    struct Glyph {
        QPixmap picture;  // the character, with the set's margin to its left and right
        QSize size;       // of the picture, in the label's pixels
        qreal advance = 0;
        bool ready = false;
    };
    // The pictures of one font and colour, with the line metrics of the font.
    struct GlyphSet {
        int margin = 0;  // room around a character's advance for ink past it
        int line_height = 0;
        qreal ascent = 0;
        std::array<Glyph, 128> ascii{};  // not ready: not rendered yet
        QHash<QChar, Glyph> others;
    };
    // The set of the label's present font and colour.
    GlyphSet& Glyphs();
    const Glyph& GlyphFor(GlyphSet& set, QChar c);
    // Left edge of the text for a text of the given width.
    qreal TextLeft(qreal text_width) const;
    // The part of the label whose pixels differ between two texts: from the first
    // character that differs or moves to the last, with the ink around them.
    QRect ChangedArea(const QString& before, const QString& after);

    QPointer<LabelBoard> board_;
    QBrush background_;  // the palette's, kept: paints ask for it often
    // Sets by font, colour and pixel ratio. A lap number or running time changes
    // its font when its length changes, a running time or gap its colour: each
    // change back finds its pictures ready instead of rendering them again.
    QHash<QString, std::shared_ptr<GlyphSet>> sets_;
    GlyphSet* glyphs_ = nullptr;  // the present set, looked up again after a change
};
