#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <memory>

#include "LiveTimingServer.h"
#include "RawClient.h"
#include "WebFixture.h"

// A server on 127.0.0.1 fed by a station of its own, and raw requests to it.
class LiveTimingServerTest : public ::testing::Test, public StationFixture {
  protected:
    void Start(ServerLimits limits = {}) {
        server_ = std::make_unique<LiveTimingServer>(station_, limits);
        QString error;
        ASSERT_TRUE(server_->Listen(QHostAddress::LocalHost, 0, &error)) << error.toStdString();
        port_ = server_->port();
    }
    // One request on a fresh connection, answered and closed.
    QByteArray Get(const QByteArray& target) {
        return Exchange("GET " + target +
                        " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    }
    QByteArray Exchange(const QByteArray& request) {
        RawClient client;
        if (!client.Connect(port_)) {
            return "not connected";
        }
        client.Send(request);
        return client.ReadUntilClosed();
    }
    static QByteArray Body(const QByteArray& response) {
        return response.mid(response.indexOf("\r\n\r\n") + 4);
    }

    std::unique_ptr<LiveTimingServer> server_;
    quint16 port_ = 0;
};
