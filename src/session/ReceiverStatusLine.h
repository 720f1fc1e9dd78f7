#pragma once

#include <QWidget>
#include <optional>

#include "ReceiverStatus.h"

class IndicatorLamp;
class QLabel;

// The USB-Key's state in the session screen's bottom bar: a lamp, lime while the
// receiver is connected and red otherwise, and the status text in black on the grey
// bar. The screen hands it the station's status on its clock tick; a status that has
// not changed costs one comparison and no repaint.
class ReceiverStatusLine : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kFontPixels = 18;

    explicit ReceiverStatusLine(QWidget* parent);

    void Show(const ReceiverStatus& status);
    // Another source's state on the same kind of line (the camera at the line).
    void ShowText(const QString& text, bool lamp_on);

    QLabel* label() const { return label_; }
    IndicatorLamp* lamp() const { return lamp_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    IndicatorLamp* lamp_ = nullptr;
    QLabel* label_ = nullptr;
    std::optional<ReceiverStatus> shown_;
};
