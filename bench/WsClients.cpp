// WebSocket clients for the serve-pass benchmark, in a process of their own as
// phones would be: `ws_clients PORT COUNT [SECONDS]` opens COUNT connections to
// ws://127.0.0.1:PORT/ws (handshake by hand), throws every update away, answers
// the server's pings as a browser does, and runs until it is killed, or for
// SECONDS, then prints the bytes and messages each client received per second.
// The server takes at most 16 connections from one address, so the clients come
// from 127.0.0.1, 127.0.0.2, ... sixteen each, as phones would.
#include <QCoreApplication>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

struct Client {
    QTcpSocket socket;
    QByteArray pending;  // bytes of a frame not complete yet
    bool upgraded = false;
};

// Takes the frames the server sent (unmasked, as servers send them); answers a
// ping with a masked pong of the same payload. Returns the text messages taken.
int TakeFrames(Client& client) {
    int texts = 0;
    QByteArray& data = client.pending;
    if (!client.upgraded) {
        const qsizetype end = data.indexOf("\r\n\r\n");
        if (end < 0) {
            return 0;
        }
        data.remove(0, end + 4);
        client.upgraded = true;
    }
    while (data.size() >= 2) {
        qint64 length = quint8(data[1]) & 0x7f;
        qsizetype head = 2;
        if (length == 126 || length == 127) {
            head = length == 126 ? 4 : 10;
            if (data.size() < head) {
                return texts;
            }
            length = 0;
            for (qsizetype i = 2; i < head; ++i) {
                length = (length << 8) | quint8(data[i]);
            }
        }
        if (data.size() < head + length) {
            return texts;
        }
        const int opcode = quint8(data[0]) & 0x0f;
        if (opcode == 0x1) {
            ++texts;
        } else if (opcode == 0x9 && length <= 125) {
            QByteArray pong;
            pong += char(0x8a);
            pong += char(0x80 | length);
            pong += QByteArray(4, '\0');  // a zero mask leaves the payload as it is
            pong += data.mid(head, length);
            client.socket.write(pong);
        }
        data.remove(0, head + length);
    }
    return texts;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        return 2;
    }
    const auto port = quint16(std::atoi(argv[1]));
    const int count = std::atoi(argv[2]);
    const int seconds = argc > 3 ? std::atoi(argv[3]) : 0;
    qint64 received = 0;
    qint64 texts = 0;
    const QByteArray handshake =
        "GET /ws HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
        "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
        "Sec-WebSocket-Version: 13\r\n\r\n";
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < count; ++i) {
        auto client = std::make_unique<Client>();
        Client* raw = client.get();
        QObject::connect(&raw->socket, &QTcpSocket::readyRead, [raw, &received, &texts] {
            const QByteArray bytes = raw->socket.readAll();
            received += bytes.size();
            raw->pending += bytes;
            texts += TakeFrames(*raw);
        });
        QObject::connect(&raw->socket, &QTcpSocket::connected,
                         [raw, handshake] { raw->socket.write(handshake); });
        raw->socket.bind(QHostAddress(quint32(0x7f000001 + i / 16)));
        raw->socket.connectToHost(QHostAddress::LocalHost, port);
        clients.push_back(std::move(client));
    }
    if (seconds > 0) {
        QTimer::singleShot(seconds * 1000, [&] {
            int connected = 0;
            for (const auto& client : clients) {
                connected += client->socket.state() == QAbstractSocket::ConnectedState ? 1 : 0;
            }
            std::printf(
                "clients=%d connected=%d bytes_per_client_per_second=%.1f "
                "messages_per_client_per_second=%.2f\n",
                count, connected, double(received) / std::max(1, count) / seconds,
                double(texts) / std::max(1, count) / seconds);
            QCoreApplication::quit();
        });
    }
    return QCoreApplication::exec();
}
