#pragma once

#include <QFrame>
#include <array>

#include "Colour.h"

class QLabel;

// The sensor frame of a radio kart's column: three temperatures and the RPM
// extremes of the last lap, as caption / value pairs Label1..Label10.
class TFrame1 : public QFrame {
    Q_OBJECT

  public:
    static constexpr int kValues = 5;

    // Captions are silver in the frame's own design; the session screen greys them.
    explicit TFrame1(QWidget* parent, Colour caption_colour = Colours::kSilver);

    // Value label i = 0..4: Temp 1, Temp 2, Temp 3, RPM max, RPM min.
    QLabel* Value(int i) const { return values_.at(size_t(i)); }

  protected:
    // Placed in a wider column, the right-aligned texts follow the right edge.
    void resizeEvent(QResizeEvent* event) override;

  private:
    std::array<QLabel*, kValues> values_{};
    std::array<QLabel*, kValues> captions_{};
};
