#pragma once

#include <QAbstractButton>
#include <QFrame>
#include <QPixmap>

#include "Colour.h"

// A picture button with a normal and a pressed picture; shown faded when disabled.
class ImageButton : public QAbstractButton {
    Q_OBJECT

  public:
    ImageButton(QPixmap normal, QPixmap pressed, QWidget* parent);
    QSize sizeHint() const override { return normal_.size(); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QPixmap normal_;
    QPixmap pressed_;
};

// The small round on/off lamp of a kart header.
class IndicatorLamp : public QWidget {
    Q_OBJECT

  public:
    static constexpr Colour kOnColour = Colours::kLime;
    static constexpr Colour kOffColour = Colours::kRed;

    explicit IndicatorLamp(QWidget* parent);
    bool isOn() const { return on_; }
    void setOn(bool on);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    bool on_ = false;
};

// A panel that reports clicks (the kart headers).
class ClickablePanel : public QFrame {
    Q_OBJECT

  public:
    using QFrame::QFrame;

  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
