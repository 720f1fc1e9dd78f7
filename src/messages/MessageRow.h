#pragma once

#include <QFrame>

#include "MessageStore.h"

class QLabel;

// One row of the paged message list: a panel in the message's background colour,
// inset by a 5-pixel margin that is lime on the current row, with both lines
// centred in the message's text colour. A click on the panel or its lines reports
// clicked(); the margin takes none.
class MessageRow : public QFrame {
    Q_OBJECT

  public:
    static constexpr int kHeight = 85;
    static constexpr int kMargin = 5;
    static constexpr Colour kIdleMargin = Colours::kSilver;  // the list's own background

    explicit MessageRow(QWidget* parent = nullptr);

    void Show(const StoredMessage& message, bool current);

  signals:
    void clicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    bool OnPanel(const QMouseEvent* event) const;

    QFrame* panel_ = nullptr;
    bool pressed_on_panel_ = false;
    QLabel* line1_ = nullptr;
    QLabel* line2_ = nullptr;
};
