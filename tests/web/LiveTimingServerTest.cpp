#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QTcpServer>
#include <QTimer>
#include <QWebSocket>
#include <memory>

#include "LapLogFormat.h"
#include "LiveTimingServer.h"
#include "ModalScript.h"
#include "RawClient.h"
#include "ServerFixture.h"
#include "SessionFile.h"
#include "SessionRecorder.h"
#include "Tfekranglowny.h"
#include "Tfhistoria.h"

namespace {

TEST_F(LiveTimingServerTest, ServesPagesAndFeedsWithSecurityHeaders) {
    Start();
    const QByteArray page = Get("/");
    EXPECT_TRUE(page.startsWith("HTTP/1.1 200 OK\r\n")) << page.left(200).toStdString();
    EXPECT_TRUE(page.contains("Content-Type: text/html; charset=utf-8\r\n"));
    EXPECT_TRUE(page.contains("X-Content-Type-Options: nosniff\r\n"));
    EXPECT_TRUE(page.contains("Content-Security-Policy: default-src 'self'; script-src 'self'"));
    EXPECT_TRUE(Body(page).contains("<script src=\"/board.js\""));
    EXPECT_TRUE(Get("/tv").contains("<body class=\"tv\">"));
    EXPECT_TRUE(Body(Get("/board.js")).contains("textContent"));
    // No page holds inline script or handlers: the policy would block them anyway.
    for (const char* target : {"/", "/tv", "/today"}) {
        const QByteArray body = Body(Get(target));
        EXPECT_FALSE(body.contains("<script>")) << target;
        EXPECT_FALSE(body.contains("onload=")) << target;
    }

    Kart(1, "Ann", 101);
    station_.poll_mode = kPollSession;
    Laps(1, {6233});
    const QByteArray live = Get("/api/live");
    EXPECT_TRUE(live.contains("Content-Type: application/json"));
    const QJsonObject json = QJsonDocument::fromJson(Body(live)).object();
    EXPECT_EQ(json["karts"].toArray()[0].toObject()["best"].toString(), "01:02:33");
}

TEST_F(LiveTimingServerTest, DaySessionsFromTheRealDayFolderOnly) {
    clock_.SetLocalDateTime(QDateTime(QDate(2012, 5, 31), QTime(14, 5)));
    Kart(2, "Bob", 102);
    Laps(2, {6100});
    QString error;
    ASSERT_TRUE(WriteSessionFile(station_, &error)) << error.toStdString();
    Start();
    const QJsonObject day = QJsonDocument::fromJson(Body(Get("/api/sessions/2012_05_31"))).object();
    ASSERT_EQ(day["sessions"].toArray().size(), 1);
    EXPECT_EQ(day["sessions"][0]["karts"][0]["driver"].toString(), "Bob");
    // Today's list is read again once another session was recorded.
    clock_.SetLocalDateTime(QDateTime(QDate(2012, 5, 31), QTime(15, 0)));
    ASSERT_TRUE(WriteSessionFile(station_, &error)) << error.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(Body(Get("/api/sessions/2012_05_31")))
                  .object()["sessions"]
                  .toArray()
                  .size(),
              2);
    // The lap log moved beside a session file after the day was served is seen.
    const auto first = [&] {
        return QJsonDocument::fromJson(Body(Get("/api/sessions/2012_05_31")))
            .object()["sessions"][0]
            .toObject();
    };
    EXPECT_FALSE(first()["every_lap"].toBool());
    LapRecord lap;
    lap.slot = 2;
    lap.lap_number = 1;
    lap.lap_time = 6100;
    ASSERT_TRUE(WriteLapLog(QDateTime(QDate(2012, 5, 31), QTime(14, 5)), {lap}));
    EXPECT_TRUE(first()["every_lap"].toBool());
    EXPECT_EQ(first()["karts"][0]["laps"][0]["time"].toString(), "01:01:00");
    EXPECT_TRUE(Get("/api/sessions/2012_05_32").startsWith("HTTP/1.1 404 "));
    EXPECT_TRUE(Get("/api/sessions/../../ustawienia.ini").startsWith("HTTP/1.1 404 "));
    EXPECT_TRUE(Get("/nothing").startsWith("HTTP/1.1 404 "));
}

TEST_F(LiveTimingServerTest, OnlyGetIsServedOtherMethodsGet405AndMalformedHeads400) {
    Start();
    for (const char* method : {"POST", "PUT", "DELETE", "OPTIONS", "PATCH"}) {
        const QByteArray response =
            Exchange(QByteArray(method) + " /api/live HTTP/1.1\r\nHost: localhost\r\n\r\n");
        EXPECT_TRUE(response.startsWith("HTTP/1.1 405 ")) << method;
        EXPECT_TRUE(response.contains("\r\nAllow: GET, HEAD\r\n")) << method;
    }
    EXPECT_TRUE(Exchange("GET / HTTP/1.1\r\nHost: localhost\r\nContent-Length: 5\r\n\r\nhello")
                    .startsWith("HTTP/1.1 400 "));
    EXPECT_TRUE(Exchange("GET /\r\n\r\n").startsWith("HTTP/1.1 400 "));
    // A TLS client hello (with its zero bytes) on the plain port.
    const char hello[] = "\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\r\n\r\n";
    EXPECT_TRUE(Exchange(QByteArray(hello, sizeof(hello) - 1)).startsWith("HTTP/1.1 400 "));
    EXPECT_TRUE(
        Exchange("GET /ws HTTP/1.1\r\nHost: localhost\r\n\r\n").startsWith("HTTP/1.1 426 "));
}

TEST_F(LiveTimingServerTest, RequestLineAndHeaderSizeLimits) {
    Start();
    const QByteArray long_line = "GET /" + QByteArray(3000, 'a') + " HTTP/1.1\r\n\r\n";
    EXPECT_TRUE(Exchange(long_line).startsWith("HTTP/1.1 414 "));
    QByteArray fat = "GET / HTTP/1.1\r\n";
    for (int i = 0; i < 100; ++i) {
        fat += "X-Field-" + QByteArray::number(i) + ": " + QByteArray(100, 'v') + "\r\n";
    }
    EXPECT_TRUE(Exchange(fat + "\r\n").startsWith("HTTP/1.1 431 "));
    // A head that never ends is cut at the limit, not read forever.
    EXPECT_TRUE(
        Exchange("GET / HTTP/1.1\r\nX: " + QByteArray(100'000, 'v')).startsWith("HTTP/1.1 431 "));
}

TEST_F(LiveTimingServerTest, KeptAliveConnectionAnswersPipelinedRequestsInOrder) {
    Start();
    RawClient client;
    ASSERT_TRUE(client.Connect(port_));
    client.Send(
        "GET /api/live HTTP/1.1\r\nHost: localhost\r\n\r\nGET /tv HTTP/1.1\r\nHost: "
        "localhost\r\n\r\n"
        "GET /x HTTP/1.1\r\nHost: localhost\r\n\r\n");
    const QByteArray responses = client.ReadResponses(3);
    const qsizetype first = responses.indexOf("HTTP/1.1 200 ");
    const qsizetype second = responses.indexOf("HTTP/1.1 200 ", first + 1);
    const qsizetype third = responses.indexOf("HTTP/1.1 404 ");
    EXPECT_GE(first, 0);
    EXPECT_GT(second, first);
    EXPECT_GT(third, second);
    EXPECT_TRUE(responses.contains("<body class=\"tv\">"));
    EXPECT_FALSE(client.Closed());
}

TEST_F(LiveTimingServerTest, ConnectionsBeyondTheCapAreRefusedUntilOneCloses) {
    ServerLimits limits;
    limits.max_connections = 3;
    Start(limits);
    std::vector<std::unique_ptr<RawClient>> held;
    for (int i = 0; i < 3; ++i) {
        held.push_back(std::make_unique<RawClient>());
        ASSERT_TRUE(held.back()->Connect(port_));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return server_->http_connection_count() == 3; }, 5000));
    EXPECT_TRUE(Get("/").startsWith("HTTP/1.1 503 "));
    held.front()->socket().abort();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server_->http_connection_count() == 2; }, 5000));
    EXPECT_TRUE(Get("/").startsWith("HTTP/1.1 200 "));
}

TEST_F(LiveTimingServerTest, SlowAndIdleClientsAreDropped) {
    ServerLimits limits;
    limits.head_timeout_ms = 400;
    limits.idle_timeout_ms = 400;
    Start(limits);

    // One byte every 150 ms: the head is not complete when its time is up.
    RawClient slow;
    ASSERT_TRUE(slow.Connect(port_));
    const QByteArray request = "GET / HTTP/1.1\r\nHost: localhost\r\n\r\n";
    int sent = 0;
    for (; sent < request.size() && !slow.Closed(); ++sent) {
        slow.Send(request.mid(sent, 1));
        QTest::qWait(150);
    }
    EXPECT_TRUE(slow.Closed());
    EXPECT_LT(sent, request.size());
    EXPECT_FALSE(slow.ReadUntilClosed(0).contains("200 OK"));

    RawClient idle;
    ASSERT_TRUE(idle.Connect(port_));
    EXPECT_TRUE(QTest::qWaitFor([&] { return idle.Closed(); }, 5000));

    // After an answer the connection may stay for the next request, not for ever.
    RawClient kept;
    ASSERT_TRUE(kept.Connect(port_));
    kept.Send("GET /api/live HTTP/1.1\r\nHost: localhost\r\n\r\n");
    EXPECT_TRUE(kept.ReadResponses(1).startsWith("HTTP/1.1 200 "));
    EXPECT_TRUE(QTest::qWaitFor([&] { return kept.Closed(); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return server_->http_connection_count() == 0; }, 5000));
}

TEST_F(LiveTimingServerTest, WebSocketClientGetsTheStateAtOnceThenOnlyTheLatest) {
    Start();
    Kart(1, "Ann", 101);
    station_.poll_mode = kPollSession;
    QWebSocket socket;
    QStringList messages;
    QObject::connect(&socket, &QWebSocket::textMessageReceived,
                     [&](const QString& text) { messages << text; });
    socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(port_)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return messages.size() == 1; }, 5000));
    EXPECT_EQ(server_->websocket_client_count(), 1);
    EXPECT_EQ(server_->http_connection_count(), 0);

    // Forty laps between two passes of the event loop reach the client as one update
    // with the final state, not as a backlog of forty.
    for (int i = 0; i < 40; ++i) {
        Laps(1, {7000 - i});
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return messages.size() >= 2; }, 5000));
    QTest::qWait(350);  // more than three update intervals: nothing new to send
    ASSERT_EQ(messages.size(), 2);
    const QJsonObject last = QJsonDocument::fromJson(messages.back().toUtf8()).object();
    EXPECT_EQ(last["karts"][0]["lap"].toInt(), 40);
    EXPECT_EQ(last["karts"][0]["best"].toString(), "01:09:61");

    socket.close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return server_->websocket_client_count() == 0; }, 5000));
}

TEST_F(LiveTimingServerTest, ClientsComingWhileSnapshotsAreOnTheirWayAreAllGreeted) {
    ServerLimits limits;
    limits.max_connections_per_address = limits.max_connections;  // all from 127.0.0.1
    Start(limits);
    Kart(1, "Ann", 101);
    station_.poll_mode = kPollSession;
    // The state changes all the time (a lap every pass), so snapshots are published
    // and on their way to the network thread while clients and polls keep coming.
    QTimer laps;
    QObject::connect(&laps, &QTimer::timeout, [&] { Laps(1, {6000}); });
    laps.start(1);
    constexpr int kClients = 40;
    std::vector<std::unique_ptr<QWebSocket>> sockets;
    std::vector<int> greeted(kClients, 0);
    for (int i = 0; i < kClients; ++i) {
        sockets.push_back(std::make_unique<QWebSocket>());
        QObject::connect(sockets.back().get(), &QWebSocket::textMessageReceived,
                         [&greeted, i] { ++greeted.at(size_t(i)); });
        sockets.back()->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(port_)));
        if (i % 4 == 0) {
            EXPECT_TRUE(Get("/api/live").startsWith("HTTP/1.1 200 ")) << i;
        }
        QTest::qWait(i % 3);
    }
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return std::count(greeted.begin(), greeted.end(), 0) == 0; }, 5000))
        << std::count(greeted.begin(), greeted.end(), 0) << " clients never greeted";
}

TEST_F(LiveTimingServerTest, UpdatesGoOutWhileAModalDialogRunsItsOwnLoop) {
    Start();
    Kart(1, "Ann", 101);
    station_.poll_mode = kPollSession;
    QWebSocket socket;
    QStringList messages;
    QDialog dialog;
    QObject::connect(&socket, &QWebSocket::textMessageReceived, [&](const QString& text) {
        messages << text;
        if (messages.size() == 2) {
            dialog.accept();
        }
    });
    socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(port_)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return messages.size() == 1; }, 5000));
    // A lap recorded while a dialog of the session screen is open (its exec() is
    // the only event loop running) still reaches the client.
    QTimer::singleShot(0, [&] { Laps(1, {6233}); });
    QTimer::singleShot(5000, &dialog, &QDialog::reject);  // bound, should it never come
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages.back().contains("01:02:33"));
}

TEST_F(LiveTimingServerTest, UpdatesGoOutWhileTheSessionScreensHistoryIsOpen) {
    clock_.SetLocalDateTime(QDateTime(QDate(2012, 5, 31), QTime(14, 5)));
    Start();
    Kart(1, "Ann", 101);
    station_.poll_mode = kPollSession;
    std::unique_ptr<Tfekranglowny> screen;
    SessionScreenActions actions;
    actions.show_todays_history = [&] { ShowTodaysHistory(station_, screen.get()); };
    screen = ShowSessionScreen(station_, actions);

    QWebSocket socket;
    QStringList messages;
    QObject::connect(&socket, &QWebSocket::textMessageReceived,
                     [&](const QString& text) { messages << text; });
    socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(port_)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return messages.size() == 1; }, 5000));

    // "History" runs the history browser's own event loop until it is closed; a lap
    // entered meanwhile must reach the client before it closes.
    int seen_while_open = -1;
    ModalScript script({[&](QWidget* history) {
        Laps(1, {6233});
        // Only its "Close" ends it.
        auto* close = history->findChild<QPushButton*>(QStringLiteral("Button1"));
        auto* poll = new QTimer(history);
        QObject::connect(poll, &QTimer::timeout, history, [&, close] {
            if (messages.size() >= 2) {
                seen_while_open = int(messages.size());
                close->click();
            }
        });
        poll->start(5);
        QTimer::singleShot(5000, close, &QPushButton::click);  // bound, should it never come
    }});
    Later([&] { screen->findChild<QPushButton*>(QStringLiteral("Button2"))->click(); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return script.done(); }, 5000));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QApplication::activeModalWidget() == nullptr; }, 6000));
    EXPECT_EQ(script.seen(), QStringList({"Tfhistoria"}));
    EXPECT_EQ(seen_while_open, 2);
    EXPECT_TRUE(messages.back().contains("01:02:33"));
}

TEST_F(LiveTimingServerTest, WebSocketClientsCountTowardsTheCap) {
    ServerLimits limits;
    limits.max_connections = 1;
    Start(limits);
    QWebSocket first;
    first.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(port_)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server_->websocket_client_count() == 1; }, 5000));
    EXPECT_TRUE(Get("/").startsWith("HTTP/1.1 503 "));
}

// An upgrade request as a browser sends it, with what follows the version line.
QByteArray Upgrade(const QByteArray& fields) {
    return "GET /ws HTTP/1.1\r\nHost: localhost\r\nUpgrade: websocket\r\n" + fields + "\r\n";
}
const QByteArray kGoodHandshake =
    "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
    "Sec-WebSocket-Version: 13\r\n";

TEST_F(LiveTimingServerTest, FailedHandshakesAreClosedAndFreedAtOnce) {
    ServerLimits limits;
    limits.max_connections = 1;
    limits.head_timeout_ms = 60'000;  // far beyond the waits: the timers free nothing here
    limits.idle_timeout_ms = 60'000;
    Start(limits);
    struct Case {
        QByteArray request;
        QByteArray answer;  // the start of what the client gets, empty for nothing
    };
    const Case cases[] = {
        {Upgrade("Connection: Upgrade\r\nSec-WebSocket-Version: 13\r\n"), "HTTP/1.1 400 "},
        {Upgrade("Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                 "Sec-WebSocket-Version: 7\r\n"),
         "HTTP/1.1 426 "},
        // Passes the checks here, fails QWebSocketServer's own (no Connection: Upgrade):
        // it closes the socket without an answer.
        {Upgrade("Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n"),
         ""},
    };
    for (const Case& c : cases) {
        RawClient client;  // keeps its end open: the server must close it
        ASSERT_TRUE(client.Connect(port_));
        client.Send(c.request);
        const QByteArray answer = client.ReadUntilClosed();
        EXPECT_TRUE(client.Closed()) << c.request.toStdString();
        EXPECT_TRUE(answer.startsWith(c.answer)) << answer.left(80).toStdString();
        if (c.answer == "HTTP/1.1 426 ") {
            EXPECT_TRUE(answer.contains("\r\nSec-WebSocket-Version: 13\r\n"));
        }
        // The one place under the cap is free again long before any time-out.
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return server_->http_connection_count() + server_->handshake_count() +
                           server_->websocket_client_count() ==
                       0;
            },
            5000));
        EXPECT_TRUE(Get("/api/live").startsWith("HTTP/1.1 200 ")) << c.request.toStdString();
    }
}

TEST_F(LiveTimingServerTest, BurstOfUpgradesBeyondTheCapGetsNoMoreClientsThanTheCap) {
    ServerLimits limits;
    limits.max_connections = 4;
    Start(limits);
    constexpr int kSockets = 12;
    std::vector<std::unique_ptr<RawClient>> clients;
    for (int i = 0; i < kSockets; ++i) {
        clients.push_back(std::make_unique<RawClient>());
        clients.back()->socket().connectToHost(QHostAddress::LocalHost, port_);
    }
    // Each sends its upgrade as soon as it is connected, all in the same passes.
    for (auto& client : clients) {
        QObject::connect(&client->socket(), &QTcpSocket::connected, &client->socket(),
                         [raw = &client->socket()] { raw->write(Upgrade(kGoodHandshake)); });
    }
    int most = 0;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            most = std::max(most, server_->http_connection_count() + server_->handshake_count() +
                                      server_->websocket_client_count());
            int settled = 0;
            for (auto& client : clients) {
                settled += client->Closed() || client->ReadResponses(1).contains("\r\n\r\n");
            }
            return settled == kSockets;
        },
        10'000));
    int upgraded = 0;
    int refused = 0;
    for (auto& client : clients) {
        const QByteArray answer = client->ReadUntilClosed(0);
        upgraded += answer.startsWith("HTTP/1.1 101 ") && !client->Closed();
        refused += answer.startsWith("HTTP/1.1 503 ");
    }
    EXPECT_LE(most, limits.max_connections);
    EXPECT_EQ(upgraded, limits.max_connections);
    EXPECT_EQ(refused, kSockets - limits.max_connections);
    EXPECT_TRUE(QTest::qWaitFor([&] { return server_->websocket_client_count() == 4; }, 5000));
}

TEST_F(LiveTimingServerTest, PortTakenIsReportedAndTheServerStaysOff) {
    QTcpServer occupant;
    ASSERT_TRUE(occupant.listen(QHostAddress::LocalHost, 0));
    LiveTimingServer server(station_);
    QString error;
    EXPECT_FALSE(server.Listen(QHostAddress::LocalHost, occupant.serverPort(), &error));
    EXPECT_FALSE(server.IsListening());
    EXPECT_EQ(server.listen_error(), QAbstractSocket::AddressInUseError);
    EXPECT_TRUE(error.contains(QString::number(occupant.serverPort()))) << error.toStdString();
}

}  // namespace
