// Start-up time of the program to the launcher's first paint, over a program folder
// holding today's sessions.
//   startup_probe prepare FOLDER COUNT  writes COUNT session files of today
//   startup_probe launch FOLDER         starts a fresh process of itself and prints
//                                       its timings (one line, key=value)
// The child does what main() does (application, launcher, hidden session screen,
// show) and stops at the end of the launcher's first paint. Time zero is taken in
// the parent just before the process is spawned, so loading the program and its
// libraries counts.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "PerfSupport.h"
#include "ProgramFolder.h"
#include "TForm1.h"
#include "Tfekranglowny.h"

extern char** environ;

namespace {

constexpr const char* kStartVariable = "RUVO_PERF_SPAWN_NS";

long long SteadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double MillisecondsSinceSpawn() {
    const char* start = std::getenv(kStartVariable);
    return start ? double(SteadyNanoseconds() - std::atoll(start)) / 1e6 : -1.0;
}

// Ends the run once the first paint of the watched window has been delivered in
// full: the first paint event of the window or any widget in it starts the pass,
// and the queued call runs after the whole pass.
class FirstPaint : public QObject {
  public:
    FirstPaint(const QWidget& window, std::function<void()> done)
        : window_(window), done_(std::move(done)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Paint && !seen_ && widget && widget->window() == &window_) {
            seen_ = true;
            QTimer::singleShot(0, this, done_);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    const QWidget& window_;
    std::function<void()> done_;
    bool seen_ = false;
};

int Child(int argc, char** argv) {
    const auto main_start = std::chrono::steady_clock::now();
    const double to_main_ms = MillisecondsSinceSpawn();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ruvotimer"));
    QApplication::setOrganizationName(QStringLiteral("RUVO"));
    const double application_ms = perf::MillisecondsSince(main_start);

    SystemClock clock;
    auto step = std::chrono::steady_clock::now();
    TForm1 launcher(clock, ResolveProgramFolder());
    const double launcher_ms = perf::MillisecondsSince(step);
    step = std::chrono::steady_clock::now();
    Tfekranglowny session_screen(launcher.station(), launcher.MakeSessionScreenActions());
    launcher.station().session_screen = &session_screen;
    const double screen_ms = perf::MillisecondsSince(step);
    step = std::chrono::steady_clock::now();

    FirstPaint watcher(launcher, [&] {
        const double paint_ms = perf::MillisecondsSince(step);
        std::printf(
            "to_first_paint_ms=%.2f to_main_ms=%.2f application_ms=%.2f launcher_ms=%.2f "
            "screen_ms=%.2f show_to_paint_ms=%.2f sessions=%d\n",
            MillisecondsSinceSpawn(), to_main_ms, application_ms, launcher_ms, screen_ms, paint_ms,
            launcher.station().sessions.count);
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    app.installEventFilter(&watcher);
    launcher.show();
    return app.exec();
}

int Launch(const char* self, const char* folder) {
    setenv("RUVOTIMER_HOME", folder, 1);
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    const std::string start = std::to_string(SteadyNanoseconds());
    setenv(kStartVariable, start.c_str(), 1);
    char child_word[] = "child";
    char* args[] = {const_cast<char*>(self), child_word, nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, self, nullptr, nullptr, args, environ) != 0) {
        std::perror("posix_spawn");
        return 1;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "child") == 0) {
        return Child(argc, argv);
    }
    if (argc == 4 && std::strcmp(argv[1], "prepare") == 0) {
        QString error;
        if (!perf::WriteTodaysSessions(WithTrailingSeparator(QString::fromLocal8Bit(argv[2])),
                                       std::atoi(argv[3]), &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "launch") == 0) {
        char self[4096] = {};
        if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) {
            std::perror("readlink");
            return 1;
        }
        return Launch(self, argv[2]);
    }
    std::fprintf(stderr, "usage: %s prepare FOLDER COUNT | launch FOLDER\n", argv[0]);
    return 2;
}
