#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWebSocket>

#include "RawClient.h"

// A page in headless chromium, read while it runs through the DevTools protocol
// (the browser's own debugging port, on 127.0.0.1). --dump-dom prints the page
// only once, when virtual time runs out, which comes before later WebSocket
// updates arrive; this reads the DOM as often as a test likes.
class DevToolsPage {
  public:
    ~DevToolsPage() {
        devtools_.abort();
        if (browser_.state() != QProcess::NotRunning) {
            browser_.kill();
            browser_.waitForFinished(5000);
        }
    }

    // Starts the browser on url and connects to its page; false when that fails
    // within 30 s.
    bool Open(const QString& chromium, const QString& url, const QString& window_size) {
        browser_.start(chromium, {QStringLiteral("--headless=new"), QStringLiteral("--no-sandbox"),
                                  QStringLiteral("--disable-gpu"), QStringLiteral("--no-first-run"),
                                  QStringLiteral("--remote-debugging-port=0"),
                                  QStringLiteral("--user-data-dir=") + profile_.path(),
                                  QStringLiteral("--window-size=") + window_size, url});
        // The browser writes the port it chose into the profile.
        QFile port_file(profile_.path() + QStringLiteral("/DevToolsActivePort"));
        if (!QTest::qWaitFor([&] { return port_file.exists() && port_file.size() > 0; }, 30'000)) {
            return false;
        }
        QTest::qWait(100);
        if (!port_file.open(QIODevice::ReadOnly)) {
            return false;
        }
        const quint16 port = quint16(port_file.readLine().trimmed().toUInt());
        QString socket_url;
        const bool found = QTest::qWaitFor(
            [&] {
                RawClient client;
                if (!client.Connect(port)) {
                    return false;
                }
                // The page addresses it returns are built from this Host.
                client.Send("GET /json/list HTTP/1.1\r\nHost: 127.0.0.1:" +
                            QByteArray::number(port) + "\r\nConnection: close\r\n\r\n");
                const QByteArray response = client.ReadUntilClosed();
                const QJsonArray targets =
                    QJsonDocument::fromJson(response.mid(response.indexOf("\r\n\r\n") + 4)).array();
                for (const auto& target : targets) {
                    const QJsonObject page = target.toObject();
                    if (page["type"].toString() == "page" && page["url"].toString() == url) {
                        socket_url = page["webSocketDebuggerUrl"].toString();
                        return true;
                    }
                }
                QTest::qWait(100);
                return false;
            },
            30'000);
        if (!found) {
            return false;
        }
        QObject::connect(&devtools_, &QWebSocket::textMessageReceived,
                         [this](const QString& text) { replies_ << text; });
        devtools_.open(QUrl(socket_url));
        if (!QTest::qWaitFor([&] { return devtools_.state() == QAbstractSocket::ConnectedState; },
                             10'000)) {
            return false;
        }
        // A headless window's page is smaller than the window (and at least 500 wide):
        // the page gets exactly the size asked for, as a phone (below 800 wide) or a
        // screen gives it.
        const QStringList size = window_size.split(QLatin1Char(','));
        const int width = size.value(0).toInt();
        Call(QStringLiteral("Emulation.setDeviceMetricsOverride"),
             QJsonObject{{"width", width},
                         {"height", size.value(1).toInt()},
                         {"deviceScaleFactor", 1},
                         {"mobile", width < 800}});
        return true;
    }

    // Calls a DevTools method and returns its reply's result (empty on failure).
    QJsonObject Call(const QString& method, const QJsonObject& params) {
        const int id = ++last_id_;
        devtools_.sendTextMessage(QString::fromUtf8(
            QJsonDocument(QJsonObject{{"id", id}, {"method", method}, {"params", params}})
                .toJson(QJsonDocument::Compact)));
        QJsonObject result;
        (void)QTest::qWaitFor(
            [&] {
                for (qsizetype i = 0; i < replies_.size(); ++i) {
                    const QJsonObject reply =
                        QJsonDocument::fromJson(replies_[i].toUtf8()).object();
                    if (reply["id"].toInt() == id) {
                        result = reply["result"].toObject();
                        replies_.removeAt(i);
                        return true;
                    }
                }
                return false;
            },
            5000);
        return result;
    }

    // The value of a JavaScript expression in the page, as text; empty on failure.
    QString Evaluate(const QString& expression) {
        const QJsonObject result =
            Call(QStringLiteral("Runtime.evaluate"),
                 QJsonObject{{"expression", expression}, {"returnByValue", true}});
        const QJsonValue value = result["result"].toObject()["value"];
        return value.isString() ? value.toString() : QString::number(value.toDouble());
    }

    // The page as shown, into a PNG file; false when that fails.
    bool Screenshot(const QString& path) {
        const QByteArray png = QByteArray::fromBase64(
            Call(QStringLiteral("Page.captureScreenshot"), QJsonObject{{"format", "png"}})["data"]
                .toString()
                .toLatin1());
        QFile file(path);
        return !png.isEmpty() && file.open(QIODevice::WriteOnly) && file.write(png) == png.size();
    }

    // Waits until the expression gives a text holding `part`; false after wait_ms.
    bool WaitFor(const QString& expression, const QString& part, int wait_ms = 10'000) {
        return QTest::qWaitFor([&] { return Evaluate(expression).contains(part); }, wait_ms);
    }

  private:
    QTemporaryDir profile_;
    QProcess browser_;
    QWebSocket devtools_;
    QStringList replies_;
    int last_id_ = 0;
};
