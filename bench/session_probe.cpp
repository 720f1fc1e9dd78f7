// Resident memory and CPU share of the whole program running a session: the
// launcher as main() builds it, "Session start" clicked, the simulated receiver
// delivering 100 frames/s of four radio karts (a lap every ~6 s each), the session
// screen shown on the offscreen platform, or on the X display that DISPLAY names.
//   session_probe [SECONDS [KARTS [XSERVER_PID]]]   (defaults 20, 4, none)
// RUVO_PROBE_CAMERA=DEVICE runs the camera at the line during the session on that
// source (such as "gst:videotestsrc ... ! appsink"), to see what it costs the
// receiver's path to the screen.
// Prints one key=value line: memory before the session, VmRSS sampled each second
// during it (largest and last), VmHWM, and the CPU share over the session. With
// XSERVER_PID it also gives the CPU share of the program and of that X server from
// /proc/<pid>/stat over the same fixed interval (the session after its first
// second, when the screen has been mapped and painted once), and the session
// window's paints per second: drawing on a real display costs in both processes.
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QPaintEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include "PerfSupport.h"
#include "RepaintCoalescer.h"
#include "SimReceiver.h"
#include "TForm1.h"
#include "Tfekranglowny.h"

namespace {

constexpr int kFramePeriodMs = 10;
constexpr int kFramesPerLap = 600;  // all karts together: 6 s of frames

// How long a new value waits for the screen: from the moment a running-time label
// gets a new text to that label's next paint, or to the next paint of the board
// that paints the labels (LabelBoard) over the label. The probe stands between the
// receiver link and the session screen (the station's SessionView), so it sees
// every refresh that the frames cause, and compares the labels' texts after each.
// In this race every frame changes a running time, so those labels are watched.
class DisplayDelay : public QObject, public SessionView {
  public:
    DisplayDelay(SessionView* screen, const std::array<QWidget*, kSlotCount>& labels)
        : screen_(screen), labels_(labels) {
        for (size_t i = 0; i < labels_.size(); ++i) {
            if (auto* label = qobject_cast<QLabel*>(labels_[i])) {
                shown_[i] = label->text();
                label->installEventFilter(this);
            }
        }
        // Where a board paints the labels, its paints that cover a label show it.
        if (labels_[0] != nullptr && labels_[0]->parentWidget() != nullptr) {
            board_ = labels_[0]->parentWidget()->findChild<QWidget*>(QStringLiteral("LabelBoard"),
                                                                     Qt::FindDirectChildrenOnly);
            if (board_ != nullptr) {
                board_->installEventFilter(this);
            }
        }
    }
    double longest_ms = 0;
    int over_20_ms = 0;
    int shown = 0;

    SessionView* screen() const { return screen_; }

    void RefreshKarts() override {
        screen_->RefreshKarts();
        const auto now = std::chrono::steady_clock::now();
        for (size_t i = 0; i < labels_.size(); ++i) {
            auto* label = qobject_cast<QLabel*>(labels_[i]);
            if (label == nullptr || label->text() == shown_[i]) {
                continue;
            }
            shown_[i] = label->text();
            if (!changed_[i]) {
                changed_[i] = now;  // the oldest value not yet on the screen
            }
        }
    }
    void RecordLap(qint32 lap_time, int slot, qint32 rpm_max, qint32 rpm_min) override {
        screen_->RecordLap(lap_time, slot, rpm_max, rpm_min);
    }
    void ReportSector(int slot, const SectorReport& report) override {
        screen_->ReportSector(slot, report);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint) {
            return false;
        }
        const auto* paint = static_cast<QPaintEvent*>(event);
        for (size_t i = 0; i < labels_.size(); ++i) {
            if (!changed_[i]) {
                continue;
            }
            const bool on_board =
                watched == board_ && labels_[i] != nullptr &&
                paint->region().intersects(labels_[i]->geometry().translated(-board_->pos()));
            if (labels_[i] != watched && !on_board) {
                continue;
            }
            const double delay = perf::MillisecondsSince(*changed_[i]);
            changed_[i].reset();
            longest_ms = std::max(longest_ms, delay);
            over_20_ms += delay > 20.0 ? 1 : 0;
            ++shown;
        }
        return false;
    }

  private:
    SessionView* screen_;
    std::array<QWidget*, kSlotCount> labels_;
    QWidget* board_ = nullptr;
    std::array<QString, kSlotCount> shown_;
    std::array<std::optional<std::chrono::steady_clock::time_point>, kSlotCount> changed_;
};

// 60 s of traffic, replayed endlessly: each frame moves one kart on, and changes
// that kart's running time.
void FeedRace(sim::SimReceiver& sim, int receiver, int radio_karts) {
    for (int i = 0; i < 6000; ++i) {
        const int lap = i / kFramesPerLap;
        sim::TimingFields f;
        f.serial = std::uint32_t(4661 + i % radio_karts);
        f.node = std::uint16_t(f.serial);
        f.counter = std::uint8_t(i / radio_karts);
        f.race = 1;
        f.lap = std::uint8_t(lap);
        f.lap_in_progress = std::uint8_t(lap + 1);
        f.lap_time = std::uint32_t(lap == 0 ? 0 : 5900 + (i * 37) % 400);
        f.running_lap_time = std::uint32_t((i % kFramesPerLap) * kFramePeriodMs / 10);
        f.rpm = std::uint16_t(7000 + (i * 53) % 5000);
        f.lap_rpm_max = 12000;
        f.lap_rpm_min = 5000;
        f.driver = "DRIVER";
        sim.QueueDelay(receiver, kFramePeriodMs);
        sim.QueueFrame(receiver, sim::MakeTimingFrame(f));
    }
    sim.SetLoop(receiver, true);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
    const int radio_karts = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, kSlotCount) : 4;
    const long xserver_pid = argc > 3 ? std::atol(argv[3]) : 0;
    QTemporaryDir home;
    QApplication app(argc, argv);
    if (const QString camera = qEnvironmentVariable("RUVO_PROBE_CAMERA"); !camera.isEmpty()) {
        QFile settings(home.path() + QStringLiteral("/ustawienia.ini"));
        if (!settings.open(QIODevice::WriteOnly) ||
            settings.write(
                QStringLiteral("[Camera]\r\nEnabled=1\r\nDevice=%1\r\n").arg(camera).toUtf8()) <=
                0) {
            std::fprintf(stderr, "session_probe: cannot write the camera's settings\n");
            return 1;
        }
    }

    SystemClock clock;
    TForm1 launcher(clock, home.path() + QLatin1Char('/'));
    Tfekranglowny hidden_screen(launcher.station(), launcher.MakeSessionScreenActions());
    launcher.station().session_screen = &hidden_screen;
    for (int k = 1; k <= kSlotCount; ++k) {
        KartSlot& slot = launcher.station().slot(k);
        slot.radio = k <= radio_karts;
        slot.serial_number = 4660 + k;
        slot.driver_name = QStringLiteral("Driver %1").arg(k);
    }
    launcher.show();
    QCoreApplication::processEvents();

    auto& sim = sim::SimReceiver::Instance();
    sim.Reset();
    sim.SetLogging(false);
    FeedRace(sim, sim.AttachReceiver(), radio_karts);

    const long rss_before = perf::ProcStatusKiB("VmRSS");
    long rss_max = 0;
    long rss_last = 0;
    int samples = 0;
    double cpu_start = 0;
    auto wall_start = std::chrono::steady_clock::now();
    QTimer sampler;
    sampler.setInterval(1000);
    // The fixed interval of the two-process figures: from the first sample on.
    double self_start = 0;
    double x_start = 0;
    int paints_start = 0;
    auto interval_start = std::chrono::steady_clock::now();
    const Tfekranglowny* session_screen = nullptr;  // the one shown, once the session runs
    auto session_paints = [&] {
        return session_screen ? session_screen->repaint_coalescer().paints() : 0;
    };
    std::unique_ptr<DisplayDelay> delay;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (samples == 0) {
            self_start = perf::ProcStatCpuSeconds(0);
            x_start = xserver_pid > 0 ? perf::ProcStatCpuSeconds(xserver_pid) : 0;
            if (auto* screen = dynamic_cast<Tfekranglowny*>(launcher.station().session_screen)) {
                session_screen = screen;
                std::array<QWidget*, kSlotCount> times{};
                if (auto* centre = screen->findChild<QWidget*>(QStringLiteral("Panel3"))) {
                    for (int k = 1; k <= kSlotCount; ++k) {
                        times[size_t(k - 1)] = centre->findChild<QWidget*>(
                            QStringLiteral("Label%1").arg(k), Qt::FindDirectChildrenOnly);
                    }
                }
                delay = std::make_unique<DisplayDelay>(screen, times);
                launcher.station().session_screen = delay.get();
            }
            paints_start = session_paints();
            interval_start = std::chrono::steady_clock::now();
        }
        rss_last = perf::ProcStatusKiB("VmRSS");
        rss_max = std::max(rss_max, rss_last);
        if (++samples >= seconds) {
            launcher.station().stop_requested = true;
            if (delay) {
                launcher.station().session_screen = delay->screen();
            }
            if (xserver_pid > 0) {
                const double interval = perf::MillisecondsSince(interval_start) / 1000.0;
                std::printf(
                    "interval_seconds=%.2f program_stat_cpu_percent=%.3f "
                    "xserver_cpu_percent=%.3f window_paints_per_second=%.1f "
                    "longest_display_delay_ms=%.1f display_delays_over_20ms_percent=%.2f ",
                    interval, 100.0 * (perf::ProcStatCpuSeconds(0) - self_start) / interval,
                    100.0 * (perf::ProcStatCpuSeconds(xserver_pid) - x_start) / interval,
                    (session_paints() - paints_start) / interval, delay ? delay->longest_ms : -1.0,
                    delay ? 100.0 * delay->over_20_ms / std::max(1, delay->shown) : -1.0);
            }
        }
    });
    int laps = 0;
    QTimer::singleShot(0, [&] {
        cpu_start = perf::ProcessCpuSeconds();
        wall_start = std::chrono::steady_clock::now();
        sampler.start();
        launcher.Button1Click();  // returns when the poll loop has stopped
        const double cpu = perf::ProcessCpuSeconds() - cpu_start;
        const double wall_ms = perf::MillisecondsSince(wall_start);
        sampler.stop();
        for (int k = 1; k <= kSlotCount; ++k) {
            for (int j = 1; j <= kLapEntries; ++j) {
                laps += launcher.station().slot(k).lap(j).lap_time > 0 ? 1 : 0;
            }
        }
        std::printf(
            "rss_before_kib=%ld rss_max_kib=%ld rss_last_kib=%ld hwm_kib=%ld "
            "cpu_percent=%.3f seconds=%.2f laps_recorded=%d\n",
            rss_before, rss_max, rss_last, perf::ProcStatusKiB("VmHWM"),
            100.0 * cpu / (wall_ms / 1000.0), wall_ms / 1000.0, laps);
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    return app.exec();
}
