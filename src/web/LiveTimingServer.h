#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <memory>
#include <unordered_map>
#include <vector>

#include "HttpRequest.h"

class QTcpServer;
class QTcpSocket;
class QWebSocket;
class QWebSocketServer;
class Station;

// Limits that keep the server safe to leave running on a shared network.
struct ServerLimits {
    int max_connections = 256;      // HTTP and WebSocket together; more are refused with 503
    HeadLimits head;                // request line and header size
    int head_timeout_ms = 10'000;   // a started request head must be complete by then
    int idle_timeout_ms = 30'000;   // a kept-alive connection without a request
    int check_interval_ms = 25;     // how often the state is looked at for changes
    int ticks_between_updates = 4;  // so each WebSocket client gets at most 10 a second
    qint64 max_client_backlog = 64 * 1024;     // queued bytes before a client is skipped
    qint64 max_response_backlog = 256 * 1024;  // queued bytes before requests wait
};

// The read-only live timing server: the pages, /api/live, /api/sessions/<day> and
// the /ws feed. It runs on the thread that owns the station (the UI thread, whose
// event loop the poll loop pumps between frames), so it reads the kart slots
// without locks.
//
// Why not QHttpServer: Qt 6.4's QHttpServer has no hooks for a connection cap,
// header size limits, timeouts or a 405 for other methods, and on a WebSocket
// upgrade it disconnects every readyRead handler of the socket, so a guard in
// front of it cannot follow the connection. Every request here is a GET without a
// body, so reading its head is all the HTTP this server needs (HttpRequest.h);
// the WebSocket handshake and framing stay Qt's (QWebSocketServer).
class LiveTimingServer : public QObject {
    Q_OBJECT

  public:
    explicit LiveTimingServer(const Station& station, ServerLimits limits = {},
                              QObject* parent = nullptr);
    ~LiveTimingServer() override;

    // On failure (port taken, address not on this machine) returns false with a
    // message for the operator; the station carries on without the server.
    bool Listen(const QHostAddress& address, quint16 port, QString* error_message);
    void Close();
    bool IsListening() const;
    quint16 port() const;
    // Why the last Listen failed (AddressInUseError for a port that is taken).
    QAbstractSocket::SocketError listen_error() const { return listen_error_; }

    int http_connection_count() const { return int(http_.size()); }
    int websocket_client_count() const { return int(clients_.size()); }

  private:
    struct HttpConnection {
        std::unique_ptr<QTcpSocket> socket;
        std::unique_ptr<QTimer> timer;
        bool in_request = false;  // bytes of a request head have arrived
        bool closing = false;     // answered with Connection: close, waiting to go
    };
    struct Client {
        std::unique_ptr<QWebSocket> socket;
        quint64 sent_version = 0;
        quint64 sent_tick = 0;
    };

    void OnNewConnection();
    void OnNewWebSocket();
    void Serve(QTcpSocket* socket);
    void Respond(HttpConnection& connection, const RequestHead& head, const Route& route);
    void Refuse(QTcpSocket* socket, int status, QByteArrayView extra_fields = {});
    void CloseAfterWrite(QTcpSocket* socket);
    void HandOverToWebSocket(QTcpSocket* socket);
    void DropHttp(QTcpSocket* socket);
    void DropClient(QWebSocket* socket);
    void Bury(std::unique_ptr<QObject> object);
    void Push();
    QByteArray LiveJson();
    QByteArray Page(const QByteArray& resource);
    QByteArray DayJson(const QDate& day);
    int ConnectionCount() const;

    const Station& station_;
    const ServerLimits limits_;
    std::unique_ptr<QTcpServer> server_;
    std::unique_ptr<QWebSocketServer> websockets_;
    std::unordered_map<QTcpSocket*, HttpConnection> http_;
    std::unordered_map<QWebSocket*, Client> clients_;
    // Closed sockets, deleted from a zero timer: deleteLater never runs while the
    // poll loop pumps events from inside a click handler.
    std::vector<std::unique_ptr<QObject>> graveyard_;
    QTimer reaper_;
    QTimer push_timer_;
    QByteArray latest_;
    QByteArray latest_key_;  // LiveBoardKey of latest_
    quint64 latest_version_ = 0;
    quint64 tick_ = 0;
    QHash<QByteArray, QByteArray> pages_;
    // Days served lately: a day folder of 100 files takes tens of milliseconds to
    // read on the UI thread, and pages ask again and again. Today's entry goes stale
    // when a session is recorded (the count is part of its key).
    QHash<QString, QByteArray> days_;
    QAbstractSocket::SocketError listen_error_ = QAbstractSocket::UnknownSocketError;
};
