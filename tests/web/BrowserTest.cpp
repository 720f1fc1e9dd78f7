#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "BrowserFixture.h"
#include "LiveBoard.h"
#include "SessionRecorder.h"

namespace {

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
    ASSERT_TRUE(page.WaitFor(board, QStringLiteral("<td class=\"best fastest\">1:02.33</td>")))
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
    // Frames keep coming as on the track: every 25 ms a unit reports its running time.
    RunFrames();
    DevToolsPage page;
    ASSERT_TRUE(page.Open(chromium_, Url("/"), QStringLiteral("412,915")));
    const QString status = QStringLiteral("document.getElementById('status').textContent");
    const QString board = QStringLiteral("document.getElementById('karts').innerText");
    ASSERT_TRUE(page.WaitFor(status, QStringLiteral("Live")))
        << page.Evaluate(status).toStdString();
    ASSERT_TRUE(page.WaitFor(board, QStringLiteral("1:02.33")));
    // The page notes when a lap's time is in the frame it paints (this machine's
    // clock, as the test's).
    ASSERT_EQ(page.Evaluate(QStringLiteral(
                  "window.shown = {};"
                  "new MutationObserver(function () { requestAnimationFrame(function () {"
                  "  var at = performance.timeOrigin + performance.now();"
                  "  document.querySelectorAll('#karts td.last').forEach(function (td) {"
                  "    var t = td.firstChild ? td.firstChild.nodeValue : '';"
                  "    if (t && !(t in window.shown)) { window.shown[t] = at; } }); }); })"
                  ".observe(document.getElementById('karts'),"
                  "  { childList: true, subtree: true, characterData: true }); 'ok'")),
              "ok");

    // Each lap is entered between two passes of the event loop, as the poll loop
    // does, and must show on the page; the time it took is printed for the
    // performance report (never asserted).
    QList<qint64> latencies;
    for (int lap = 0; lap < 10; ++lap) {
        const qint32 time = 6000 - lap;
        // Laps are seconds apart on a track, never within one update interval.
        QTest::qWait(300);
        const qint64 entered = QDateTime::currentMSecsSinceEpoch();
        Laps(2, {time});
        ASSERT_TRUE(page.WaitFor(board, WebTime(time))) << "lap " << lap;
        const QString shown = page.Evaluate(
            QStringLiteral("String(Math.round(window.shown['%1'] || 0))").arg(WebTime(time)));
        latencies << shown.toLongLong() - entered;
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
    EXPECT_TRUE(page.WaitFor(board, QStringLiteral("1:01.00")));
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

    DevToolsPage page;
    ASSERT_TRUE(page.Open(chromium_, Url("/today"), QStringLiteral("412,915")));
    const QString html = QStringLiteral("document.getElementById('sessions').innerHTML");
    ASSERT_TRUE(page.WaitFor(html, QStringLiteral("2012-05-31 10:00")))
        << page.Evaluate(html).toStdString();
    EXPECT_EQ(page.Evaluate(QStringLiteral("document.getElementById('day').textContent")),
              "Sessions of 2012-05-31");
    const QString dom = page.Evaluate(html);
    const qsizetype second = dom.indexOf(QStringLiteral("2012-05-31 10:00</h2>"));
    ASSERT_GT(second, 0);
    const QString logged_part = dom.left(second);
    const QString ten_part = dom.mid(second);
    EXPECT_TRUE(logged_part.contains(QStringLiteral("Every lap")));
    EXPECT_TRUE(ten_part.contains(QStringLiteral("Ten fastest laps")));
    // All twelve laps in the order driven, the best marked (the session's fastest
    // too); ten in the other.
    EXPECT_EQ(logged_part.count(QStringLiteral("<td class=\"lap\">")), 12);
    EXPECT_LT(logged_part.indexOf(QStringLiteral("L:01")),
              logged_part.indexOf(QStringLiteral("L:12")));
    EXPECT_TRUE(
        logged_part.contains(QStringLiteral("<td class=\"time session-best\">1:03.00</td>")));
    EXPECT_TRUE(logged_part.contains(QStringLiteral("12 laps")));
    EXPECT_EQ(ten_part.count(QStringLiteral("<td class=\"lap\">")), 10);
    EXPECT_TRUE(dom.contains(QStringLiteral("&lt;img src=x onerror=a")));
    EXPECT_EQ(page.Evaluate(QStringLiteral("document.querySelectorAll('img').length")), "0");
}

}  // namespace
