#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "TimeFormat.h"

#include "DevToolsPage.h"
#include "LiveBoard.h"
#include "LiveTimingServer.h"
#include "SessionRecorder.h"
#include "WebFixture.h"

// The pages in a real browser: Debian's chromium, headless, against a server in
// this process fed from a station. Skipped where chromium is not installed.
namespace {

// Driver names hold 20 characters: the start of a classic injection.
constexpr auto kHostile = "<img src=x onerror=alert(1)>";

class BrowserTest : public ::testing::Test, public StationFixture {
  protected:
    void SetUp() override {
        chromium_ = QStandardPaths::findExecutable(QStringLiteral("chromium"));
        if (chromium_.isEmpty()) {
            GTEST_SKIP() << "chromium is not installed (scripts/install-deps)";
        }
        ASSERT_TRUE(profile_.isValid());
        server_ = std::make_unique<LiveTimingServer>(station_);
        QString error;
        ASSERT_TRUE(server_->Listen(QHostAddress::LocalHost, 0, &error)) << error.toStdString();
    }

    // Runs chromium on a page of the server until it exits (bounded), serving
    // meanwhile; while_running is called on every pass of the event loop.
    QByteArray Run(const QString& path, const QStringList& extra_arguments,
                   const std::function<void()>& while_running = {}) {
        QProcess browser;
        QStringList arguments = {
            QStringLiteral("--headless=new"),
            QStringLiteral("--no-sandbox"),
            QStringLiteral("--disable-gpu"),
            QStringLiteral("--no-first-run"),
            QStringLiteral("--user-data-dir=") + profile_.path(),
        };
        arguments << extra_arguments
                  << QStringLiteral("http://127.0.0.1:%1%2").arg(server_->port()).arg(path);
        browser.start(chromium_, arguments);
        const bool finished = QTest::qWaitFor(
            [&] {
                if (while_running) {
                    while_running();
                }
                return browser.state() == QProcess::NotRunning;
            },
            60'000);
        if (!finished) {
            browser.kill();
            browser.waitForFinished(5000);
            ADD_FAILURE() << "chromium did not finish";
        }
        return browser.readAllStandardOutput();
    }

    QString chromium_;
    QTemporaryDir profile_;
    std::unique_ptr<LiveTimingServer> server_;
};

TEST_F(BrowserTest, LiveBoardShowsTheLapsAndAHostileNameAsText) {
    station_.poll_mode = kPollSession;
    Kart(1, QString::fromLatin1(kHostile), 101);
    Kart(2, "Bob", 102);
    Laps(1, {6233});
    station_.link_quality.Heard(101, 1, clock_.PerformanceCounter());
    station_.link_quality.Heard(102, 1, clock_.PerformanceCounter());
    // The page is watched until the feed has filled it: a one-shot DOM dump under
    // virtual time can be taken before the first update arrives.
    DevToolsPage page;
    ASSERT_TRUE(page.Open(chromium_, QStringLiteral("http://127.0.0.1:%1/").arg(server_->port()),
                          QStringLiteral("412,915")));
    const QString board = QStringLiteral("document.getElementById('karts').innerHTML");
    ASSERT_TRUE(page.WaitFor(board, QStringLiteral("<td class=\"best\">01:02:33</td>")))
        << page.Evaluate(board).toStdString();
    // The name is text: escaped in the DOM, and no img element exists whose handler
    // could run.
    EXPECT_TRUE(page.Evaluate(board).contains(
        QStringLiteral("<td class=\"driver\">&lt;img src=x onerror=a</td>")));
    EXPECT_EQ(page.Evaluate(QStringLiteral("document.querySelectorAll('img').length")), "0");
    EXPECT_FALSE(page.Evaluate(QStringLiteral("document.documentElement.outerHTML"))
                     .contains(QStringLiteral("<img")));
}

TEST_F(BrowserTest, LapsReachTheOpenPageAsTheyAreCompleted) {
    station_.poll_mode = kPollSession;
    Kart(1, "Ann", 101);
    Kart(2, QString::fromLatin1(kHostile), 102);
    Laps(1, {6233});
    DevToolsPage page;
    ASSERT_TRUE(page.Open(chromium_, QStringLiteral("http://127.0.0.1:%1/").arg(server_->port()),
                          QStringLiteral("412,915")));
    const QString status = QStringLiteral("document.getElementById('status').textContent");
    const QString board = QStringLiteral("document.getElementById('karts').innerText");
    ASSERT_TRUE(page.WaitFor(status, QStringLiteral("Live")))
        << page.Evaluate(status).toStdString();
    ASSERT_TRUE(page.WaitFor(board, QStringLiteral("01:02:33")));

    // Each lap is entered between two passes of the event loop, as the poll loop
    // does, and must show on the page; the time it took is printed for the
    // performance report (never asserted).
    QList<qint64> latencies;
    for (int lap = 0; lap < 10; ++lap) {
        const qint32 time = 6000 - lap;
        // Laps are seconds apart on a track, never within one update interval.
        QTest::qWait(200);
        Laps(2, {time});
        QElapsedTimer since_lap;
        since_lap.start();
        ASSERT_TRUE(page.WaitFor(board, FormatLapTime(quint32(time)))) << "lap " << lap;
        latencies << since_lap.elapsed();
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("lap-to-page latency over %d laps: median %lld ms, max %lld ms\n",
                int(latencies.size()), latencies[latencies.size() / 2], latencies.back());
    EXPECT_EQ(page.Evaluate(QStringLiteral("document.querySelectorAll('img').length")), "0");
    EXPECT_EQ(
        page.Evaluate(QStringLiteral("document.querySelector('td.driver').firstChild.nodeValue")),
        QStringLiteral("<img src=x onerror=a"));
}

TEST_F(BrowserTest, WithoutWebSocketsThePagePollsTheFeed) {
    station_.poll_mode = kPollSession;
    Kart(1, "Ann", 101);
    Laps(1, {6233});
    DevToolsPage page;
    ASSERT_TRUE(page.Open(chromium_, QStringLiteral("about:blank"), QStringLiteral("412,915")));
    // A network that blocks WebSockets, as far as the page can tell.
    page.Call(QStringLiteral("Page.enable"), {});
    page.Call(
        QStringLiteral("Page.addScriptToEvaluateOnNewDocument"),
        QJsonObject{{"source", "window.WebSocket = function () { throw new Error('blocked'); };"}});
    page.Call(QStringLiteral("Page.navigate"),
              QJsonObject{{"url", QStringLiteral("http://127.0.0.1:%1/").arg(server_->port())}});
    const QString status = QStringLiteral("document.getElementById('status').textContent");
    const QString board = QStringLiteral("document.getElementById('karts').innerText");
    ASSERT_TRUE(page.WaitFor(status, QStringLiteral("Live (polling)")))
        << page.Evaluate(status).toStdString();
    Laps(1, {6100});
    EXPECT_TRUE(page.WaitFor(board, QStringLiteral("01:01:00")));
    EXPECT_EQ(server_->websocket_client_count(), 0);
    EXPECT_EQ(page.Evaluate(status), "Live (polling)");
}

TEST_F(BrowserTest, TodayShowsEveryLapWhereTheLapLogExists) {
    clock_.SetLocalDateTime(QDateTime(QDate(2012, 5, 31), QTime(9, 30)));
    Kart(1, QString::fromLatin1(kHostile), 101);
    const qint32 times[] = {6500, 6300, 6400, 6350, 6450, 6320, 6330, 6340, 6360, 6370, 6380, 6390};
    std::vector<LapRecord> logged;
    for (qint32 time : times) {
        Laps(1, {time});
        LapRecord lap;
        lap.slot = 1;
        lap.lap_number = station_.slot(1).current_lap_number;
        lap.lap_time = time;
        logged.push_back(lap);
    }
    QString error;
    ASSERT_TRUE(WriteSessionFile(station_, &error)) << error.toStdString();
    ASSERT_TRUE(WriteLapLog(clock_.LocalDateTime(), logged));
    clock_.SetLocalDateTime(QDateTime(QDate(2012, 5, 31), QTime(10, 0)));
    ASSERT_TRUE(WriteSessionFile(station_, &error)) << error.toStdString();  // no lap log

    const QByteArray dom =
        Run("/today", {QStringLiteral("--window-size=412,915"),
                       QStringLiteral("--virtual-time-budget=5000"), QStringLiteral("--dump-dom")});
    ASSERT_TRUE(dom.contains("Sessions of 2012-05-31")) << dom.toStdString();
    const qsizetype second = dom.indexOf("2012-05-31 10:00");
    ASSERT_GT(second, 0);
    const QByteArray logged_part = dom.left(second);
    const QByteArray ten_part = dom.mid(second);
    EXPECT_TRUE(logged_part.contains("Every lap"));
    EXPECT_TRUE(ten_part.contains("Ten fastest laps"));
    // All twelve laps in the order driven, the best marked; ten in the other.
    EXPECT_EQ(logged_part.count("<td class=\"lap\">"), 12);
    EXPECT_LT(logged_part.indexOf("L:01"), logged_part.indexOf("L:12"));
    EXPECT_TRUE(logged_part.contains("<td class=\"time fastest\">01:03:00</td>"));
    EXPECT_EQ(ten_part.count("<td class=\"lap\">"), 10);
    EXPECT_TRUE(dom.contains("<td class=\"driver\">&lt;img src=x onerror=a</td>"));
    EXPECT_FALSE(dom.contains("<img"));
}

// Five karts in a running session, the board as the pit lane sees it.
void FillFiveKarts(StationFixture& fixture) {
    Station& station = fixture.station_;
    station.poll_mode = kPollSession;
    const char* names[] = {"Anna Kowalska", "Bartek", "Celina Nowak-Wisniewska", "Darek", "Ewa"};
    for (int n = 1; n <= kSlotCount; ++n) {
        fixture.Kart(n, QString::fromLatin1(names[n - 1]), 100 + n);
        station.link_quality.Heard(quint32(100 + n), 1, fixture.clock_.PerformanceCounter());
        station.current_lap_time(n) = 1234 * n;
    }
    fixture.Laps(1, {6345, 6233, 6301});
    fixture.Laps(2, {6120, 6190});
    fixture.Laps(3, {6500, 6450, 6470, 6422});
    fixture.Laps(4, {7010});
    // Kart 5 has not been heard for two seconds.
    fixture.clock_.AdvanceCentiseconds(200);
    for (int n = 1; n <= 4; ++n) {
        station.link_quality.Heard(quint32(100 + n), 2, fixture.clock_.PerformanceCounter());
    }
}

TEST_F(BrowserTest, TvBoardShowsFiveKartsWithoutScrolling) {
    FillFiveKarts(*this);
    for (const char* size : {"1920,1080", "1280,720"}) {
        DevToolsPage page;
        ASSERT_TRUE(page.Open(chromium_,
                              QStringLiteral("http://127.0.0.1:%1/tv").arg(server_->port()),
                              QString::fromLatin1(size)));
        ASSERT_TRUE(page.WaitFor(QStringLiteral("document.getElementById('karts').innerText"),
                                 QStringLiteral("Ewa")));
        EXPECT_EQ(page.Evaluate(QStringLiteral("String(document.querySelectorAll('#karts "
                                               "tr').length)")),
                  "5");
        EXPECT_EQ(page.Evaluate(QStringLiteral(
                      "String(document.documentElement.scrollHeight <= window.innerHeight && "
                      "document.documentElement.scrollWidth <= window.innerWidth)")),
                  "true")
            << size;
    }
}

// Pictures for docs/ when RUVO_SCREENSHOT_DIR names a folder.
TEST_F(BrowserTest, Screenshots) {
    const QString folder = qEnvironmentVariable("RUVO_SCREENSHOT_DIR");
    if (folder.isEmpty()) {
        GTEST_SKIP() << "RUVO_SCREENSHOT_DIR not set";
    }
    FillFiveKarts(*this);
    Run("/", {QStringLiteral("--window-size=412,915"), QStringLiteral("--virtual-time-budget=5000"),
              QStringLiteral("--screenshot=") + folder + "/live-board-phone.png"});
    Run("/tv",
        {QStringLiteral("--window-size=1280,720"), QStringLiteral("--virtual-time-budget=5000"),
         QStringLiteral("--screenshot=") + folder + "/live-board-tv.png"});
    EXPECT_TRUE(QFile::exists(folder + "/live-board-tv.png"));
    // Today with one session of every lap: the five karts' laps as recorded.
    std::vector<LapRecord> logged;
    const QDateTime now = clock_.LocalDateTime();
    for (int n = 1; n <= kSlotCount; ++n) {
        const KartSlot& kart = station_.slot(n);
        for (int number = 1; number <= kart.current_lap_number; ++number) {
            for (int j = 1; j <= kLapEntries; ++j) {
                if (kart.lap(j).lap_time > 0 && kart.lap(j).lap_number == number) {
                    LapRecord lap;
                    lap.slot = n;
                    lap.lap_number = number;
                    lap.lap_time = kart.lap(j).lap_time;
                    lap.ended_at = now.addSecs(-60 * (kart.current_lap_number - number));
                    logged.push_back(lap);
                }
            }
        }
    }
    QString error;
    ASSERT_TRUE(WriteSessionFile(station_, &error)) << error.toStdString();
    ASSERT_TRUE(WriteLapLog(now, logged));
    Run("/today",
        {QStringLiteral("--window-size=412,915"), QStringLiteral("--virtual-time-budget=5000"),
         QStringLiteral("--screenshot=") + folder + "/today-phone.png"});
    EXPECT_TRUE(QFile::exists(folder + "/today-phone.png"));
    QFile day_sample(folder + "/day-sample.json");
    ASSERT_TRUE(day_sample.open(QIODevice::WriteOnly));
    day_sample.write(QJsonDocument(DaySessionsJson(station_.program_folder(), now.date()))
                         .toJson(QJsonDocument::Indented));
    // The feed the pictures show, for the sample in docs/live-timing.md.
    QFile sample(folder + "/live-sample.json");
    ASSERT_TRUE(sample.open(QIODevice::WriteOnly));
    sample.write(QJsonDocument(LiveBoardJson(station_)).toJson(QJsonDocument::Indented));
}

}  // namespace
