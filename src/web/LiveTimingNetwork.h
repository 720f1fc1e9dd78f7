#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <atomic>
#include <memory>
#include <optional>
#include <unordered_map>

#include "FeedClients.h"
#include "HttpRequest.h"
#include "LiveSnapshot.h"
#include "ServerLimits.h"
#include "StationNames.h"

class QTcpServer;
class QTcpSocket;
class QWebSocketServer;

// The socket side of the live timing server: it lives on a thread of its own with
// its own event loop (LiveTimingServer owns both), so the poll loop's event pass
// on the UI thread never polls the client sockets. It knows nothing of the kart
// slots: the live state comes as JSON from LiveSnapshot, and it asks for a fresh
// one (SnapshotWanted) before it answers /api/live or greets a new WebSocket
// client, so no one gets a state older than their request. Recorded days are read
// on a third thread (DayWanted, answered through OnDayRead).
class LiveTimingNetwork : public QObject {
    Q_OBJECT

  public:
    LiveTimingNetwork(const LiveSnapshot& snapshot, ServerLimits limits);
    ~LiveTimingNetwork() override;

    // These run on the network thread. host_names: names the station is reached by
    // besides its own host name and addresses.
    bool Listen(const QHostAddress& address, quint16 port, const QStringList& host_names,
                QString* error_message, QAbstractSocket::SocketError* error);
    void Close();
    // The UI thread published a snapshot (queued here).
    void OnPublished();
    // The day reader's answer to DayWanted (queued here).
    void OnDayRead(quint64 job, const QByteArray& json);

    // From any thread.
    quint16 port() const { return port_.load(); }
    int http_connection_count() const { return http_count_.load(); }
    int handshake_count() const { return handshake_count_.load(); }
    int websocket_client_count() const { return client_count_.load(); }

  signals:
    void SnapshotWanted();
    void ClientCountChanged(int count);
    // An invalid day asks for the list of days.
    void DayWanted(quint64 job, QDate day);

  private:
    struct HttpConnection {
        std::unique_ptr<QTcpSocket> socket;
        std::unique_ptr<QTimer> timer;
        QHostAddress peer;
        bool in_request = false;   // bytes of a request head have arrived
        bool closing = false;      // answered with Connection: close, waiting to go
        quint64 wants_serial = 0;  // /api/live waits for a snapshot of this serial
        quint64 day_job = 0;       // /api/sessions or /api/days waits for this answer
        std::optional<QByteArray> day_answer;
        // A response larger than a chunk is handed to the socket a chunk at a
        // time, as the client takes it: one client never queues more than that.
        QByteArray out;
        qsizetype out_offset = 0;
        bool close_when_sent = false;
    };
    // A socket handed to QWebSocketServer for the handshake. QWebSocketServer owns
    // it from then on; it is counted here until it turns into a client or is gone.
    struct Handshake {
        QTcpSocket* socket = nullptr;
        std::unique_ptr<QTimer> timer;
        QHostAddress peer;
        quint16 peer_port = 0;
    };

    void OnNewConnection();
    void OnNewWebSocket();
    void Serve(QTcpSocket* socket);
    // The response, or none while the request must wait (for a snapshot or a day).
    std::optional<QByteArray> Answer(HttpConnection& connection, const RequestHead& head,
                                     const Route& route);
    void Write(HttpConnection& connection, const QByteArray& response, bool close);
    // Hands the socket more of the response; true once all of it is handed over
    // and the socket's queue is short enough for the next one.
    bool Flush(HttpConnection& connection);
    void Refuse(QTcpSocket* socket, int status, QByteArrayView extra_fields = {});
    void HandOverToWebSocket(QTcpSocket* socket);
    void ForgetHandshake(QTcpSocket* socket, bool became_client = false);
    void DropHttp(QTcpSocket* socket);
    void Gone(const QHostAddress& peer);
    void WantSnapshot();
    void UpdateCounts();
    QByteArray Page(const QByteArray& resource);
    int ConnectionCount() const;

    const LiveSnapshot& snapshot_;
    const ServerLimits limits_;
    std::unique_ptr<QTcpServer> server_;
    std::unique_ptr<QWebSocketServer> websockets_;
    std::unique_ptr<StationNames> names_;
    std::unordered_map<QTcpSocket*, HttpConnection> http_;
    std::unordered_map<QTcpSocket*, Handshake> handshakes_;
    FeedClients clients_;
    // Connections of each peer address, all kinds together.
    QHash<QHostAddress, int> per_address_;
    bool snapshot_wanted_ = false;
    QByteArray latest_;
    quint64 latest_serial_ = 0;
    quint64 last_day_job_ = 0;
    QHash<QByteArray, QByteArray> pages_;
    std::atomic<quint16> port_{0};
    std::atomic<int> http_count_{0};
    std::atomic<int> handshake_count_{0};
    std::atomic<int> client_count_{0};
};
