#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The pages may load only their own scripts, styles and feed: no inline script, no
// other origin, no framing. A driver name that slips into markup still runs nothing.
inline constexpr char kContentSecurityPolicy[] =
    "default-src 'self'; script-src 'self'; style-src 'self'; img-src 'self' data:; "
    "connect-src 'self' ws: wss:; object-src 'none'; base-uri 'none'; form-action 'none'; "
    "frame-ancestors 'none'";

// A complete HTTP/1.1 response with the security headers every answer carries.
// extra_fields are whole lines ending CR LF ("Allow: GET\r\n").
QByteArray HttpResponse(int status, QByteArrayView content_type, QByteArrayView body,
                        bool close_connection, QByteArrayView extra_fields = {});

// A short plain-text error response ("405 Method Not Allowed").
QByteArray HttpError(int status, bool close_connection, QByteArrayView extra_fields = {});

// The answer to HEAD: the response's status and fields, Content-Length included,
// without its body.
QByteArray WithoutBody(const QByteArray& response);
