// WebSocket clients for the serve-pass benchmark, in a process of their own as
// phones would be: `ws_clients PORT COUNT` opens COUNT connections to
// ws://127.0.0.1:PORT/ws (handshake by hand), throws every update away, and runs
// until it is killed.
#include <QCoreApplication>
#include <QTcpSocket>
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
    const QByteArray handshake =
        "GET /ws HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
        "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
        "Sec-WebSocket-Version: 13\r\n\r\n";
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    for (int i = 0; i < count; ++i) {
        auto socket = std::make_unique<QTcpSocket>();
        QTcpSocket* raw = socket.get();
        QObject::connect(raw, &QTcpSocket::readyRead, [raw] { raw->readAll(); });
        QObject::connect(raw, &QTcpSocket::connected, [raw, handshake] { raw->write(handshake); });
        raw->connectToHost(QHostAddress::LocalHost, port);
        sockets.push_back(std::move(socket));
    }
    return QCoreApplication::exec();
}
