#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>

class QWidget;

// Turns a right-click, the context-menu key or a long press (for touch screens,
// whose touches arrive as mouse events) on a watched lap label into one request
// for the lap correction menu. The release that ends a long press is swallowed, so
// a best-laps label does not also open its lap details.
class LapPressWatcher : public QObject {
    Q_OBJECT

  public:
    static constexpr int kLongPressMs = 600;

    explicit LapPressWatcher(QObject* parent = nullptr);

    // Watches label; row 0 is the kart's "Last" time, 1..5 its best-laps rows.
    void Watch(QWidget* label, int slot, int row);

  signals:
    void requested(int slot, int row, QPoint global_position);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void LongPressed();

    QTimer long_press_;
    QPointer<QWidget> pressed_;
    QPoint press_position_;  // global
    bool swallow_release_ = false;
};
