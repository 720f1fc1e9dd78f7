// WebSocket clients for the serve-pass benchmark, in a process of their own as
// phones would be: `ws_clients PORT COUNT [SECONDS]` opens COUNT connections to
// ws://127.0.0.1:PORT/ws (handshake by hand), throws every update away, and runs
// until it is killed, or for SECONDS, then prints the bytes each client received
// per second. The server takes at most 16 connections from one address, so the
// clients come from 127.0.0.1, 127.0.0.2, ... sixteen each, as phones would.
#include <QCoreApplication>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        return 2;
    }
    const auto port = quint16(std::atoi(argv[1]));
    const int count = std::atoi(argv[2]);
    const int seconds = argc > 3 ? std::atoi(argv[3]) : 0;
    qint64 received = 0;
    const QByteArray handshake =
        "GET /ws HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
        "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
        "Sec-WebSocket-Version: 13\r\n\r\n";
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    for (int i = 0; i < count; ++i) {
        auto socket = std::make_unique<QTcpSocket>();
        QTcpSocket* raw = socket.get();
        QObject::connect(raw, &QTcpSocket::readyRead,
                         [raw, &received] { received += raw->readAll().size(); });
        QObject::connect(raw, &QTcpSocket::connected, [raw, handshake] { raw->write(handshake); });
        raw->bind(QHostAddress(quint32(0x7f000001 + i / 16)));
        raw->connectToHost(QHostAddress::LocalHost, port);
        sockets.push_back(std::move(socket));
    }
    if (seconds > 0) {
        QTimer::singleShot(seconds * 1000, [&] {
            int connected = 0;
            for (const auto& socket : sockets) {
                connected += socket->state() == QAbstractSocket::ConnectedState ? 1 : 0;
            }
            std::printf("clients=%d connected=%d bytes_per_client_per_second=%.1f\n", count,
                        connected, double(received) / std::max(1, count) / seconds);
            QCoreApplication::quit();
        });
    }
    return QCoreApplication::exec();
}
