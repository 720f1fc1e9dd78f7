#include "LiveTimingNetwork.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebSocket>
#include <QWebSocketServer>
#include <vector>

#include "HttpResponse.h"

namespace {

constexpr QByteArrayView kJson = "application/json; charset=utf-8";

// Sockets are often let go from inside their own signals: deleted once the event
// loop (the network thread's own, always running) is back.
template <typename T>
void Release(std::unique_ptr<T> object) {
    if (object) {
        object.release()->deleteLater();
    }
}

// A listener on every address sees IPv4 peers as ::ffff:a.b.c.d: one address
// either way, for the per-address count.
QHostAddress PeerOf(const QTcpSocket& socket) {
    const QHostAddress peer = socket.peerAddress();
    bool mapped = false;
    const quint32 v4 = peer.toIPv4Address(&mapped);
    return mapped ? QHostAddress(v4) : peer;
}

}  // namespace

LiveTimingNetwork::LiveTimingNetwork(const LiveSnapshot& snapshot, ServerLimits limits)
    : snapshot_(snapshot), limits_(limits), clients_(snapshot, limits_) {
    clients_.setParent(this);  // moves to the network thread with this object
    clients_.on_gone = [this](const QHostAddress& peer) { Gone(peer); };
    clients_.want_snapshot = [this] { WantSnapshot(); };
}

LiveTimingNetwork::~LiveTimingNetwork() {
    Close();
    clients_.setParent(nullptr);
}

bool LiveTimingNetwork::Listen(const QHostAddress& address, quint16 port,
                               const QStringList& host_names, QString* error_message,
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
    names_ = std::make_unique<StationNames>(StationNames::ThisMachine(host_names));
    websockets_ = std::make_unique<QWebSocketServer>(QStringLiteral("RUVOTimer"),
                                                     QWebSocketServer::NonSecureMode);
    websockets_->setHandshakeTimeout(std::chrono::milliseconds(limits_.head_timeout_ms));
    connect(websockets_.get(), &QWebSocketServer::newConnection, this,
            &LiveTimingNetwork::OnNewWebSocket);
    return true;
}

void LiveTimingNetwork::Close() {
    server_.reset();
    port_ = 0;
    // Destroying a connected socket emits disconnected: not back into the maps.
    for (auto& [socket, connection] : http_) {
        socket->disconnect(this);
        connection.timer->disconnect(this);
    }
    for (auto& [socket, handshake] : handshakes_) {
        socket->disconnect(this);
    }
    http_.clear();
    clients_.Clear();
    handshakes_.clear();
    per_address_.clear();
    // Deletes the sockets still in the handshake, which it owns.
    websockets_.reset();
    UpdateCounts();
}

int LiveTimingNetwork::ConnectionCount() const {
    return int(http_.size() + handshakes_.size()) + clients_.count();
}

void LiveTimingNetwork::UpdateCounts() {
    http_count_ = int(http_.size());
    handshake_count_ = int(handshakes_.size());
    const int clients = clients_.count();
    if (client_count_.exchange(clients) != clients) {
        emit ClientCountChanged(clients);
    }
}

void LiveTimingNetwork::Gone(const QHostAddress& peer) {
    const auto found = per_address_.find(peer);
    if (found != per_address_.end() && --found.value() <= 0) {
        per_address_.erase(found);
    }
    UpdateCounts();
}

void LiveTimingNetwork::OnNewConnection() {
    while (server_ && server_->hasPendingConnections()) {
        std::unique_ptr<QTcpSocket> socket(server_->nextPendingConnection());
        socket->setParent(nullptr);
        const QHostAddress peer = PeerOf(*socket);
        if (ConnectionCount() >= limits_.max_connections ||
            per_address_.value(peer) >= limits_.max_connections_per_address) {
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
        ++per_address_[peer];
        // Qt stops reading from the network when the buffer is full: a client that
        // sends without end fills at most this much, and the head limit trips.
        socket->setReadBufferSize(limits_.head.max_head + 1);
        QTcpSocket* raw = socket.get();
        HttpConnection connection;
        connection.socket = std::move(socket);
        connection.peer = peer;
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
    Gone(connection.peer);
}

void LiveTimingNetwork::Refuse(QTcpSocket* socket, int status, QByteArrayView extra_fields) {
    const auto found = http_.find(socket);
    if (found != http_.end()) {
        Write(found->second, HttpError(status, true, extra_fields), true);
    }
}

void LiveTimingNetwork::Write(HttpConnection& connection, const QByteArray& response, bool close) {
    connection.out = response;
    connection.out_offset = 0;
    connection.close_when_sent = close;
    // Still counted until it is gone, so being refused is no way around the cap.
    connection.closing = close;
    Flush(connection);
}

bool LiveTimingNetwork::Flush(HttpConnection& connection) {
    QTcpSocket* socket = connection.socket.get();
    const qint64 chunk = limits_.response_chunk;
    while (connection.out_offset < connection.out.size() && socket->bytesToWrite() < chunk) {
        const qsizetype size =
            std::min<qsizetype>(chunk, connection.out.size() - connection.out_offset);
        socket->write(connection.out.constData() + connection.out_offset, size);
        connection.out_offset += size;
    }
    if (connection.out_offset < connection.out.size()) {
        // A client that takes its answer slowly may; one that stops taking it is cut
        // off by the timer.
        connection.timer->start(limits_.idle_timeout_ms);
        return false;
    }
    if (!connection.out.isEmpty()) {
        connection.out = QByteArray();
        connection.out_offset = 0;
        if (connection.close_when_sent) {
            connection.timer->start(limits_.idle_timeout_ms);
            socket->disconnectFromHost();
            return false;
        }
    }
    // A client that does not read its answers gets no more until it does.
    return !connection.closing && socket->bytesToWrite() < chunk;
}

void LiveTimingNetwork::Serve(QTcpSocket* socket) {
    const auto found = http_.find(socket);
    if (found == http_.end()) {
        return;
    }
    HttpConnection& connection = found->second;
    if (!Flush(connection)) {
        return;
    }
    while (socket->bytesAvailable() > 0) {
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
                return Refuse(socket, 400);
            case HeadStatus::kTooLarge:
                return Refuse(socket, 431);
            case HeadStatus::kUriTooLong:
                return Refuse(socket, 414);
            case HeadStatus::kVersionNotSupported:
                return Refuse(socket, 505);
            case HeadStatus::kComplete:
                break;
        }
        const RequestHead& head = parse.head;
        if (const int status = RequestHeadRefusal(head); status != 0) {
            return Refuse(socket, status);
        }
        // Only requests for the station itself: a page of another site that made
        // its own name point here (DNS rebinding) is turned away.
        const QByteArray authority = head.Authority();
        if (!authority.isEmpty() && !names_->AllowsAuthority(authority)) {
            return Refuse(socket, 421);
        }
        const bool head_only = head.method == "HEAD";
        if (head.method != "GET" && !head_only) {
            return Refuse(socket, 405, "Allow: GET, HEAD\r\n");
        }
        const Route route = RouteTarget(head.target);
        if (route.kind == RouteKind::kWebSocket && !head_only && head.WantsWebSocket()) {
            // Browsers always send the page's origin: a page of another site may
            // not read the feed.
            const QByteArray origin = head.Field("origin");
            if (!origin.isEmpty() && !names_->AllowsOrigin(origin)) {
                return Refuse(socket, 403);
            }
            if (const int status = WebSocketHandshakeRefusal(head); status != 0) {
                return Refuse(socket, status, status == 426 ? "Sec-WebSocket-Version: 13\r\n" : "");
            }
            // The handshake is read from the socket by QWebSocketServer itself.
            return HandOverToWebSocket(socket);
        }
        const std::optional<QByteArray> response = Answer(connection, head, route);
        if (!response) {
            // Waits (for a snapshot or a day) with the request still in the buffer,
            // later ones behind it; bounded like a slow head.
            if (!connection.in_request) {
                connection.in_request = true;
                connection.timer->start(limits_.head_timeout_ms);
            }
            return;
        }
        socket->skip(parse.length);
        connection.in_request = false;
        connection.timer->start(limits_.idle_timeout_ms);
        Write(connection, head_only ? WithoutBody(*response) : *response, head.WantsClose());
        // Writing may have closed it.
        const auto still = http_.find(socket);
        if (still == http_.end() || !Flush(still->second)) {
            return;
        }
    }
}

std::optional<QByteArray> LiveTimingNetwork::Answer(HttpConnection& connection,
                                                    const RequestHead& head, const Route& route) {
    const bool close = head.WantsClose();
    switch (route.kind) {
        case RouteKind::kPage: {
            const QByteArray body = Page(route.resource);
            return body.isNull() ? HttpError(500, close)
                                 : HttpResponse(200, route.content_type, body, close);
        }
        case RouteKind::kLive:
            // Answered from a snapshot taken after the request came.
            if (connection.wants_serial == 0) {
                // Not one published before the request that is still on its way here.
                connection.wants_serial = snapshot_.Latest().serial + 1;
                WantSnapshot();
                return std::nullopt;
            }
            if (latest_serial_ < connection.wants_serial) {
                return std::nullopt;
            }
            connection.wants_serial = 0;
            return HttpResponse(200, kJson, StampedMessage(latest_, SteadyMs()), close);
        case RouteKind::kDaySessions:
        case RouteKind::kDayList: {
            if (connection.day_job == 0) {
                connection.day_job = ++last_day_job_;
                emit DayWanted(connection.day_job,
                               route.kind == RouteKind::kDayList ? QDate() : route.day);
                return std::nullopt;
            }
            if (!connection.day_answer) {
                return std::nullopt;
            }
            const QByteArray body = *connection.day_answer;
            connection.day_job = 0;
            connection.day_answer.reset();
            return HttpResponse(200, kJson, body, close);
        }
        case RouteKind::kWebSocket:
            return HttpError(426, close, "Upgrade: websocket\r\n");
        case RouteKind::kNotFound:
            break;
    }
    return HttpError(404, close);
}

void LiveTimingNetwork::OnDayRead(quint64 job, const QByteArray& json) {
    for (auto& [socket, connection] : http_) {
        if (connection.day_job == job) {
            connection.day_answer = json;
            Serve(socket);
            return;
        }
    }
    // The client went while its day was read.
}

void LiveTimingNetwork::HandOverToWebSocket(QTcpSocket* socket) {
    const auto found = http_.find(socket);
    HttpConnection connection = std::move(found->second);
    http_.erase(found);
    connection.timer->stop();
    Release(std::move(connection.timer));
    socket->disconnect(this);
    socket->setReadBufferSize(limits_.read_buffer);

    // Counted until it is a client or gone, so a flood of upgrades cannot pass the
    // cap while their handshakes run or after they failed.
    Handshake handshake;
    handshake.socket = socket;
    handshake.peer = connection.peer;
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

void LiveTimingNetwork::ForgetHandshake(QTcpSocket* socket, bool became_client) {
    const auto found = handshakes_.find(socket);
    if (found == handshakes_.end()) {
        return;
    }
    std::unique_ptr<QTimer> timer = std::move(found->second.timer);
    const QHostAddress peer = found->second.peer;
    handshakes_.erase(found);
    timer->stop();
    Release(std::move(timer));
    if (became_client) {
        UpdateCounts();
    } else {
        Gone(peer);
    }
}

void LiveTimingNetwork::OnNewWebSocket() {
    while (websockets_ && websockets_->hasPendingConnections()) {
        std::unique_ptr<QWebSocket> socket(websockets_->nextPendingConnection());
        socket->setParent(nullptr);
        // Its TCP socket leaves the handshakes (QWebSocket owns it now); the place it
        // took under the caps passes to the client.
        QTcpSocket* tcp = nullptr;
        QHostAddress peer;
        for (const auto& [raw, handshake] : handshakes_) {
            if (handshake.peer_port == socket->peerPort() &&
                handshake.peer.isEqual(socket->peerAddress(), QHostAddress::TolerantConversion)) {
                tcp = raw;
                peer = handshake.peer;
                break;
            }
        }
        if (tcp == nullptr) {
            // Not one of ours (cannot happen): never let it past the caps.
            socket->abort();
            Release(std::move(socket));
            continue;
        }
        tcp->disconnect(this);
        ForgetHandshake(tcp, true);
        clients_.Add(std::move(socket), tcp, peer);
    }
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
    const LiveSnapshot::State state = snapshot_.Latest();
    latest_serial_ = state.serial;
    latest_ = state.json;
    std::vector<QTcpSocket*> waiting;
    for (const auto& [socket, connection] : http_) {
        if (connection.wants_serial != 0) {
            waiting.push_back(socket);
        }
    }
    for (QTcpSocket* socket : waiting) {
        Serve(socket);  // may drop it; Serve looks it up again
    }
    bool still_waiting = false;
    for (const auto& [socket, connection] : http_) {
        still_waiting = still_waiting || connection.wants_serial > latest_serial_;
    }
    if (still_waiting) {
        WantSnapshot();
    }
    clients_.OnPublished(state.serial, state.version, state.json);
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
