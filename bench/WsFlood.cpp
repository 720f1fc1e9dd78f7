// A hostile WebSocket client for the memory figure of the live timing server:
// `ws_flood PORT SECONDS` opens ws://127.0.0.1:PORT/ws (handshake by hand), then
// sends masked pings as fast as the connection takes them and never reads, for at
// most SECONDS. Prints how much it sent and whether the server closed on it.
// The station's memory is read meanwhile from outside (/proc/PID/status).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        return 2;
    }
    const auto port = quint16(std::atoi(argv[1]));
    const int seconds = std::atoi(argv[2]);
    QByteArray pings;
    const char key[4] = {0x12, 0x34, 0x56, 0x78};
    while (pings.size() < 64 * 1024) {
        pings += char(0x89);        // FIN, ping
        pings += char(0x80 | 125);  // masked, 125 bytes
        pings.append(key, 4);
        for (int i = 0; i < 125; ++i) {
            pings += char('p' ^ key[i % 4]);
        }
    }
    QTcpSocket socket;
    // Reads nothing beyond the handshake's answer: every pong stays with the server.
    socket.setReadBufferSize(4096);
    qint64 sent = 0;
    bool upgraded = false;
    QElapsedTimer clock;
    QObject::connect(&socket, &QTcpSocket::connected, [&] {
        socket.write(
            "GET /ws HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
            "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
            "Sec-WebSocket-Version: 13\r\n\r\n");
    });
    QTimer pump;
    QObject::connect(&pump, &QTimer::timeout, [&] {
        if (!upgraded && socket.bytesAvailable() > 0 &&
            socket.peek(12).startsWith("HTTP/1.1 101")) {
            upgraded = true;
            clock.start();
        }
        if (upgraded && socket.bytesToWrite() < 256 * 1024) {
            socket.write(pings);
            sent += pings.size();
        }
        if ((upgraded && clock.elapsed() > seconds * 1000) ||
            socket.state() == QAbstractSocket::UnconnectedState) {
            QCoreApplication::quit();
        }
    });
    pump.start(0);
    socket.connectToHost(QHostAddress::LocalHost, port);
    QCoreApplication::exec();
    std::printf("upgraded=%d sent_kib=%lld ms=%lld closed_by_server=%d\n", upgraded ? 1 : 0,
                sent / 1024, upgraded ? clock.elapsed() : 0LL,
                socket.state() == QAbstractSocket::UnconnectedState ? 1 : 0);
    return 0;
}
