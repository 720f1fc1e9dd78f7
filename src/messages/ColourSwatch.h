#pragma once

#include <QFrame>

#include "Colour.h"

// A panel filled with one colour that reports clicks.
class ColourSwatch : public QFrame {
    Q_OBJECT

  public:
    explicit ColourSwatch(QWidget* parent = nullptr);

    Colour colour() const { return colour_; }
    void setColour(Colour colour);

  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    Colour colour_ = Colours::kBlack;
};
