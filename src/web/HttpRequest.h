#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QList>
#include <QPair>

// The head of one HTTP/1.x request, parsed from the bytes received so far. The
// server only serves GET without a body, so the head is all it ever reads.
struct HeadLimits {
    qsizetype max_request_line = 2048;  // bytes before the first CR LF
    qsizetype max_head = 8192;          // request line and header fields together
    int max_fields = 64;
};

enum class HeadStatus {
    kIncomplete,  // no blank line yet and no limit passed: wait for more bytes
    kComplete,
    kBad,       // not an HTTP request: 400
    kTooLarge,  // a limit passed: 431 (or 414 for the request line)
    kUriTooLong,
    kVersionNotSupported,  // HTTP, but not 1.x: 505
};

struct RequestHead {
    QByteArray method;
    QByteArray target;
    QByteArray version;
    QList<QPair<QByteArray, QByteArray>> fields;  // names in lower case, values trimmed

    // The first field of that (lower-case) name, or an empty array.
    QByteArray Field(QByteArrayView lower_case_name) const;
    // Connection: close, or HTTP/1.0 without keep-alive.
    bool WantsClose() const;
    // Upgrade: websocket (the handshake's own checks are QWebSocketServer's).
    bool WantsWebSocket() const;
    // The host the request is for: the authority of an absolute URL in the request
    // line, which takes the place of Host, else the Host field.
    QByteArray Authority() const;
};

struct HeadParse {
    HeadStatus status = HeadStatus::kIncomplete;
    RequestHead head;
    qsizetype length = 0;  // bytes of the head, the final blank line included
};

// A WebSocket upgrade that cannot succeed is answered here, with a status the
// client understands, instead of being closed without a word by the handshake:
// 426 for a version other than 13 (the answer names 13), 400 for a missing or
// malformed key. 0 when the handshake may go ahead.
int WebSocketHandshakeRefusal(const RequestHead& head);

HeadParse ParseRequestHead(QByteArrayView bytes, const HeadLimits& limits = {});

// A complete head this server must refuse with 400 whatever it asks for: HTTP/1.1
// without exactly one Host, a Content-Length that is no number or differs from
// another one, or a body (a request the server would read past as the next one).
// 0 when it may be served.
int RequestHeadRefusal(const RequestHead& head);

// What a request target names. Only fixed paths match; nothing of the target is
// ever turned into a file name, and the day of a sessions request is checked to be
// a real date in the yyyy_mm_dd form.
enum class RouteKind {
    kNotFound,
    kPage,         // a built-in page or its script or style sheet: resource
    kLive,         // /api/live
    kDaySessions,  // /api/sessions/<yyyy_mm_dd>: day
    kDayList,      // /api/days
    kWebSocket,    // /ws
};

struct Route {
    RouteKind kind = RouteKind::kNotFound;
    QByteArray resource;  // ":/web/..." of a page
    QByteArray content_type;
    QDate day;
};

// The query string (after '?') is ignored; an absolute URL ("http://host/tv") names
// its path.
Route RouteTarget(QByteArrayView target);

// A day in the folder form yyyy_mm_dd that is a real date, or an invalid date.
QDate ParseDayName(QByteArrayView text);
