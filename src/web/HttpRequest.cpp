#include "HttpRequest.h"

#include <algorithm>
#include <array>

namespace {

bool IsTokenChar(char c) {
    // RFC 9110 tchar.
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
        return true;
    }
    return QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

bool IsToken(QByteArrayView text) {
    if (text.isEmpty()) {
        return false;
    }
    for (char c : text) {
        if (!IsTokenChar(c)) {
            return false;
        }
    }
    return true;
}

// Visible ASCII only: no blanks, controls or bytes above 0x7e in a target.
bool IsTargetText(QByteArrayView text) {
    if (text.isEmpty()) {
        return false;
    }
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7f) {
            return false;
        }
    }
    return true;
}

bool IsDigits(QByteArrayView text) {
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "HTTP/1.0" and "HTTP/1.1" are served, and so is a later 1.x as 1.1 (RFC 9112);
// HTTP of another major version gets 505, anything else is no HTTP.
HeadStatus CheckVersion(QByteArrayView version) {
    if (!version.startsWith("HTTP/")) {
        return HeadStatus::kBad;
    }
    const QByteArrayView number = version.sliced(5);
    const qsizetype dot = number.indexOf('.');
    const QByteArrayView major = dot < 0 ? number : number.first(dot);
    const QByteArrayView minor = dot < 0 ? QByteArrayView() : number.sliced(dot + 1);
    if (!IsDigits(major) || (dot >= 0 && !IsDigits(minor))) {
        return HeadStatus::kBad;
    }
    return major == "1" && dot >= 0 ? HeadStatus::kComplete : HeadStatus::kVersionNotSupported;
}

// "http://host:port/path?query" -> the authority and the path with its query.
bool SplitAbsoluteUrl(QByteArrayView target, QByteArrayView* authority, QByteArrayView* path) {
    qsizetype scheme_end = -1;
    for (QByteArrayView scheme : {QByteArrayView("http://"), QByteArrayView("https://")}) {
        if (target.size() > scheme.size() &&
            target.first(scheme.size()).compare(scheme, Qt::CaseInsensitive) == 0) {
            scheme_end = scheme.size();
        }
    }
    if (scheme_end < 0) {
        return false;
    }
    const QByteArrayView rest = target.sliced(scheme_end);
    qsizetype end = rest.size();
    for (char c : {'/', '?'}) {
        if (const qsizetype at = rest.indexOf(c); at >= 0 && at < end) {
            end = at;
        }
    }
    *authority = rest.first(end);
    *path = rest.sliced(end);
    return true;
}

HeadStatus ParseRequestLine(QByteArrayView line, RequestHead* head) {
    const qsizetype first = line.indexOf(' ');
    if (first <= 0) {
        return HeadStatus::kBad;
    }
    const qsizetype second = line.indexOf(' ', first + 1);
    if (second < 0 || line.indexOf(' ', second + 1) >= 0) {
        return HeadStatus::kBad;
    }
    const QByteArrayView method = line.first(first);
    const QByteArrayView target = line.sliced(first + 1, second - first - 1);
    const QByteArrayView version = line.sliced(second + 1);
    if (!IsToken(method) || !IsTargetText(target)) {
        return HeadStatus::kBad;
    }
    const HeadStatus version_status = CheckVersion(version);
    if (version_status != HeadStatus::kComplete) {
        return version_status;
    }
    head->method = method.toByteArray();
    head->target = target.toByteArray();
    head->version = version.toByteArray();
    return HeadStatus::kComplete;
}

bool ParseField(QByteArrayView line, RequestHead* head) {
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0) {
        return false;
    }
    const QByteArrayView name = line.first(colon);
    if (!IsToken(name)) {  // also refuses blanks before the colon
        return false;
    }
    QByteArrayView value = line.sliced(colon + 1).trimmed();
    for (char c : value) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7f) {
            return false;
        }
    }
    head->fields.append({name.toByteArray().toLower(), value.toByteArray()});
    return true;
}

bool HasToken(QByteArrayView list, QByteArrayView token) {
    for (QByteArrayView part : QByteArray(list.toByteArray()).split(',')) {
        if (part.trimmed().compare(token, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

QByteArray RequestHead::Field(QByteArrayView lower_case_name) const {
    for (const auto& field : fields) {
        if (field.first == lower_case_name) {
            return field.second;
        }
    }
    return {};
}

bool RequestHead::WantsClose() const {
    const QByteArray connection = Field("connection");
    if (HasToken(connection, "close")) {
        return true;
    }
    return version == "HTTP/1.0" && !HasToken(connection, "keep-alive");
}

bool RequestHead::WantsWebSocket() const {
    return HasToken(Field("upgrade"), "websocket");
}

QByteArray RequestHead::Authority() const {
    QByteArrayView authority;
    QByteArrayView path;
    if (SplitAbsoluteUrl(target, &authority, &path)) {
        return authority.toByteArray();
    }
    return Field("host");
}

int WebSocketHandshakeRefusal(const RequestHead& head) {
    if (head.Field("sec-websocket-version") != "13") {
        return 426;
    }
    // RFC 6455: the key is 16 random bytes in base64.
    const auto key = QByteArray::fromBase64Encoding(head.Field("sec-websocket-key"),
                                                    QByteArray::AbortOnBase64DecodingErrors);
    if (!key || key.decoded.size() != 16) {
        return 400;
    }
    return 0;
}

HeadParse ParseRequestHead(QByteArrayView bytes, const HeadLimits& limits) {
    HeadParse result;
    // Blank lines before a request are allowed by RFC 9112; a client that sends
    // only those still runs into the head limit.
    qsizetype start = 0;
    while (bytes.sliced(start).startsWith("\r\n")) {
        start += 2;
    }
    const qsizetype line_end = bytes.indexOf("\r\n", start);
    if (line_end < 0) {
        if (bytes.size() - start > limits.max_request_line) {
            result.status = HeadStatus::kUriTooLong;
        } else if (bytes.size() > limits.max_head) {
            result.status = HeadStatus::kTooLarge;
        }
        return result;
    }
    if (line_end - start > limits.max_request_line) {
        result.status = HeadStatus::kUriTooLong;
        return result;
    }
    const qsizetype head_end = bytes.indexOf("\r\n\r\n", line_end);
    if (head_end < 0) {
        if (bytes.size() > limits.max_head) {
            result.status = HeadStatus::kTooLarge;
        }
        return result;
    }
    if (head_end + 4 > limits.max_head) {
        result.status = HeadStatus::kTooLarge;
        return result;
    }
    result.status = ParseRequestLine(bytes.sliced(start, line_end - start), &result.head);
    if (result.status != HeadStatus::kComplete) {
        return result;
    }
    qsizetype pos = line_end + 2;
    int count = 0;
    while (pos < head_end + 2) {
        const qsizetype end = bytes.indexOf("\r\n", pos);
        if (++count > limits.max_fields) {
            result.status = HeadStatus::kTooLarge;
            return result;
        }
        if (!ParseField(bytes.sliced(pos, end - pos), &result.head)) {
            result.status = HeadStatus::kBad;
            return result;
        }
        pos = end + 2;
    }
    result.length = head_end + 4;
    return result;
}

int RequestHeadRefusal(const RequestHead& head) {
    int hosts = 0;
    QByteArray length;
    for (const auto& [name, value] : head.fields) {
        if (name == "host") {
            ++hosts;
        } else if (name == "transfer-encoding") {
            return 400;
        } else if (name == "content-length") {
            // "5, 5" and two fields of 5 are one length; "0, 5" or "x" are none.
            for (const QByteArray& part : value.split(',')) {
                const QByteArray number = part.trimmed();
                if (!IsDigits(number) || (!length.isNull() && number != length)) {
                    return 400;
                }
                length = number;
            }
        }
    }
    if (hosts > 1 || (hosts == 0 && head.version != "HTTP/1.0")) {
        return 400;
    }
    // Every request served is a GET or HEAD without a body.
    if (!length.isNull() && length.count('0') != length.size()) {
        return 400;
    }
    return 0;
}

QDate ParseDayName(QByteArrayView text) {
    if (text.size() != 10 || text[4] != '_' || text[7] != '_') {
        return {};
    }
    const std::array<qsizetype, 8> digits = {0, 1, 2, 3, 5, 6, 8, 9};
    for (qsizetype i : digits) {
        if (text[i] < '0' || text[i] > '9') {
            return {};
        }
    }
    const int year = text.first(4).toInt();
    const int month = text.sliced(5, 2).toInt();
    const int day = text.sliced(8, 2).toInt();
    // QDate accepts years the folder form cannot hold; year 0 does not exist.
    if (year < 1) {
        return {};
    }
    return QDate(year, month, day);  // invalid for 2023_02_30 and the like
}

Route RouteTarget(QByteArrayView target) {
    QByteArrayView path = target;
    QByteArrayView authority;
    if (SplitAbsoluteUrl(target, &authority, &path) && path.isEmpty()) {
        path = "/";
    }
    if (const qsizetype query = path.indexOf('?'); query >= 0) {
        path = path.first(query);
    }
    struct Fixed {
        const char* path;
        const char* resource;
        const char* content_type;
    };
    static constexpr std::array<Fixed, 9> kPages = {{
        {"/", ":/web/index.html", "text/html; charset=utf-8"},
        {"/tv", ":/web/tv.html", "text/html; charset=utf-8"},
        {"/today", ":/web/today.html", "text/html; charset=utf-8"},
        {"/board.js", ":/web/board.js", "text/javascript; charset=utf-8"},
        {"/today.js", ":/web/today.js", "text/javascript; charset=utf-8"},
        {"/feed.js", ":/web/feed.js", "text/javascript; charset=utf-8"},
        {"/theme.js", ":/web/theme.js", "text/javascript; charset=utf-8"},
        {"/board.css", ":/web/board.css", "text/css; charset=utf-8"},
        {"/favicon.ico", nullptr, nullptr},
    }};
    Route route;
    for (const Fixed& page : kPages) {
        if (path == page.path) {
            if (page.resource != nullptr) {
                route.kind = RouteKind::kPage;
                route.resource = page.resource;
                route.content_type = page.content_type;
            }
            return route;
        }
    }
    if (path == "/api/live") {
        route.kind = RouteKind::kLive;
        return route;
    }
    if (path == "/ws") {
        route.kind = RouteKind::kWebSocket;
        return route;
    }
    if (path == "/api/days") {
        route.kind = RouteKind::kDayList;
        return route;
    }
    const QByteArrayView prefix = "/api/sessions/";
    if (path.startsWith(prefix)) {
        const QDate day = ParseDayName(path.sliced(prefix.size()));
        if (day.isValid()) {
            route.kind = RouteKind::kDaySessions;
            route.day = day;
        }
    }
    return route;
}
