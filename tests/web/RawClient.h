#pragma once

#include <QTcpSocket>
#include <QTest>

// A raw TCP client on 127.0.0.1 for the server in the same thread: every wait spins
// the event loop (QTest::qWaitFor), so the server answers while the test waits.
// Waits are bounded; a test that would hang fails instead.
class RawClient {
  public:
    static constexpr int kWaitMs = 5000;

    // from: the loopback address to connect from (127.0.0.2 is another "phone").
    bool Connect(quint16 port, const QHostAddress& from = QHostAddress::LocalHost) {
        if (from != QHostAddress::LocalHost && !socket_.bind(from)) {
            return false;
        }
        socket_.connectToHost(QHostAddress::LocalHost, port);
        return QTest::qWaitFor(
            [this] { return socket_.state() == QAbstractSocket::ConnectedState; }, kWaitMs);
    }
    void Send(const QByteArray& bytes) {
        socket_.write(bytes);
        socket_.flush();
    }
    // Everything until the server closes the connection.
    QByteArray ReadUntilClosed(int wait_ms = kWaitMs) {
        (void)QTest::qWaitFor([this] { return Closed(); }, wait_ms);
        received_ += socket_.readAll();
        return received_;
    }
    // Waits until the bytes received hold `count` responses (by their status lines).
    QByteArray ReadResponses(int count) {
        (void)QTest::qWaitFor(
            [this, count] {
                received_ += socket_.readAll();
                return received_.count("HTTP/1.1 ") >= count || Closed();
            },
            kWaitMs);
        return received_;
    }
    bool Closed() const { return socket_.state() == QAbstractSocket::UnconnectedState; }
    QTcpSocket& socket() { return socket_; }

  private:
    QTcpSocket socket_;
    QByteArray received_;
};
