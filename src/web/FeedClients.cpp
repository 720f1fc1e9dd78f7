#include "FeedClients.h"

#include <QTcpSocket>
#include <QWebSocket>
#include <vector>

namespace {

// Sockets are often let go from inside their own signals: deleted once the event
// loop (the network thread's own, always running) is back.
void Release(std::unique_ptr<QWebSocket> socket) {
    if (socket) {
        socket.release()->deleteLater();
    }
}

}  // namespace

QByteArray StampedMessage(const QByteArray& json, qint64 now_ms) {
    QByteArray message = "{\"now_ms\":" + QByteArray::number(now_ms);
    if (json.size() > 2) {
        message += ',';
        message += QByteArrayView(json).sliced(1);  // the state's fields and its '}'
    } else {
        message += '}';
    }
    return message;
}

FeedClients::FeedClients(const LiveSnapshot& snapshot, const ServerLimits& limits)
    : snapshot_(snapshot), limits_(limits), push_timer_(this), housekeeping_timer_(this) {
    push_timer_.setSingleShot(true);
    push_timer_.setInterval(limits_.check_interval_ms);
    connect(&push_timer_, &QTimer::timeout, this, &FeedClients::Push);
    // Often enough that a heartbeat is never more than half an interval late.
    housekeeping_timer_.setInterval(std::max(10, limits_.heartbeat_ms / 4));
    connect(&housekeeping_timer_, &QTimer::timeout, this, &FeedClients::Housekeeping);
}

FeedClients::~FeedClients() {
    Clear();
}

void FeedClients::Clear() {
    push_timer_.stop();
    housekeeping_timer_.stop();
    for (auto& [socket, client] : clients_) {
        // Destroying a connected socket emits disconnected: not back in here.
        socket->disconnect(this);
        client.tcp->disconnect(this);
    }
    clients_.clear();
}

void FeedClients::Add(std::unique_ptr<QWebSocket> socket, QTcpSocket* tcp,
                      const QHostAddress& peer) {
    // The feed is one way: anything a client sends is read and dropped, a large
    // frame closes the connection, and no more is read ahead than the buffer holds.
    socket->setMaxAllowedIncomingMessageSize(1024);
    socket->setMaxAllowedIncomingFrameSize(1024);
    socket->setReadBufferSize(limits_.read_buffer);
    QWebSocket* raw = socket.get();
    connect(raw, &QWebSocket::disconnected, this, [this, raw] { Drop(raw); });
    const auto heard = [this, raw] {
        if (const auto found = clients_.find(raw); found != clients_.end()) {
            found->second.heard_at_ms = SteadyMs();
        }
    };
    connect(raw, &QWebSocket::pong, this, heard);
    connect(raw, &QWebSocket::textMessageReceived, this, heard);
    connect(raw, &QWebSocket::binaryMessageReceived, this, heard);
    // Qt answers every ping itself, into a write buffer without a limit; this runs
    // after it has taken what arrived, so a client that pings and never reads is
    // dropped at the cap.
    connect(tcp, &QTcpSocket::readyRead, this, [this, raw] { DropIfOverCap(raw); });
    const qint64 now = SteadyMs();
    Client client;
    client.socket = std::move(socket);
    client.tcp = tcp;
    client.peer = peer;
    // Greeted with a state taken after it came (OnPublished).
    client.wants_serial = snapshot_.Latest().serial + 1;
    client.sent_at_ms = now;
    client.heard_at_ms = now;
    client.pinged_at_ms = now;
    clients_.emplace(raw, std::move(client));
    if (!housekeeping_timer_.isActive()) {
        housekeeping_timer_.start();
    }
    if (want_snapshot) {
        want_snapshot();
    }
}

void FeedClients::Drop(QWebSocket* socket) {
    const auto found = clients_.find(socket);
    if (found == clients_.end()) {
        return;
    }
    std::unique_ptr<QWebSocket> owned = std::move(found->second.socket);
    const QHostAddress peer = found->second.peer;
    found->second.tcp->disconnect(this);
    clients_.erase(found);
    owned->disconnect(this);
    owned->abort();
    Release(std::move(owned));
    if (clients_.empty()) {
        housekeeping_timer_.stop();
        push_timer_.stop();
    }
    if (on_gone) {
        on_gone(peer);
    }
}

void FeedClients::DropIfOverCap(QWebSocket* socket) {
    if (clients_.contains(socket) && socket->bytesToWrite() > limits_.max_client_unsent) {
        Drop(socket);
    }
}

void FeedClients::Send(Client& client, const QByteArray& message, qint64 now) {
    client.socket->sendTextMessage(QString::fromUtf8(message));
    client.sent_at_ms = now;
}

void FeedClients::OnPublished(quint64 serial, quint64 version, const QByteArray& json) {
    latest_serial_ = serial;
    latest_version_ = version;
    latest_ = json;
    const qint64 now = SteadyMs();
    const QByteArray message = StampedMessage(latest_, now);
    bool still_waiting = false;
    for (auto& [socket, client] : clients_) {
        if (client.wants_serial == 0) {
            continue;
        }
        if (client.wants_serial > latest_serial_) {
            still_waiting = true;
            continue;
        }
        Send(client, message, now);
        client.wants_serial = 0;
        client.sent_version = latest_version_;
        client.updated_at_ms = now;
    }
    // Someone came after this snapshot was published but before it arrived here,
    // while the request for it was still out: ask again.
    if (still_waiting && want_snapshot) {
        want_snapshot();
    }
    Push();
}

void FeedClients::Push() {
    const qint64 now = SteadyMs();
    QByteArray message;
    bool behind = false;
    for (auto& [socket, client] : clients_) {
        if (client.wants_serial != 0 || client.sent_version == latest_version_) {
            continue;
        }
        // At most one update per interval, and a client that has not taken the last
        // one gets none now and the newest once it has: its queue never grows
        // beyond one state.
        if (now - client.updated_at_ms < limits_.update_interval_ms ||
            socket->bytesToWrite() > limits_.max_client_backlog) {
            behind = true;
            continue;
        }
        if (message.isNull()) {
            message = StampedMessage(latest_, now);
        }
        Send(client, message, now);
        client.sent_version = latest_version_;
        client.updated_at_ms = now;
    }
    if (behind && !push_timer_.isActive()) {
        push_timer_.start();
    }
}

void FeedClients::Housekeeping() {
    const qint64 now = SteadyMs();
    // A station whose UI thread has stopped looking at the kart slots sends no
    // heartbeat: the pages then say their times are old.
    const bool station_alive = now - snapshot_.Latest().looked_at_ms <= limits_.station_silent_ms;
    const QByteArray heartbeat = StampedMessage("{\"heartbeat\":true}", now);
    std::vector<QWebSocket*> gone;
    for (auto& [socket, client] : clients_) {
        if (now - client.heard_at_ms > limits_.idle_timeout_ms ||
            socket->bytesToWrite() > limits_.max_client_unsent) {
            gone.push_back(socket);
            continue;
        }
        if (now - client.pinged_at_ms >= limits_.ping_interval_ms) {
            socket->ping();
            client.pinged_at_ms = now;
        }
        if (station_alive && client.wants_serial == 0 &&
            now - client.sent_at_ms >= limits_.heartbeat_ms) {
            Send(client, heartbeat, now);
        }
    }
    for (QWebSocket* socket : gone) {
        Drop(socket);
    }
}
