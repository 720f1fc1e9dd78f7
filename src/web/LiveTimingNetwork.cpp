#include "LiveTimingNetwork.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebSocket>
#include <QWebSocketServer>

#include "HttpResponse.h"
#include "LapLogFormat.h"
#include "LiveBoard.h"
#include "SessionFile.h"

namespace {

constexpr QByteArrayView kJson = "application/json; charset=utf-8";

bool HasBody(const RequestHead& head) {
    const QByteArray length = head.Field("content-length");
    return !head.Field("transfer-encoding").isEmpty() || (!length.isEmpty() && length != "0");
}

// Sockets are often let go from inside their own signals: deleted once the event
// loop (the network thread's own, always running) is back.
template <typename T>
void Release(std::unique_ptr<T> object) {
    if (object) {
        object.release()->deleteLater();
    }
}

// What a day's answer depends on: the names, sizes and times of its session files
// and lap logs. A session recorded or a lap log moved beside it changes the key.
QByteArray DayFolderKey(const QString& day_folder) {
    QByteArray key;
    for (const QString& folder : {day_folder, LapsFolderPath(day_folder)}) {
        const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
        for (const QFileInfo& entry : entries) {
            key += entry.fileName().toUtf8() + '/' + QByteArray::number(entry.size()) + '/' +
                   QByteArray::number(entry.lastModified().toMSecsSinceEpoch()) + '\n';
        }
        key += '|';
    }
    return key;
}

}  // namespace

LiveTimingNetwork::LiveTimingNetwork(const LiveSnapshot& snapshot, QString program_folder,
                                     ServerLimits limits)
    : snapshot_(snapshot),
      program_folder_(std::move(program_folder)),
      limits_(limits),
      push_timer_(this) {
    push_timer_.setSingleShot(true);
    push_timer_.setInterval(limits_.check_interval_ms);
    connect(&push_timer_, &QTimer::timeout, this, &LiveTimingNetwork::Push);
    since_start_.start();
}

LiveTimingNetwork::~LiveTimingNetwork() {
    Close();
}

bool LiveTimingNetwork::Listen(const QHostAddress& address, quint16 port, QString* error_message,
                               QAbstractSocket::SocketError* error) {
    Close();
    auto server = std::make_unique<QTcpServer>();
    if (!server->listen(address, port)) {
        if (error != nullptr) {
            *error = server->serverError();
        }
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
    connect(server.get(), &QTcpServer::newConnection, this, &LiveTimingNetwork::OnNewConnection);
    port_ = server->serverPort();
    server_ = std::move(server);
    websockets_ = std::make_unique<QWebSocketServer>(QStringLiteral("RUVOTimer"),
                                                     QWebSocketServer::NonSecureMode);
    websockets_->setHandshakeTimeout(std::chrono::milliseconds(limits_.head_timeout_ms));
    connect(websockets_.get(), &QWebSocketServer::newConnection, this,
            &LiveTimingNetwork::OnNewWebSocket);
    return true;
}

void LiveTimingNetwork::Close() {
    push_timer_.stop();
    server_.reset();
    port_ = 0;
    // Destroying a connected socket emits disconnected: not back into the maps.
    for (auto& [socket, connection] : http_) {
        socket->disconnect(this);
        connection.timer->disconnect(this);
    }
    for (auto& [socket, client] : clients_) {
        socket->disconnect(this);
    }
    for (auto& [socket, handshake] : handshakes_) {
        socket->disconnect(this);
    }
    http_.clear();
    clients_.clear();
    handshakes_.clear();
    // Deletes the sockets still in the handshake, which it owns.
    websockets_.reset();
    UpdateCounts();
}

int LiveTimingNetwork::ConnectionCount() const {
    return int(http_.size() + handshakes_.size() + clients_.size());
}

void LiveTimingNetwork::UpdateCounts() {
    http_count_ = int(http_.size());
    handshake_count_ = int(handshakes_.size());
    const int clients = int(clients_.size());
    if (client_count_.exchange(clients) != clients) {
        emit ClientCountChanged(clients);
    }
}

void LiveTimingNetwork::OnNewConnection() {
    while (server_ && server_->hasPendingConnections()) {
        std::unique_ptr<QTcpSocket> socket(server_->nextPendingConnection());
        socket->setParent(nullptr);
        if (ConnectionCount() >= limits_.max_connections) {
            // Told why, then closed; it never counts as a connection.
            socket->write(HttpError(503, true));
            socket->disconnectFromHost();
            connect(socket.get(), &QTcpSocket::disconnected, socket.get(), &QObject::deleteLater);
            // A peer that never reads the answer keeps it no longer than a slow one.
            QTimer::singleShot(limits_.head_timeout_ms, socket.get(), &QTcpSocket::abort);
            if (socket->state() == QAbstractSocket::UnconnectedState) {
                Release(std::move(socket));
            } else {
                // Deletes itself once disconnected, or goes with this object.
                socket.release()->setParent(this);
            }
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
    UpdateCounts();
}

void LiveTimingNetwork::DropHttp(QTcpSocket* socket) {
    const auto found = http_.find(socket);
    if (found == http_.end()) {
        return;
    }
    HttpConnection connection = std::move(found->second);
    http_.erase(found);
    connection.timer->stop();
    connection.socket->disconnect(this);
    connection.socket->abort();
    Release(std::move(connection.timer));
    Release(std::move(connection.socket));
    UpdateCounts();
}

void LiveTimingNetwork::Refuse(QTcpSocket* socket, int status, QByteArrayView extra_fields) {
    socket->write(HttpError(status, true, extra_fields));
    CloseAfterWrite(socket);
}

void LiveTimingNetwork::CloseAfterWrite(QTcpSocket* socket) {
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

void LiveTimingNetwork::Serve(QTcpSocket* socket) {
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
            if (const int status = WebSocketHandshakeRefusal(head); status != 0) {
                Refuse(socket, status, status == 426 ? "Sec-WebSocket-Version: 13\r\n" : "");
                return;
            }
            // The handshake is read from the socket by QWebSocketServer itself.
            HandOverToWebSocket(socket);
            return;
        }
        if (route.kind == RouteKind::kLive) {
            // Answered from a snapshot taken after the request came: the request
            // stays in the buffer (later ones behind it) until one is there.
            if (connection.wants_serial == 0) {
                // Not one published before the request that is still on its way here.
                connection.wants_serial = snapshot_.Latest().serial + 1;
                if (!connection.in_request) {
                    connection.in_request = true;
                    connection.timer->start(limits_.head_timeout_ms);
                }
                WantSnapshot();
                return;
            }
            if (latest_serial_ < connection.wants_serial) {
                return;
            }
            connection.wants_serial = 0;
        }
        socket->skip(parse.length);
        connection.in_request = false;
        Respond(connection, head, route);
        if (!connection.closing) {
            connection.timer->start(limits_.idle_timeout_ms);
        }
    }
}

void LiveTimingNetwork::Respond(HttpConnection& connection, const RequestHead& head,
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
            socket->write(HttpResponse(200, kJson, latest_, close));
            break;
        case RouteKind::kDaySessions:
            socket->write(HttpResponse(200, kJson, DayJson(route.day), close));
            break;
        case RouteKind::kWebSocket:
        case RouteKind::kNotFound:
            socket->write(HttpError(404, close));
            break;
    }
    if (close) {
        CloseAfterWrite(socket);
    }
}

void LiveTimingNetwork::HandOverToWebSocket(QTcpSocket* socket) {
    const auto found = http_.find(socket);
    HttpConnection connection = std::move(found->second);
    http_.erase(found);
    connection.timer->stop();
    Release(std::move(connection.timer));
    socket->disconnect(this);
    socket->setReadBufferSize(0);

    // Counted until it is a client or gone, so a flood of upgrades cannot pass the
    // cap while their handshakes run or after they failed.
    Handshake handshake;
    handshake.socket = socket;
    handshake.peer = socket->peerAddress();
    handshake.peer_port = socket->peerPort();
    handshake.timer = std::make_unique<QTimer>();
    handshake.timer->setSingleShot(true);
    // QWebSocketServer closes a failed handshake but may leave the socket for
    // later; it is let go here at once, and one that hangs is cut off.
    connect(handshake.timer.get(), &QTimer::timeout, this, [this, socket] {
        socket->abort();
        ForgetHandshake(socket);
    });
    handshake.timer->start(limits_.head_timeout_ms);
    connect(socket, &QObject::destroyed, this, [this, socket] { ForgetHandshake(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { ForgetHandshake(socket); });
    handshakes_.emplace(socket, std::move(handshake));
    UpdateCounts();
    websockets_->handleConnection(connection.socket.release());
}

void LiveTimingNetwork::ForgetHandshake(QTcpSocket* socket) {
    const auto found = handshakes_.find(socket);
    if (found == handshakes_.end()) {
        return;
    }
    std::unique_ptr<QTimer> timer = std::move(found->second.timer);
    handshakes_.erase(found);
    timer->stop();
    Release(std::move(timer));
    UpdateCounts();
}

void LiveTimingNetwork::OnNewWebSocket() {
    while (websockets_ && websockets_->hasPendingConnections()) {
        std::unique_ptr<QWebSocket> socket(websockets_->nextPendingConnection());
        socket->setParent(nullptr);
        // Its TCP socket leaves the handshakes (QWebSocket owns it now).
        for (auto it = handshakes_.begin(); it != handshakes_.end(); ++it) {
            if (it->second.peer_port == socket->peerPort() &&
                it->second.peer == socket->peerAddress()) {
                it->first->disconnect(this);
                ForgetHandshake(it->first);
                break;
            }
        }
        if (ConnectionCount() >= limits_.max_connections) {
            socket->abort();
            Release(std::move(socket));
            continue;
        }
        // The feed is one way: anything a client sends is read and dropped, and a
        // large frame closes the connection.
        socket->setMaxAllowedIncomingMessageSize(1024);
        socket->setMaxAllowedIncomingFrameSize(1024);
        QWebSocket* raw = socket.get();
        connect(raw, &QWebSocket::disconnected, this, [this, raw] { DropClient(raw); });
        // Greeted with a state taken after it came (OnPublished).
        clients_.emplace(raw, Client{std::move(socket), snapshot_.Latest().serial + 1, 0, 0});
        WantSnapshot();
    }
    UpdateCounts();
}

void LiveTimingNetwork::DropClient(QWebSocket* socket) {
    const auto found = clients_.find(socket);
    if (found == clients_.end()) {
        return;
    }
    std::unique_ptr<QWebSocket> owned = std::move(found->second.socket);
    clients_.erase(found);
    owned->disconnect(this);
    owned->abort();
    Release(std::move(owned));
    UpdateCounts();
}

void LiveTimingNetwork::WantSnapshot() {
    // One request in flight at a time: everyone waiting takes the same answer.
    if (!snapshot_wanted_) {
        snapshot_wanted_ = true;
        emit SnapshotWanted();
    }
}

void LiveTimingNetwork::OnPublished() {
    snapshot_wanted_ = false;
    LiveSnapshot::State state = snapshot_.Latest();
    latest_serial_ = state.serial;
    if (state.version != latest_version_) {
        latest_version_ = state.version;
        latest_ = std::move(state.json);
        latest_text_ = QString::fromUtf8(latest_);
    }
    std::vector<QTcpSocket*> waiting;
    for (const auto& [socket, connection] : http_) {
        if (connection.wants_serial != 0) {
            waiting.push_back(socket);
        }
    }
    for (QTcpSocket* socket : waiting) {
        Serve(socket);  // may drop it; Serve looks it up again
    }
    const qint64 now = since_start_.elapsed();
    bool still_waiting = false;
    for (auto& [socket, client] : clients_) {
        if (client.wants_serial == 0) {
            continue;
        }
        if (client.wants_serial > latest_serial_) {
            still_waiting = true;
            continue;
        }
        socket->sendTextMessage(latest_text_);
        client.wants_serial = 0;
        client.sent_version = latest_version_;
        client.sent_at_ms = now;
    }
    for (const auto& [socket, connection] : http_) {
        still_waiting = still_waiting || connection.wants_serial > latest_serial_;
    }
    // Someone came after this snapshot was published but before it arrived here,
    // while the request for it was still out: ask again.
    if (still_waiting) {
        WantSnapshot();
    }
    Push();
}

void LiveTimingNetwork::Push() {
    const qint64 now = since_start_.elapsed();
    bool behind = false;
    for (auto& [socket, client] : clients_) {
        if (client.wants_serial != 0 || client.sent_version == latest_version_) {
            continue;
        }
        // At most one update per interval, and a client that has not taken the last
        // one gets none now and the newest once it has: its queue never grows
        // beyond one state.
        if (now - client.sent_at_ms < limits_.update_interval_ms ||
            socket->bytesToWrite() > limits_.max_client_backlog) {
            behind = true;
            continue;
        }
        socket->sendTextMessage(latest_text_);
        client.sent_version = latest_version_;
        client.sent_at_ms = now;
    }
    if (behind && !push_timer_.isActive()) {
        push_timer_.start();
    }
}

QByteArray LiveTimingNetwork::DayJson(const QDate& day) {
    const QString folder = DayFolderPath(program_folder_, day);
    const QByteArray key = day.toString(Qt::ISODate).toLatin1() + '\n' + DayFolderKey(folder);
    if (const auto found = days_.constFind(key); found != days_.constEnd()) {
        return *found;
    }
    constexpr qsizetype kDaysKept = 8;
    if (days_.size() >= kDaysKept) {
        days_.clear();
    }
    const QByteArray json =
        QJsonDocument(DaySessionsJson(program_folder_, day)).toJson(QJsonDocument::Compact);
    days_.insert(key, json);
    return json;
}

QByteArray LiveTimingNetwork::Page(const QByteArray& resource) {
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
