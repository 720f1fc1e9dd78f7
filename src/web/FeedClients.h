#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <unordered_map>

#include "LiveSnapshot.h"
#include "ServerLimits.h"

class QTcpSocket;
class QWebSocket;

// The WebSocket clients of /ws, on the network thread. Each gets the state at once
// (taken after it came), then the newest state whenever it changed, at most ten
// times a second and never a queue of them; a heartbeat when nothing else went out
// for a second, so its page can tell live times from frozen ones; and a ping every
// few seconds, so a phone gone without a close is dropped.
//
// What one client may cost is capped whatever it sends: reading stops at the read
// buffer, and a client with more than max_client_unsent bytes unsent (pongs to a
// flood of its pings included) is dropped.
class FeedClients : public QObject {
    Q_OBJECT

  public:
    FeedClients(const LiveSnapshot& snapshot, const ServerLimits& limits);
    ~FeedClients() override;

    // A client whose handshake is done; tcp is the socket it runs on.
    void Add(std::unique_ptr<QWebSocket> socket, QTcpSocket* tcp, const QHostAddress& peer);
    // The network thread has taken this snapshot (serial) of state (json, version).
    void OnPublished(quint64 serial, quint64 version, const QByteArray& json);
    void Clear();
    int count() const { return int(clients_.size()); }

    // Set by the owner: a client went (its address, for the per-address count), and
    // a client waits for a snapshot taken after it came.
    std::function<void(const QHostAddress&)> on_gone;
    std::function<void()> want_snapshot;

  private:
    struct Client {
        std::unique_ptr<QWebSocket> socket;
        QTcpSocket* tcp = nullptr;  // the socket it runs on, owned by the QWebSocket
        QHostAddress peer;
        quint64 wants_serial = 0;  // greeted once a snapshot of this serial is there
        quint64 sent_version = 0;
        qint64 updated_at_ms = 0;  // last state sent
        qint64 sent_at_ms = 0;     // last message of any kind
        qint64 heard_at_ms = 0;    // last pong or message from it
        qint64 pinged_at_ms = 0;
    };

    void Drop(QWebSocket* socket);
    // Drops the client when it holds more unsent bytes than allowed.
    void DropIfOverCap(QWebSocket* socket);
    void Send(Client& client, const QByteArray& message, qint64 now);
    void Push();
    void Housekeeping();

    const LiveSnapshot& snapshot_;
    const ServerLimits limits_;
    std::unordered_map<QWebSocket*, Client> clients_;
    QTimer push_timer_;
    QTimer housekeeping_timer_;
    quint64 latest_serial_ = 0;
    quint64 latest_version_ = 0;
    QByteArray latest_;
};

// The message a page gets: the state (a JSON object) with now_ms, the station's
// SteadyMs() as it goes out, in front, so the page can run its clocks from it.
QByteArray StampedMessage(const QByteArray& json, qint64 now_ms);
