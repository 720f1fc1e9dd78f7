#include "LiveTimingServer.h"

#include <QFile>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebSocket>
#include <QWebSocketServer>

#include "HttpResponse.h"
#include "LiveBoard.h"
#include "Station.h"

namespace {

constexpr QByteArrayView kJson = "application/json; charset=utf-8";

bool HasBody(const RequestHead& head) {
    const QByteArray length = head.Field("content-length");
    return !head.Field("transfer-encoding").isEmpty() || (!length.isEmpty() && length != "0");
}

}  // namespace

LiveTimingServer::LiveTimingServer(const Station& station, ServerLimits limits, QObject* parent)
    : QObject(parent), station_(station), limits_(limits) {
    reaper_.setSingleShot(true);
    reaper_.setInterval(0);
    connect(&reaper_, &QTimer::timeout, this, [this] { graveyard_.clear(); });
    // A change goes out on the next check, so a lap reaches a page within about
    // one check interval; a client that just got an update waits out its share.
    push_timer_.setInterval(limits_.check_interval_ms);
    connect(&push_timer_, &QTimer::timeout, this, &LiveTimingServer::Push);
}

LiveTimingServer::~LiveTimingServer() {
    Close();
}

bool LiveTimingServer::Listen(const QHostAddress& address, quint16 port, QString* error_message) {
    Close();
    auto server = std::make_unique<QTcpServer>();
    if (!server->listen(address, port)) {
        listen_error_ = server->serverError();
        if (error_message != nullptr) {
            *error_message = QStringLiteral(
                                 "The live timing server could not listen on %1 port "
                                 "%2: %3")
                                 .arg(address == QHostAddress::Any ? QStringLiteral("all addresses")
                                                                   : address.toString())
                                 .arg(port)
                                 .arg(server->errorString());
        }
        return false;
    }
    connect(server.get(), &QTcpServer::newConnection, this, &LiveTimingServer::OnNewConnection);
    server_ = std::move(server);
    websockets_ = std::make_unique<QWebSocketServer>(QStringLiteral("RUVOTimer"),
                                                     QWebSocketServer::NonSecureMode);
    websockets_->setHandshakeTimeout(std::chrono::milliseconds(limits_.head_timeout_ms));
    connect(websockets_.get(), &QWebSocketServer::newConnection, this,
            &LiveTimingServer::OnNewWebSocket);
    return true;
}

void LiveTimingServer::Close() {
    push_timer_.stop();
    server_.reset();
    // Destroying a connected socket emits disconnected: not back into the maps.
    for (auto& [socket, connection] : http_) {
        socket->disconnect(this);
        connection.timer->disconnect(this);
    }
    for (auto& [socket, client] : clients_) {
        socket->disconnect(this);
    }
    http_.clear();
    clients_.clear();
    websockets_.reset();
    graveyard_.clear();
}

bool LiveTimingServer::IsListening() const {
    return server_ && server_->isListening();
}

quint16 LiveTimingServer::port() const {
    return server_ ? server_->serverPort() : 0;
}

int LiveTimingServer::ConnectionCount() const {
    return int(http_.size() + clients_.size());
}

void LiveTimingServer::Bury(std::unique_ptr<QObject> object) {
    object->disconnect(this);
    graveyard_.push_back(std::move(object));
    reaper_.start();
}

void LiveTimingServer::OnNewConnection() {
    while (server_ && server_->hasPendingConnections()) {
        std::unique_ptr<QTcpSocket> socket(server_->nextPendingConnection());
        socket->setParent(nullptr);
        if (ConnectionCount() >= limits_.max_connections) {
            // Told why, then closed; it never counts as a connection.
            socket->write(HttpError(503, true));
            socket->disconnectFromHost();
            Bury(std::move(socket));
            continue;
        }
        // Qt stops reading from the network when the buffer is full: a client that
        // sends without end fills at most this much, and the head limit trips.
        socket->setReadBufferSize(limits_.head.max_head + 1);
        QTcpSocket* raw = socket.get();
        HttpConnection connection;
        connection.socket = std::move(socket);
        connection.timer = std::make_unique<QTimer>();
        connection.timer->setSingleShot(true);
        connect(connection.timer.get(), &QTimer::timeout, this, [this, raw] { DropHttp(raw); });
        connection.timer->start(limits_.idle_timeout_ms);
        connect(raw, &QTcpSocket::readyRead, this, [this, raw] { Serve(raw); });
        connect(raw, &QTcpSocket::bytesWritten, this, [this, raw] { Serve(raw); });
        connect(raw, &QTcpSocket::disconnected, this, [this, raw] { DropHttp(raw); });
        http_.emplace(raw, std::move(connection));
    }
}

void LiveTimingServer::DropHttp(QTcpSocket* socket) {
    const auto found = http_.find(socket);
    if (found == http_.end()) {
        return;
    }
    HttpConnection connection = std::move(found->second);
    http_.erase(found);
    connection.timer->stop();
    connection.socket->abort();
    Bury(std::move(connection.timer));
    Bury(std::move(connection.socket));
}

void LiveTimingServer::Refuse(QTcpSocket* socket, int status, QByteArrayView extra_fields) {
    socket->write(HttpError(status, true, extra_fields));
    CloseAfterWrite(socket);
}

void LiveTimingServer::CloseAfterWrite(QTcpSocket* socket) {
    const auto found = http_.find(socket);
    if (found == http_.end()) {
        return;
    }
    // Still counted until it is gone, so being refused is no way around the cap; a
    // peer that never reads the answer is cut off by the timer.
    found->second.closing = true;
    found->second.timer->start(limits_.idle_timeout_ms);
    socket->disconnectFromHost();
}

void LiveTimingServer::Serve(QTcpSocket* socket) {
    const auto found = http_.find(socket);
    if (found == http_.end()) {
        return;
    }
    HttpConnection& connection = found->second;
    while (!connection.closing && socket->bytesAvailable() > 0) {
        // A client that does not read its answers gets no more until it does.
        if (socket->bytesToWrite() > limits_.max_response_backlog) {
            return;
        }
        const QByteArray bytes =
            socket->peek(std::min<qint64>(socket->bytesAvailable(), limits_.head.max_head + 1));
        const HeadParse parse = ParseRequestHead(bytes, limits_.head);
        switch (parse.status) {
            case HeadStatus::kIncomplete:
                if (!connection.in_request) {
                    // The whole head must arrive in time: one byte a second is dropped.
                    connection.in_request = true;
                    connection.timer->start(limits_.head_timeout_ms);
                }
                return;
            case HeadStatus::kBad:
                Refuse(socket, 400);
                return;
            case HeadStatus::kTooLarge:
                Refuse(socket, 431);
                return;
            case HeadStatus::kUriTooLong:
                Refuse(socket, 414);
                return;
            case HeadStatus::kComplete:
                break;
        }
        const RequestHead& head = parse.head;
        if (head.method != "GET") {
            Refuse(socket, 405, "Allow: GET\r\n");
            return;
        }
        if (HasBody(head)) {
            Refuse(socket, 400);
            return;
        }
        const Route route = RouteTarget(head.target);
        if (route.kind == RouteKind::kWebSocket) {
            if (!head.WantsWebSocket()) {
                Refuse(socket, 426, "Upgrade: websocket\r\n");
                return;
            }
            // The handshake is read from the socket by QWebSocketServer itself.
            HandOverToWebSocket(socket);
            return;
        }
        socket->skip(parse.length);
        connection.in_request = false;
        Respond(connection, head, route);
        if (!connection.closing) {
            connection.timer->start(limits_.idle_timeout_ms);
        }
    }
}

void LiveTimingServer::Respond(HttpConnection& connection, const RequestHead& head,
                               const Route& route) {
    QTcpSocket* socket = connection.socket.get();
    const bool close = head.WantsClose();
    switch (route.kind) {
        case RouteKind::kPage: {
            const QByteArray body = Page(route.resource);
            socket->write(body.isNull() ? HttpError(500, close)
                                        : HttpResponse(200, route.content_type, body, close));
            break;
        }
        case RouteKind::kLive:
            socket->write(HttpResponse(200, kJson, LiveJson(), close));
            break;
        case RouteKind::kDaySessions: {
            socket->write(HttpResponse(200, kJson, DayJson(route.day), close));
            break;
        }
        case RouteKind::kWebSocket:
        case RouteKind::kNotFound:
            socket->write(HttpError(404, close));
            break;
    }
    if (close) {
        CloseAfterWrite(socket);
    }
}

void LiveTimingServer::HandOverToWebSocket(QTcpSocket* socket) {
    const auto found = http_.find(socket);
    HttpConnection connection = std::move(found->second);
    http_.erase(found);
    connection.timer->stop();
    Bury(std::move(connection.timer));
    socket->disconnect(this);
    socket->setReadBufferSize(0);
    websockets_->handleConnection(connection.socket.release());
}

void LiveTimingServer::OnNewWebSocket() {
    while (websockets_ && websockets_->hasPendingConnections()) {
        std::unique_ptr<QWebSocket> socket(websockets_->nextPendingConnection());
        socket->setParent(nullptr);
        if (ConnectionCount() >= limits_.max_connections) {
            socket->abort();
            Bury(std::move(socket));
            continue;
        }
        // The feed is one way: anything a client sends is read and dropped, and a
        // large frame closes the connection.
        socket->setMaxAllowedIncomingMessageSize(1024);
        socket->setMaxAllowedIncomingFrameSize(1024);
        QWebSocket* raw = socket.get();
        connect(raw, &QWebSocket::disconnected, this, [this, raw] { DropClient(raw); });
        raw->sendTextMessage(QString::fromUtf8(LiveJson()));
        clients_.emplace(raw, Client{std::move(socket), latest_version_, tick_});
        if (!push_timer_.isActive()) {
            push_timer_.start();
        }
    }
}

void LiveTimingServer::DropClient(QWebSocket* socket) {
    const auto found = clients_.find(socket);
    if (found == clients_.end()) {
        return;
    }
    std::unique_ptr<QWebSocket> owned = std::move(found->second.socket);
    clients_.erase(found);
    owned->abort();
    Bury(std::move(owned));
    if (clients_.empty()) {
        push_timer_.stop();
    }
}

QByteArray LiveTimingServer::LiveJson() {
    // Building the JSON forty times a second for nothing would cost more than
    // comparing the key.
    QByteArray key = LiveBoardKey(station_);
    if (!latest_.isEmpty() && key == latest_key_) {
        return latest_;
    }
    latest_key_ = std::move(key);
    QByteArray json = QJsonDocument(LiveBoardJson(station_)).toJson(QJsonDocument::Compact);
    if (json != latest_) {
        latest_ = json;
        ++latest_version_;
    }
    return latest_;
}

void LiveTimingServer::Push() {
    ++tick_;
    LiveJson();
    QString text;
    for (auto& [socket, client] : clients_) {
        if (client.sent_version == latest_version_ ||
            tick_ - client.sent_tick < quint64(limits_.ticks_between_updates)) {
            continue;
        }
        // A client that has not taken the last update gets none now and the newest
        // one once it has: its queue never grows beyond one state.
        if (socket->bytesToWrite() > limits_.max_client_backlog) {
            continue;
        }
        if (text.isNull()) {
            text = QString::fromUtf8(latest_);
        }
        socket->sendTextMessage(text);
        client.sent_version = latest_version_;
        client.sent_tick = tick_;
    }
}

QByteArray LiveTimingServer::DayJson(const QDate& day) {
    const bool today = day == station_.clock().LocalDateTime().date();
    const QString key =
        day.toString(Qt::ISODate) +
        (today ? QStringLiteral("/%1").arg(station_.sessions.day_total) : QString());
    if (const auto found = days_.constFind(key); found != days_.constEnd()) {
        return *found;
    }
    constexpr qsizetype kDaysKept = 8;
    if (days_.size() >= kDaysKept) {
        days_.clear();
    }
    const QByteArray json = QJsonDocument(DaySessionsJson(station_.program_folder(), day))
                                .toJson(QJsonDocument::Compact);
    days_.insert(key, json);
    return json;
}

QByteArray LiveTimingServer::Page(const QByteArray& resource) {
    if (const auto found = pages_.constFind(resource); found != pages_.constEnd()) {
        return *found;
    }
    QFile file(QString::fromLatin1(resource));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray body = file.readAll();
    pages_.insert(resource, body);
    return body;
}
