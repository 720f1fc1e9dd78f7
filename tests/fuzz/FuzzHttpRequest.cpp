// Fuzz target: what the live timing server parses from the network, the request
// head and the route with its day. Parsing must never crash, a complete head must
// lie within the bytes and the limits, and a routed day must be the real date its
// name says.
#include <QByteArray>
#include <QDate>
#include <cstdint>

#include "FuzzCheck.h"
#include "HttpRequest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    HeadLimits limits;
    limits.max_request_line = 256;  // small limits, so inputs reach them
    limits.max_head = 1024;
    limits.max_fields = 16;
    const HeadParse parse = ParseRequestHead(bytes, limits);
    if (parse.status == HeadStatus::kComplete) {
        FUZZ_CHECK(parse.length > 0 && parse.length <= bytes.size());
        FUZZ_CHECK(parse.length <= limits.max_head);
        FUZZ_CHECK(bytes.mid(parse.length - 4, 4) == "\r\n\r\n");
        FUZZ_CHECK(parse.head.fields.size() <= limits.max_fields);
        FUZZ_CHECK(!parse.head.method.isEmpty() && !parse.head.target.isEmpty());
        FUZZ_CHECK(parse.head.version.startsWith("HTTP/1."));
        (void)parse.head.WantsClose();
        (void)parse.head.WantsWebSocket();
        (void)parse.head.Authority();
        const int head_refusal = RequestHeadRefusal(parse.head);
        FUZZ_CHECK(head_refusal == 0 || head_refusal == 400);
        const int refusal = WebSocketHandshakeRefusal(parse.head);
        FUZZ_CHECK(refusal == 0 || refusal == 400 || refusal == 426);
    } else {
        FUZZ_CHECK(parse.length == 0);
    }
    // The whole input as a target, and the target of a parsed head.
    for (const QByteArray& target : {bytes, parse.head.target}) {
        const Route route = RouteTarget(target);
        if (route.kind == RouteKind::kDaySessions) {
            FUZZ_CHECK(route.day.isValid());
            // An absolute URL names its path after the host.
            QByteArray path = target;
            const qsizetype scheme = path.indexOf("://");
            if (scheme >= 0 && !path.startsWith('/')) {
                path = path.mid(path.indexOf('/', scheme + 3));
            }
            path = path.left(path.indexOf('?') < 0 ? path.size() : path.indexOf('?'));
            FUZZ_CHECK(path == "/api/sessions/" + route.day.toString("yyyy_MM_dd").toLatin1());
        }
        if (route.kind == RouteKind::kPage) {
            FUZZ_CHECK(route.resource.startsWith(":/web/"));
        }
    }
    const QDate day = ParseDayName(bytes);
    if (day.isValid()) {
        FUZZ_CHECK(day.toString("yyyy_MM_dd").toLatin1() == bytes);
    }
    return 0;
}
