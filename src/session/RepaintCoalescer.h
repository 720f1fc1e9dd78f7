#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QWidget;

// Holds a window's repaints to at most one per display refresh. Label texts may
// change tens of thousands of times a second while the screen only needs the
// latest of them every ~16 ms: an update request that comes too soon after the
// last paint is swallowed and posted again when the interval is over. (Qt posts no
// second request while one is outstanding, hence the re-post.)
// Display pacing uses the monotonic wall clock, not the timing Clock: it decides
// only when pixels reach the screen, never a time that is shown.
class RepaintCoalescer : public QObject {
    Q_OBJECT

  public:
    static constexpr int kIntervalMs = 16;

    explicit RepaintCoalescer(QWidget* window);

    int paints() const { return paints_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void RepostUpdateRequest();

    QWidget* window_;
    QElapsedTimer since_paint_;
    QTimer repost_;
    int paints_ = 0;
};
