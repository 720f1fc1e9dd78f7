#pragma once

#include <QTcpServer>
#include <QTcpSocket>
#include <memory>
#include <vector>

// A TCP relay on 127.0.0.1 between a browser and the server. Paused, it passes
// nothing either way and closes nothing, as when a phone roams off the Wi-Fi or the
// station's process is stopped; resumed, it passes on what it held.
class PausableProxy {
  public:
    bool Listen(quint16 target_port) {
        target_ = target_port;
        QObject::connect(&server_, &QTcpServer::newConnection, [this] { Accept(); });
        return server_.listen(QHostAddress::LocalHost, 0);
    }
    quint16 port() const { return server_.serverPort(); }
    void Pause() { paused_ = true; }
    void Resume() {
        paused_ = false;
        for (auto& pair : pairs_) {
            Pass(*pair.first, *pair.second);
            Pass(*pair.second, *pair.first);
        }
    }

  private:
    void Accept() {
        while (server_.hasPendingConnections()) {
            auto browser = std::unique_ptr<QTcpSocket>(server_.nextPendingConnection());
            browser->setParent(nullptr);
            auto station = std::make_unique<QTcpSocket>();
            station->connectToHost(QHostAddress::LocalHost, target_);
            QTcpSocket* a = browser.get();
            QTcpSocket* b = station.get();
            QObject::connect(a, &QTcpSocket::readyRead, [this, a, b] { Pass(*a, *b); });
            QObject::connect(b, &QTcpSocket::readyRead, [this, a, b] { Pass(*b, *a); });
            QObject::connect(b, &QTcpSocket::connected, [this, a, b] { Pass(*a, *b); });
            QObject::connect(a, &QTcpSocket::disconnected, b, &QTcpSocket::disconnectFromHost);
            QObject::connect(b, &QTcpSocket::disconnected, a, &QTcpSocket::disconnectFromHost);
            pairs_.emplace_back(std::move(browser), std::move(station));
        }
    }
    void Pass(QTcpSocket& from, QTcpSocket& to) {
        if (!paused_ && to.state() == QAbstractSocket::ConnectedState) {
            to.write(from.readAll());
        }
    }

    QTcpServer server_;
    quint16 target_ = 0;
    bool paused_ = false;
    std::vector<std::pair<std::unique_ptr<QTcpSocket>, std::unique_ptr<QTcpSocket>>> pairs_;
};
