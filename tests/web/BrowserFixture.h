#pragma once

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <memory>

#include "DevToolsPage.h"
#include "LiveTimingServer.h"
#include "WebFixture.h"

// The pages in a real browser: Debian's chromium, headless, against a server in
// this process fed from a station. Skipped where chromium is not installed.
// Driver names hold 20 characters: the start of a classic injection.
inline constexpr auto kHostile = "<img src=x onerror=alert(1)>";

class BrowserTest : public ::testing::Test, public StationFixture {
  protected:
    void SetUp() override {
        chromium_ = QStandardPaths::findExecutable(QStringLiteral("chromium"));
        if (chromium_.isEmpty()) {
            GTEST_SKIP() << "chromium is not installed (scripts/install-deps)";
        }
        server_ = std::make_unique<LiveTimingServer>(station_);
        QString error;
        ASSERT_TRUE(server_->Listen(QHostAddress::LocalHost, 0, &error)) << error.toStdString();
    }

    QString Url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server_->port()).arg(path);
    }

    // The station's clock runs with the real one, and every 25 ms the radio karts
    // but `silent` report their running times, as frames from the track would.
    void RunFrames(int silent = 0) {
        since_frame_.start();
        QObject::connect(&frames_, &QTimer::timeout, [this, silent] {
            // Whole centiseconds since the last frame; the rest counts next time.
            const qint64 centiseconds = since_frame_.elapsed() / 10 - counted_cs_;
            counted_cs_ += centiseconds;
            clock_.AdvanceCentiseconds(centiseconds);
            for (int n = 1; n <= kSlotCount; ++n) {
                const KartSlot& kart = station_.slot(n);
                if (kart.radio && kart.serial_number != 0 && n != silent) {
                    station_.current_lap_time(n) += qint32(centiseconds);
                    station_.link_quality.Heard(quint32(kart.serial_number), quint8(++packets_),
                                                clock_.PerformanceCounter());
                }
            }
        });
        frames_.start(25);
    }

    // Five karts in a running session, the board as the pit lane sees it: kart 5
    // not heard for two seconds, the session 12:34 old.
    void FillFiveKarts() {
        station_.session_screen = &screen_;
        station_.poll_mode = kPollSession;
        const char* names[] = {"Anna Kowalska", "Bartek", "Celina Nowak-Wisniewska", "Darek",
                               "Ewa"};
        for (int n = 1; n <= kSlotCount; ++n) {
            Kart(n, QString::fromLatin1(names[n - 1]), 100 + n);
            station_.link_quality.Heard(quint32(100 + n), 1, clock_.PerformanceCounter());
            station_.current_lap_time(n) = 1234 * n;
        }
        Laps(1, {6345, 6233, 6301});
        Laps(2, {6120, 6190});
        Laps(3, {6500, 6450, 6470, 6422});
        Laps(4, {7010});
        screen_.laps = {3, 2, 4, 1, 0};
        screen_.start_counter =
            clock_.PerformanceCounter() - 75'400 * FakeClock::kCountsPerCentisecond;
        clock_.AdvanceCentiseconds(200);
        RunFrames(5);
    }

    // Records as the updater makes them, for today at the station: Dora's 61.50 this
    // morning, Edek's 59.90 three days ago, Celina's 64.40 on an earlier day.
    RecordsBoard BoardOfToday() const {
        const QDateTime now = clock_.LocalDateTime();
        RecordsBoard board;
        board.day = now.date();
        board.day_best = {1,    QStringLiteral("Dora"), QStringLiteral("dora"),
                          6150, now.addSecs(-3600),     2};
        board.month_best = {1,    QStringLiteral("Edek"), QStringLiteral("edek"),
                            5990, now.addDays(-3),        1};
        // Names hold 20 characters, in the kart and in the session files alike.
        board.driver_bests = {{QStringLiteral("celina nowak-wisniew"), 6440}};
        return board;
    }

    QString chromium_;
    ScreenStandIn screen_;
    QTimer frames_;
    QElapsedTimer since_frame_;  // since the frames started
    qint64 counted_cs_ = 0;
    int packets_ = 0;
    std::unique_ptr<LiveTimingServer> server_;
};

// A lap time as the pages write it: 32.67, 1:02.33.
inline QString WebTime(qint32 cs) {
    const qint32 minutes = cs / 6000;
    const QString seconds = QStringLiteral("%1.%2")
                                .arg((cs % 6000) / 100, minutes > 0 ? 2 : 1, 10, QLatin1Char('0'))
                                .arg(cs % 100, 2, 10, QLatin1Char('0'));
    return minutes > 0 ? QString::number(minutes) + QLatin1Char(':') + seconds : seconds;
}
