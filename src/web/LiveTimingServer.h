#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QThread>
#include <QTimer>

#include "LiveClocks.h"
#include "LiveSnapshot.h"
#include "RecordsIndex.h"
#include "ServerLimits.h"

class DayReader;
class LiveTimingNetwork;
class Station;

// The read-only live timing server: the pages, /api/live, /api/sessions/<day>,
// /api/days and the /ws feed.
//
// Two halves, and a helper. This object stays on the thread that owns the station (the UI
// thread): it alone reads the kart slots, and it builds the /api/live JSON and
// publishes it as an immutable snapshot, while WebSocket clients are connected
// every check interval and otherwise when the network side asks for one. The
// sockets live in LiveTimingNetwork on a thread of its own with its own event
// loop, so the poll loop's event pass after every frame never polls them: with
// 200 phones connected that poll was half the cost of a frame. Publishing from
// this thread's timer also keeps pages updating while a modal dialog runs its own
// event loop. Recorded days are read by a DayReader on a third thread, so a day of
// 100 sessions holds up neither.
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
    // host_names: names the station is reached by besides its own host name and
    // addresses (requests for other names are refused).
    bool Listen(const QHostAddress& address, quint16 port, QString* error_message,
                const QStringList& host_names = {});
    void Close();
    bool IsListening() const;
    quint16 port() const;
    // Why the last Listen failed (AddressInUseError for a port that is taken).
    QAbstractSocket::SocketError listen_error() const { return listen_error_; }

    // Counted on the network thread; they may lag behind by an event-loop pass.
    int http_connection_count() const;
    int handshake_count() const;
    int websocket_client_count() const;
    // Snapshots published so far (one per check while clients are connected).
    quint64 publish_count() const { return snapshot_.Latest().serial; }

    // The records the board shows (RecordsUpdater::board()), made off this thread;
    // none until given.
    void SetRecords(const RecordsBoard& board);

  private:
    // asked: the network side waits for a snapshot, changed or not.
    void Publish(bool asked);
    void OnClientCountChanged(int count);

    const Station& station_;
    LiveSnapshot snapshot_;
    LiveClocks clocks_;
    QThread thread_;
    LiveTimingNetwork* network_ = nullptr;  // lives on thread_, deleted when it ends
    QThread days_thread_;
    DayReader* days_ = nullptr;  // lives on days_thread_, deleted when it ends
    QTimer publish_timer_;
    QByteArray latest_key_;  // LiveBoardKey of the last JSON built
    QByteArray latest_json_;
    RecordsBoard records_;
    bool have_records_ = false;
    quint64 records_serial_ = 0;  // part of the key: new records rebuild the JSON
    bool listening_ = false;
    quint16 port_ = 0;
    QAbstractSocket::SocketError listen_error_ = QAbstractSocket::UnknownSocketError;
};
