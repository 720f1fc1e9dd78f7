#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QWidget;

// Holds a window's repaints to at most one per kIntervalMs. Label texts may change
// with every received frame (100 a second and more) while the eye needs the latest
// of them only every few tens of milliseconds, and on a real display every paint
// costs the program and the X server alike. An update request that comes too soon
// after the last paint is swallowed; the window is painted from a timer as soon as
// the interval is over, in the same pass of the event loop that finds it due (Qt
// posts no second request while one is outstanding). The session loop passes
// through the event loop after every frame, so with frames 10 ms apart a value is
// on the screen at most 20 ms after it arrived.
// Display pacing uses the monotonic wall clock, not the timing Clock: it decides
// only when pixels reach the screen, never a time that is shown.
class RepaintCoalescer : public QObject {
    Q_OBJECT

  public:
    static constexpr int kIntervalMs = 14;

    explicit RepaintCoalescer(QWidget* window);

    int paints() const { return paints_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void PaintHeld();

    QWidget* window_;
    QElapsedTimer since_paint_;
    QTimer held_;
    int paints_ = 0;
};
