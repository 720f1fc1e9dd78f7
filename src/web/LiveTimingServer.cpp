#include "LiveTimingServer.h"

#include <QJsonDocument>

#include "DayReader.h"
#include "LiveBoard.h"
#include "LiveTimingNetwork.h"
#include "Station.h"

LiveTimingServer::LiveTimingServer(const Station& station, ServerLimits limits, QObject* parent)
    : QObject(parent), station_(station) {
    network_ = new LiveTimingNetwork(snapshot_, limits);
    network_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, network_, &QObject::deleteLater);
    connect(network_, &LiveTimingNetwork::SnapshotWanted, this, [this] { Publish(true); });
    connect(network_, &LiveTimingNetwork::ClientCountChanged, this,
            &LiveTimingServer::OnClientCountChanged);
    days_ = new DayReader(station_.program_folder());
    days_->moveToThread(&days_thread_);
    connect(&days_thread_, &QThread::finished, days_, &QObject::deleteLater);
    connect(network_, &LiveTimingNetwork::DayWanted, days_, &DayReader::Read);
    connect(days_, &DayReader::Answered, network_, &LiveTimingNetwork::OnDayRead);
    thread_.setObjectName(QStringLiteral("LiveTiming"));
    thread_.start();
    days_thread_.setObjectName(QStringLiteral("LiveTimingDays"));
    days_thread_.start();
    // A lap reaches the clients within about one check interval plus their share.
    publish_timer_.setInterval(limits.check_interval_ms);
    connect(&publish_timer_, &QTimer::timeout, this, [this] { Publish(false); });
}

LiveTimingServer::~LiveTimingServer() {
    Close();
    thread_.quit();
    thread_.wait();
    days_thread_.quit();
    days_thread_.wait();
}

bool LiveTimingServer::Listen(const QHostAddress& address, quint16 port, QString* error_message,
                              const QStringList& host_names) {
    bool ok = false;
    QString message;
    QAbstractSocket::SocketError error = QAbstractSocket::UnknownSocketError;
    // The sockets must be made on the thread they live on. The network thread
    // never waits for this one, so the blocking call cannot deadlock.
    QMetaObject::invokeMethod(
        network_,
        [&] {
            ok = network_->Listen(address, port, host_names, &message, &error);
            port_ = network_->port();
        },
        Qt::BlockingQueuedConnection);
    listening_ = ok;
    if (!ok) {
        listen_error_ = error;
        port_ = 0;
        if (error_message != nullptr) {
            *error_message = message;
        }
    }
    return ok;
}

void LiveTimingServer::Close() {
    publish_timer_.stop();
    if (thread_.isRunning()) {
        QMetaObject::invokeMethod(
            network_, [this] { network_->Close(); }, Qt::BlockingQueuedConnection);
    }
    listening_ = false;
    port_ = 0;
}

bool LiveTimingServer::IsListening() const {
    return listening_;
}

quint16 LiveTimingServer::port() const {
    return port_;
}

int LiveTimingServer::http_connection_count() const {
    return network_->http_connection_count();
}

int LiveTimingServer::handshake_count() const {
    return network_->handshake_count();
}

int LiveTimingServer::websocket_client_count() const {
    return network_->websocket_client_count();
}

void LiveTimingServer::OnClientCountChanged(int count) {
    if (count > 0 && listening_) {
        publish_timer_.start();
    } else {
        publish_timer_.stop();
    }
}

void LiveTimingServer::SetRecords(const RecordsBoard& board) {
    records_ = board;
    have_records_ = true;
    ++records_serial_;
}

void LiveTimingServer::Publish(bool asked) {
    // Building the JSON forty times a second for nothing would cost more than
    // comparing the key.
    clocks_.Update(station_, SteadyMs());
    QByteArray key = LiveBoardKey(station_, clocks_);
    key.append(reinterpret_cast<const char*>(&records_serial_), sizeof(records_serial_));
    if (latest_json_.isEmpty() || key != latest_key_) {
        latest_key_ = std::move(key);
        latest_json_ =
            QJsonDocument(LiveBoardJson(station_, clocks_, have_records_ ? &records_ : nullptr))
                .toJson(QJsonDocument::Compact);
    }
    // The network thread is woken only for news or for an answer it waits for.
    if (!snapshot_.Publish(latest_json_) && !asked) {
        return;
    }
    QMetaObject::invokeMethod(network_, &LiveTimingNetwork::OnPublished, Qt::QueuedConnection);
}
