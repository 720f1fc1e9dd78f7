// The least CPU that a session's rhythm costs on this machine and display, without
// any of the station's code: a process that wakes every 10 ms (as the serve loop does
// for each frame at 100 frames/s), and optionally a Qt window that changes a small
// area on every wake-up and is painted every 20 ms (as the session screen must be to
// show each running time within 20 ms). The session probe's figures are read against
// these.
//   floor_probe MODE SECONDS [XSERVER_PID]
// MODE: "wake" (sleep and wake only), "fill" (a 1366 x 768 window whose 120 x 40 area
// is filled in a new colour each wake-up), "label" (a QLabel in that window set to a
// new running time each wake-up), "events" (that window, not changed), "store" (a
// plain QWindow with its own backing store, the area filled and flushed every 20 ms,
// no widgets). Prints one key=value line: the CPU share of this
// process and of the X server over the run, and the window's paints per second.
#include <time.h>

#include <QApplication>
#include <QBackingStore>
#include <QLabel>
#include <QPainter>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "PerfSupport.h"

namespace {

constexpr long kPeriodNs = 10'000'000;                      // one frame at 100 frames/s
constexpr auto kEventsGap = std::chrono::milliseconds(15);  // as the serve loop paces them

// Sleeps until the next multiple of the period after `due`, as a blocking read of the
// next frame would.
void SleepUntil(timespec& due) {
    due.tv_nsec += kPeriodNs;
    if (due.tv_nsec >= 1'000'000'000) {
        due.tv_nsec -= 1'000'000'000;
        ++due.tv_sec;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr) != 0) {
    }
}

class FillArea : public QWidget {
  public:
    using QWidget::QWidget;
    int paints = 0;
    int shade = 0;

  protected:
    void paintEvent(QPaintEvent*) override {
        ++paints;
        QPainter painter(this);
        painter.fillRect(rect(), QColor(shade % 256, 0, 0));
    }
};

class CountingLabel : public QLabel {
  public:
    using QLabel::QLabel;
    int paints = 0;

  protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        QLabel::paintEvent(event);
    }
};

// A plain native window painted through its own backing store, without Qt's widget
// repaint: what a paint costs below the widgets.
class StoreWindow : public QWindow {
  public:
    StoreWindow() : store_(this) {}
    int paints = 0;

    void PaintArea(const QRect& area) {
        ++shade_;
        Fill(area, QColor(shade_ % 256, 0, 0));
        ++paints;
    }

  protected:
    void exposeEvent(QExposeEvent*) override {
        if (isExposed()) {
            Fill(QRect(QPoint(), size()), Qt::black);
        }
    }

  private:
    void Fill(const QRect& area, const QColor& colour) {
        store_.resize(size());
        store_.beginPaint(area);
        {
            QPainter painter(store_.paintDevice());
            painter.fillRect(area, colour);
        }
        store_.endPaint();
        store_.flush(area);
    }

    QBackingStore store_;
    int shade_ = 0;
};

// In the order of the report's rows; the index is printed for it.
enum class Mode { kWake, kEvents, kStore, kFill, kLabel };
constexpr std::array<const char*, 5> kModeNames = {"wake", "events", "store", "fill", "label"};

}  // namespace

int main(int argc, char** argv) {
    const auto name = argc >= 3
                          ? std::find_if(kModeNames.begin(), kModeNames.end(),
                                         [&](const char* n) { return !std::strcmp(n, argv[1]); })
                          : kModeNames.end();
    if (name == kModeNames.end()) {
        std::fprintf(stderr,
                     "usage: floor_probe wake|events|store|fill|label SECONDS [XSERVER_PID]\n");
        return 2;
    }
    const auto mode = Mode(name - kModeNames.begin());
    const int seconds = std::atoi(argv[2]);
    const long xserver_pid = argc > 3 ? std::atol(argv[3]) : 0;

    int app_argc = 1;
    QApplication app(app_argc, argv);
    QWidget top;
    top.setFixedSize(1366, 768);
    top.setStyleSheet(QStringLiteral("background: black"));
    const QRect area(600, 360, 120, 40);
    auto* fill = new FillArea(&top);
    fill->setGeometry(area);
    auto* label = new CountingLabel(&top);
    label->setGeometry(area);
    label->setFont(QFont(QStringLiteral("Arial"), 20, QFont::Bold));
    label->setStyleSheet(QStringLiteral("color: yellow"));
    (mode == Mode::kLabel ? fill : static_cast<QWidget*>(label))->hide();
    StoreWindow store;
    if (mode == Mode::kStore) {
        store.resize(top.size());
        store.show();
    } else if (mode != Mode::kWake) {
        top.show();
    }
    for (int i = 0; mode != Mode::kWake && i < 50; ++i) {  // mapped and painted before measuring
        QCoreApplication::processEvents();
    }
    auto paints = [&] { return store.paints + label->paints + fill->paints; };

    const int ticks = seconds * 100;
    const double self_start = perf::ProcStatCpuSeconds(0);
    const double x_start = xserver_pid > 0 ? perf::ProcStatCpuSeconds(xserver_pid) : 0;
    const int paints_start = paints();
    const auto start = std::chrono::steady_clock::now();
    auto last_pass = start;
    timespec due{};
    clock_gettime(CLOCK_MONOTONIC, &due);
    char text[16];
    for (int tick = 0; tick < ticks; ++tick) {
        SleepUntil(due);
        if (mode == Mode::kWake) {
            continue;
        }
        if (mode == Mode::kLabel) {
            const int cs = tick % 6000;
            std::snprintf(text, sizeof text, "%02d:%02d:%02d", cs / 6000, cs / 100 % 60, cs % 100);
            label->setText(QString::fromLatin1(text));
        } else if (mode == Mode::kFill) {
            ++fill->shade;
            fill->update();
        }
        const auto now = std::chrono::steady_clock::now();
        if (now - last_pass < kEventsGap) {
            continue;
        }
        last_pass = now;
        if (mode == Mode::kStore) {
            store.PaintArea(area);
        }
        QCoreApplication::processEvents();
    }
    const double interval = perf::MillisecondsSince(start) / 1000.0;
    const double x_cpu = xserver_pid > 0 ? perf::ProcStatCpuSeconds(xserver_pid) - x_start : -0.01;
    std::printf(
        "mode=%s mode_index=%d interval_seconds=%.2f program_stat_cpu_percent=%.3f "
        "xserver_cpu_percent=%.3f window_paints_per_second=%.1f\n",
        argv[1], int(mode), interval, 100.0 * (perf::ProcStatCpuSeconds(0) - self_start) / interval,
        100.0 * x_cpu / interval, (paints() - paints_start) / interval);
    return 0;
}
