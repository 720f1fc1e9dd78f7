#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <fstream>
#include <string>

#include "RawClient.h"

// What a WebSocket client sends, by hand: the upgrade request and masked frames.
inline QByteArray UpgradeRequest(const QByteArray& extra_fields = {}) {
    return "GET /ws HTTP/1.1\r\nHost: localhost\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
           "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n" +
           extra_fields + "\r\n";
}

// A client frame (payload up to 125 bytes), masked as clients must.
inline QByteArray MaskedFrame(quint8 opcode, const QByteArray& payload) {
    QByteArray frame;
    frame += char(0x80 | opcode);
    frame += char(0x80 | payload.size());
    const char key[4] = {0x12, 0x34, 0x56, 0x78};
    frame.append(key, 4);
    for (qsizetype i = 0; i < payload.size(); ++i) {
        frame += char(payload[i] ^ key[i % 4]);
    }
    return frame;
}

// A raw client through the upgrade: true once the server answered 101.
inline bool OpenRawWebSocket(RawClient& client, quint16 port,
                             const QHostAddress& from = QHostAddress::LocalHost) {
    if (!client.Connect(port, from)) {
        return false;
    }
    client.Send(UpgradeRequest());
    return client.ReadResponses(1).startsWith("HTTP/1.1 101 ");
}

// Resident memory of this process in KiB (Linux), 0 where unknown.
inline qint64 ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stoll(line.substr(6));
        }
    }
    return 0;
}

// The text messages of a feed, parsed, for tests that look at what came.
struct FeedLog {
    QList<QJsonObject> messages;
    void Add(const QString& text) { messages << QJsonDocument::fromJson(text.toUtf8()).object(); }
    int States() const {
        int count = 0;
        for (const QJsonObject& message : messages) {
            count += message.contains("karts") ? 1 : 0;
        }
        return count;
    }
    int Heartbeats() const {
        int count = 0;
        for (const QJsonObject& message : messages) {
            count += message["heartbeat"].toBool() ? 1 : 0;
        }
        return count;
    }
};
