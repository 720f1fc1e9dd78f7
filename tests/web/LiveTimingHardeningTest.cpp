// What one client (or another web site) can do to the server over loopback: flood
// it, hold its places, go silent, ask for foreign hosts, use the corners of HTTP.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QJsonArray>
#include <QThread>
#include <QWebSocket>
#include <cstdio>

#include "LiveSnapshot.h"
#include "ServerFixture.h"
#include "SessionRecorder.h"
#include "WebSocketFrames.h"

namespace {

const QHostAddress kOtherPhone(QStringLiteral("127.0.0.2"));

TEST_F(LiveTimingServerTest, PingFloodThatNeverReadsIsDroppedAndMemoryStaysBounded) {
    Start();
    RawClient flood;
    ASSERT_TRUE(OpenRawWebSocket(flood, port_));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server_->websocket_client_count() == 1; }, 5000));
    // The client stops reading: every pong the server queues stays with it.
    flood.socket().setReadBufferSize(1024);
    QByteArray pings;
    while (pings.size() < 64 * 1024) {
        pings += MaskedFrame(0x9, QByteArray(125, 'p'));
    }
    const qint64 before = ResidentKiB();
    qint64 most = before;
    qint64 sent = 0;
    QElapsedTimer flooding;
    flooding.start();
    // Bounded in time, and in memory should the cap not hold.
    while (!flood.Closed() && flooding.elapsed() < 20'000 && most - before < 256 * 1024) {
        if (flood.socket().bytesToWrite() < 256 * 1024) {
            flood.socket().write(pings);
            sent += pings.size();
        }
        QTest::qWait(1);
        most = std::max(most, ResidentKiB());
    }
    std::printf("ping flood: %lld KiB sent in %lld ms, resident memory grew by %lld KiB\n",
                sent / 1024, flooding.elapsed(), (most - before));
    EXPECT_TRUE(flood.Closed());
    EXPECT_LT(most - before, 32 * 1024);
    EXPECT_TRUE(QTest::qWaitFor([&] { return server_->websocket_client_count() == 0; }, 5000));
    EXPECT_TRUE(Get("/api/live").startsWith("HTTP/1.1 200 "));
}

TEST_F(LiveTimingServerTest, OneAddressCannotTakeEveryPlace) {
    ServerLimits limits;
    limits.max_connections = 8;
    limits.max_connections_per_address = 3;
    Start(limits);
    // The other phone opens a feed and holds idle connections, far more than its share.
    RawClient feed;
    ASSERT_TRUE(OpenRawWebSocket(feed, port_, kOtherPhone));
    std::vector<std::unique_ptr<RawClient>> burst;
    for (int i = 0; i < 12; ++i) {
        burst.push_back(std::make_unique<RawClient>());
        ASSERT_TRUE(burst.back()->Connect(port_, kOtherPhone));
    }
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return server_->http_connection_count() + server_->websocket_client_count() == 3; },
        5000));
    int refused = 0;
    for (auto& client : burst) {
        refused += client->ReadUntilClosed(200).startsWith("HTTP/1.1 503 ");
    }
    EXPECT_EQ(refused, 10);
    // This phone is served all the same, pages and feed.
    EXPECT_TRUE(Get("/").startsWith("HTTP/1.1 200 "));
    RawClient mine;
    EXPECT_TRUE(OpenRawWebSocket(mine, port_));
    // Once the other phone lets a place go it may use it again.
    feed.socket().abort();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server_->websocket_client_count() == 1; }, 5000));
    RawClient again;
    ASSERT_TRUE(again.Connect(port_, kOtherPhone));
    again.Send("GET /tv HTTP/1.1\r\nHost: localhost\r\n\r\n");
    EXPECT_TRUE(again.ReadResponses(1).startsWith("HTTP/1.1 200 "));
}

TEST_F(LiveTimingServerTest, WebSocketThatAnswersNoPingIsDroppedOneThatDoesStays) {
    ServerLimits limits;
    limits.ping_interval_ms = 150;
    limits.idle_timeout_ms = 600;
    Start(limits);
    RawClient gone;  // a phone that left the Wi-Fi: nothing comes back, not even a close
    ASSERT_TRUE(OpenRawWebSocket(gone, port_));
    QWebSocket present;  // answers pings as browsers do
    present.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(port_)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server_->websocket_client_count() == 2; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return gone.Closed(); }, 5000));
    QTest::qWait(3 * limits.idle_timeout_ms);
    EXPECT_EQ(present.state(), QAbstractSocket::ConnectedState);
    EXPECT_EQ(server_->websocket_client_count(), 1);
}

TEST_F(LiveTimingServerTest, HeartbeatsInsteadOfRunningTimesAndNoneWhileTheStationHangs) {
    ServerLimits limits;
    limits.heartbeat_ms = 200;
    limits.station_silent_ms = 400;
    Start(limits);
    station_.poll_mode = kPollSession;
    Kart(1, "Ann", 101);
    station_.current_lap_time(1) = 1000;
    station_.link_quality.Heard(101, 0, clock_.PerformanceCounter());
    QWebSocket socket;
    FeedLog log;
    QObject::connect(&socket, &QWebSocket::textMessageReceived,
                     [&](const QString& text) { log.Add(text); });
    socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(port_)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.States() == 1; }, 5000));
    // A second of frames: the running time goes on as the page counts it by itself.
    for (int frame = 1; frame <= 10; ++frame) {
        station_.current_lap_time(1) = 1000 + 10 * frame;
        clock_.AdvanceCentiseconds(10);
        station_.link_quality.Heard(101, quint8(frame), clock_.PerformanceCounter());
        QTest::qWait(100);
    }
    EXPECT_EQ(log.States(), 1);
    EXPECT_GE(log.Heartbeats(), 3);
    for (const QJsonObject& message : log.messages) {
        EXPECT_GT(message["now_ms"].toDouble(), 0);
    }

    // The UI thread hangs: heartbeats stop, so pages see their times are old.
    const int before = int(log.messages.size());
    const qint64 hang_start = SteadyMs();
    QThread::msleep(1500);
    const qint64 hang_end = SteadyMs();
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.Heartbeats() > before + 2; }, 5000));
    int during = 0;
    for (const QJsonObject& message : log.messages) {
        const qint64 sent = qint64(message["now_ms"].toDouble());
        during += sent > hang_start + limits.station_silent_ms + 200 && sent < hang_end;
    }
    EXPECT_EQ(during, 0);
}

TEST_F(LiveTimingServerTest, OtherSitesGetNeitherPagesNorFeed) {
    Start();
    const QByteArray port = QByteArray::number(port_);
    const auto status = [&](const QByteArray& request) {
        return Exchange(request + "Connection: close\r\n\r\n").left(13);
    };
    // DNS rebinding: another site's name pointed at the station.
    EXPECT_EQ(
        status("GET /api/sessions/2012_05_31 HTTP/1.1\r\nHost: evil.example:" + port + "\r\n"),
        "HTTP/1.1 421 ");
    EXPECT_EQ(status("GET http://evil.example/api/live HTTP/1.1\r\nHost: 127.0.0.1\r\n"),
              "HTTP/1.1 421 ");
    for (const QByteArray& host : {"localhost:" + port, "127.0.0.1:" + port, "[::1]:" + port}) {
        EXPECT_EQ(status("GET /api/live HTTP/1.1\r\nHost: " + host + "\r\n"), "HTTP/1.1 200 ")
            << host.toStdString();
    }
    // A page of another site opening the feed, and a page of the station's own.
    const QByteArray foreign = Exchange(UpgradeRequest("Origin: http://evil.example\r\n"));
    EXPECT_TRUE(foreign.startsWith("HTTP/1.1 403 ")) << foreign.left(40).toStdString();
    EXPECT_FALSE(foreign.contains("Access-Control-Allow-Origin"));
    RawClient own;
    ASSERT_TRUE(own.Connect(port_));
    own.Send(UpgradeRequest("Origin: http://127.0.0.1:" + port + "\r\n"));
    EXPECT_TRUE(own.ReadResponses(1).startsWith("HTTP/1.1 101 "));
    QWebSocket evil(QStringLiteral("http://evil.example"));
    evil.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(port_)));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return evil.state() == QAbstractSocket::UnconnectedState; }, 5000));
    EXPECT_EQ(server_->websocket_client_count(), 1);
}

TEST_F(LiveTimingServerTest, HeadWhereverGetWorksAndTheCornersOfHttp) {
    Start();
    const QByteArray port = QByteArray::number(port_);
    for (const char* target : {"/", "/tv", "/today", "/feed.js", "/api/live",
                               "/api/sessions/2012_05_31", "/api/days", "/nothing", "/ws"}) {
        const QByteArray get = Get(target);
        const QByteArray head =
            Exchange("HEAD " + QByteArray(target) +
                     " HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n");
        EXPECT_EQ(head.left(13), get.left(13)) << target;
        EXPECT_TRUE(head.endsWith("\r\n\r\n")) << target;  // no body
        const qsizetype length = get.indexOf("Content-Length: ");
        EXPECT_TRUE(head.contains(get.mid(length, get.indexOf("\r\n", length) - length)) ||
                    QByteArray(target) == "/api/live")  // now_ms may have another length
            << target;
    }
    // A HEAD on a kept-alive connection leaves it ready for the next request.
    RawClient kept;
    ASSERT_TRUE(kept.Connect(port_));
    kept.Send(
        "HEAD / HTTP/1.1\r\nHost: localhost\r\n\r\nGET /tv HTTP/1.1\r\nHost: localhost\r\n\r\n");
    const QByteArray both = kept.ReadResponses(2);
    EXPECT_EQ(both.count("HTTP/1.1 200 "), 2);
    EXPECT_TRUE(both.contains("<body class=\"tv\">"));

    EXPECT_TRUE(Exchange("GET / HTTP/1.1\r\n\r\n").startsWith("HTTP/1.1 400 "));  // no Host
    EXPECT_TRUE(Exchange("GET / HTTP/2.0\r\nHost: localhost\r\n\r\n").startsWith("HTTP/1.1 505 "));
    // Two lengths: whatever follows is never taken for a request of its own.
    const QByteArray smuggled = Exchange(
        "GET / HTTP/1.1\r\nHost: localhost\r\nContent-Length: 0\r\nContent-Length: 30\r\n\r\n"
        "GET /nothing HTTP/1.1\r\nX: y\r\n\r\n");
    EXPECT_TRUE(smuggled.startsWith("HTTP/1.1 400 "));
    EXPECT_EQ(smuggled.count("HTTP/1.1 "), 1);
    const QByteArray absolute =
        Exchange("GET http://127.0.0.1:" + port +
                 "/tv HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    EXPECT_TRUE(absolute.startsWith("HTTP/1.1 200 "));
    EXPECT_TRUE(absolute.contains("<body class=\"tv\">"));
}

TEST_F(LiveTimingServerTest, ALongDayReadHoldsUpNeitherTheFeedNorOtherRequests) {
    // A busy day: 100 sessions, each with a lap log of 150 laps.
    Kart(1, "Ann", 101);
    Laps(1, {6100, 6200, 6150});
    for (int k = 0; k < 100; ++k) {
        const QDateTime ended(QDate(2012, 5, 31), QTime(8, 0).addSecs(60 * k));
        clock_.SetLocalDateTime(ended);
        QString error;
        ASSERT_TRUE(WriteSessionFile(station_, &error)) << error.toStdString();
        std::vector<LapRecord> laps;
        for (int n = 1; n <= 150; ++n) {
            LapRecord lap;
            lap.slot = 1 + n % 3;
            lap.lap_number = n;
            lap.lap_time = 6000 + n;
            lap.ended_at = ended;
            laps.push_back(lap);
        }
        ASSERT_TRUE(WriteLapLog(ended, laps));
    }
    Start();
    RawClient day;
    ASSERT_TRUE(day.Connect(port_));
    RawClient live;
    ASSERT_TRUE(live.Connect(port_));
    day.Send(
        "GET /api/sessions/2012_05_31 HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n");
    QTest::qWait(5);
    live.Send("GET /api/live HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n");
    bool live_first = false;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            if (live.Closed() && !day.Closed()) {
                live_first = true;
            }
            return live.Closed() && day.Closed();
        },
        60'000));  // a bound for slow builds, not a time limit
    EXPECT_TRUE(live_first);
    EXPECT_TRUE(live.ReadUntilClosed(0).startsWith("HTTP/1.1 200 "));
    // The large answer arrives whole, a chunk at a time.
    const QByteArray answer = day.ReadUntilClosed(0);
    const qsizetype at = answer.indexOf("Content-Length: ") + 16;
    EXPECT_EQ(Body(answer).size(), answer.mid(at, answer.indexOf("\r\n", at) - at).toLongLong());
    const QJsonObject json = QJsonDocument::fromJson(Body(answer)).object();
    EXPECT_EQ(json["sessions"].toArray().size(), 100);
    std::printf("a day of 100 sessions: %lld bytes\n", qint64(Body(answer).size()));
}

}  // namespace
