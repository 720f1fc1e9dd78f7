#include "HttpResponse.h"

namespace {

QByteArrayView ReasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 408:
            return "Request Timeout";
        case 414:
            return "URI Too Long";
        case 421:
            return "Misdirected Request";
        case 426:
            return "Upgrade Required";
        case 431:
            return "Request Header Fields Too Large";
        case 500:
            return "Internal Server Error";
        case 503:
            return "Service Unavailable";
        case 505:
            return "HTTP Version Not Supported";
        default:
            return "Error";
    }
}

}  // namespace

QByteArray HttpResponse(int status, QByteArrayView content_type, QByteArrayView body,
                        bool close_connection, QByteArrayView extra_fields) {
    QByteArray out;
    out.reserve(body.size() + 600);
    out += "HTTP/1.1 " + QByteArray::number(status) + ' ';
    out += ReasonPhrase(status);
    out += "\r\n";
    out += "Content-Type: " + content_type.toByteArray() + "\r\n";
    out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    out += "Content-Security-Policy: ";
    out += kContentSecurityPolicy;
    out += "\r\n";
    out += "X-Content-Type-Options: nosniff\r\n";
    out += "X-Frame-Options: DENY\r\n";
    out += "Referrer-Policy: no-referrer\r\n";
    out += "Cache-Control: no-store\r\n";
    out += close_connection ? "Connection: close\r\n" : "Connection: keep-alive\r\n";
    out += extra_fields;
    out += "\r\n";
    out += body;
    return out;
}

QByteArray HttpError(int status, bool close_connection, QByteArrayView extra_fields) {
    QByteArray body = QByteArray::number(status) + ' ';
    body += ReasonPhrase(status);
    body += '\n';
    return HttpResponse(status, "text/plain; charset=utf-8", body, close_connection, extra_fields);
}

QByteArray WithoutBody(const QByteArray& response) {
    const qsizetype end = response.indexOf("\r\n\r\n");
    return end < 0 ? response : response.first(end + 4);
}
