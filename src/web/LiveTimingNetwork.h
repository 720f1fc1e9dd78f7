#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QDate>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <memory>
#include <unordered_map>

#include "HttpRequest.h"
#include "LiveSnapshot.h"
#include "ServerLimits.h"

class QTcpServer;
class QTcpSocket;
class QWebSocket;
class QWebSocketServer;

// The socket side of the live timing server: it lives on a thread of its own with
// its own event loop (LiveTimingServer owns both), so the poll loop's event pass
// on the UI thread never polls the client sockets. It knows nothing of the kart
// slots: the live state comes as JSON from LiveSnapshot, and it asks for a fresh
// one (SnapshotWanted) before it answers /api/live or greets a new WebSocket
// client, so no one gets a state older than their request.
class LiveTimingNetwork : public QObject {
    Q_OBJECT

  public:
    LiveTimingNetwork(const LiveSnapshot& snapshot, QString program_folder, ServerLimits limits);
    ~LiveTimingNetwork() override;

    // These run on the network thread.
    bool Listen(const QHostAddress& address, quint16 port, QString* error_message,
                QAbstractSocket::SocketError* error);
    void Close();
    // The UI thread published a snapshot (queued here).
    void OnPublished();

    // From any thread.
    quint16 port() const { return port_.load(); }
    int http_connection_count() const { return http_count_.load(); }
    int handshake_count() const { return handshake_count_.load(); }
    int websocket_client_count() const { return client_count_.load(); }

  signals:
    void SnapshotWanted();
    void ClientCountChanged(int count);

  private:
    struct HttpConnection {
        std::unique_ptr<QTcpSocket> socket;
        std::unique_ptr<QTimer> timer;
        bool in_request = false;   // bytes of a request head have arrived
        bool closing = false;      // answered with Connection: close, waiting to go
        quint64 wants_serial = 0;  // /api/live waits for a snapshot of this serial
    };
    // A socket handed to QWebSocketServer for the handshake. QWebSocketServer owns
    // it from then on; it is counted here until it turns into a client or is gone.
    struct Handshake {
        QTcpSocket* socket = nullptr;
        std::unique_ptr<QTimer> timer;
        QHostAddress peer;
        quint16 peer_port = 0;
    };
    struct Client {
        std::unique_ptr<QWebSocket> socket;
        quint64 wants_serial = 0;  // greeted once a snapshot of this serial is there
        quint64 sent_version = 0;
        qint64 sent_at_ms = 0;
    };

    void OnNewConnection();
    void OnNewWebSocket();
    void Serve(QTcpSocket* socket);
    void Respond(HttpConnection& connection, const RequestHead& head, const Route& route);
    void Refuse(QTcpSocket* socket, int status, QByteArrayView extra_fields = {});
    void CloseAfterWrite(QTcpSocket* socket);
    void HandOverToWebSocket(QTcpSocket* socket);
    void ForgetHandshake(QTcpSocket* socket);
    void DropHttp(QTcpSocket* socket);
    void DropClient(QWebSocket* socket);
    void WantSnapshot();
    void Push();
    void UpdateCounts();
    QByteArray Page(const QByteArray& resource);
    QByteArray DayJson(const QDate& day);
    int ConnectionCount() const;

    const LiveSnapshot& snapshot_;
    const QString program_folder_;
    const ServerLimits limits_;
    std::unique_ptr<QTcpServer> server_;
    std::unique_ptr<QWebSocketServer> websockets_;
    std::unordered_map<QTcpSocket*, HttpConnection> http_;
    std::unordered_map<QTcpSocket*, Handshake> handshakes_;
    std::unordered_map<QWebSocket*, Client> clients_;
    QTimer push_timer_;
    QElapsedTimer since_start_;
    bool snapshot_wanted_ = false;
    QByteArray latest_;
    QString latest_text_;
    quint64 latest_version_ = 0;
    quint64 latest_serial_ = 0;
    QHash<QByteArray, QByteArray> pages_;
    // Days served lately, keyed by what their folders hold: reading a day of 100
    // sessions and their lap logs takes a while, and pages ask again and again.
    QHash<QByteArray, QByteArray> days_;
    std::atomic<quint16> port_{0};
    std::atomic<int> http_count_{0};
    std::atomic<int> handshake_count_{0};
    std::atomic<int> client_count_{0};
};
