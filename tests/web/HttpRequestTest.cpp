#include <gtest/gtest.h>

#include "HttpRequest.h"
#include "HttpResponse.h"

namespace {

TEST(HttpRequestTest, CompleteHeadGivesMethodTargetAndLowerCaseFields) {
    const QByteArray bytes =
        "GET /api/live?x=1 HTTP/1.1\r\nHost: 127.0.0.1\r\nUPGRADE:  WebSocket \r\n"
        "Connection: keep-alive, Upgrade\r\n\r\nrest";
    const HeadParse parse = ParseRequestHead(bytes);
    ASSERT_EQ(parse.status, HeadStatus::kComplete);
    EXPECT_EQ(parse.length, bytes.size() - 4);
    EXPECT_EQ(parse.head.method, "GET");
    EXPECT_EQ(parse.head.target, "/api/live?x=1");
    EXPECT_EQ(parse.head.Field("host"), "127.0.0.1");
    EXPECT_EQ(parse.head.Field("upgrade"), "WebSocket");
    EXPECT_TRUE(parse.head.WantsWebSocket());
    EXPECT_FALSE(parse.head.WantsClose());
}

TEST(HttpRequestTest, ConnectionCloseAndHttp10WithoutKeepAliveClose) {
    EXPECT_TRUE(ParseRequestHead("GET / HTTP/1.1\r\nConnection: close\r\n\r\n").head.WantsClose());
    EXPECT_TRUE(ParseRequestHead("GET / HTTP/1.0\r\n\r\n").head.WantsClose());
    EXPECT_FALSE(
        ParseRequestHead("GET / HTTP/1.0\r\nConnection: Keep-Alive\r\n\r\n").head.WantsClose());
}

TEST(HttpRequestTest, PartialHeadWaitsAndMalformedHeadsAreRefused) {
    EXPECT_EQ(ParseRequestHead("GET / HTTP/1.1\r\nHost: a\r\n").status, HeadStatus::kIncomplete);
    EXPECT_EQ(ParseRequestHead("").status, HeadStatus::kIncomplete);
    const char* bad[] = {
        "GET /\r\n\r\n",                        // no version
        "GET / FTP/1.1\r\n\r\n",                // not HTTP
        "GET / HTTP/1.x\r\n\r\n",               // no version number
        "GET  / HTTP/1.1\r\n\r\n",              // two blanks
        "GET / HTTP/1.1 x\r\n\r\n",             // three blanks
        "G(T / HTTP/1.1\r\n\r\n",               // method no token
        "GET /a\x01 HTTP/1.1\r\n\r\n",          // control in target
        "GET /\xc3\xa9 HTTP/1.1\r\n\r\n",       // raw UTF-8 in target
        "GET / HTTP/1.1\r\nNo colon\r\n\r\n",   // field without colon
        "GET / HTTP/1.1\r\nName : v\r\n\r\n",   // blank before the colon
        "GET / HTTP/1.1\r\n: v\r\n\r\n",        // empty name
        "GET / HTTP/1.1\r\nA: b\x01c\r\n\r\n",  // control in value
    };
    for (const char* head : bad) {
        EXPECT_EQ(ParseRequestHead(QByteArrayView(head)).status, HeadStatus::kBad) << head;
    }
}

TEST(HttpRequestTest, SizeLimitsTripWithoutWaitingForTheEnd) {
    HeadLimits limits;
    limits.max_request_line = 40;
    limits.max_head = 100;
    limits.max_fields = 3;
    // A long request line is refused before its end arrives.
    EXPECT_EQ(ParseRequestHead("GET /" + QByteArray(40, 'a'), limits).status,
              HeadStatus::kUriTooLong);
    EXPECT_EQ(ParseRequestHead("GET /" + QByteArray(40, 'a') + " HTTP/1.1\r\n\r\n", limits).status,
              HeadStatus::kUriTooLong);
    // Exactly at the line limit is fine.
    const QByteArray line = "GET /" + QByteArray(26, 'a') + " HTTP/1.1";
    ASSERT_EQ(line.size(), 40);
    EXPECT_EQ(ParseRequestHead(line + "\r\n\r\n", limits).status, HeadStatus::kComplete);
    // Header fields past the head limit, complete or not.
    const QByteArray fields = "GET / HTTP/1.1\r\nA: " + QByteArray(90, 'b');
    EXPECT_EQ(ParseRequestHead(fields, limits).status, HeadStatus::kTooLarge);
    EXPECT_EQ(ParseRequestHead(fields + "\r\n\r\n", limits).status, HeadStatus::kTooLarge);
    EXPECT_EQ(
        ParseRequestHead("GET / HTTP/1.1\r\nA: 1\r\nB: 2\r\nC: 3\r\nD: 4\r\n\r\n", limits).status,
        HeadStatus::kTooLarge);
    // Blank lines alone still run into the limit.
    QByteArray blanks;
    for (int i = 0; i < 60; ++i) {
        blanks += "\r\n";
    }
    EXPECT_EQ(ParseRequestHead(blanks, limits).status, HeadStatus::kTooLarge);
}

TEST(HttpRequestTest, WebSocketUpgradesThatCannotSucceedAreRefusedWithAStatus) {
    const auto refusal = [](const QByteArray& fields) {
        const HeadParse parse =
            ParseRequestHead("GET /ws HTTP/1.1\r\nUpgrade: websocket\r\n" + fields + "\r\n");
        EXPECT_EQ(parse.status, HeadStatus::kComplete);
        return WebSocketHandshakeRefusal(parse.head);
    };
    const QByteArray key = "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n";
    EXPECT_EQ(refusal(key + "Sec-WebSocket-Version: 13\r\n"), 0);
    EXPECT_EQ(refusal(key + "Sec-WebSocket-Version: 8\r\n"), 426);
    EXPECT_EQ(refusal(key), 426);
    EXPECT_EQ(refusal("Sec-WebSocket-Version: 13\r\n"), 400);
    // Not base64, and base64 of other than 16 bytes.
    EXPECT_EQ(refusal("Sec-WebSocket-Key: <script>*******!!\r\nSec-WebSocket-Version: 13\r\n"),
              400);
    EXPECT_EQ(refusal("Sec-WebSocket-Key: c2hvcnQ=\r\nSec-WebSocket-Version: 13\r\n"), 400);
}

TEST(HttpRequestTest, DayNamesMustBeRealDatesInTheFolderForm) {
    EXPECT_EQ(ParseDayName("2012_05_31"), QDate(2012, 5, 31));
    EXPECT_EQ(ParseDayName("2024_02_29"), QDate(2024, 2, 29));
    const char* bad[] = {"2023_02_29", "2012_13_01", "2012_00_10",  "2012_05_32", "0000_01_01",
                         "2012-05-31", "2012_5_31",  "12012_05_31", "2012_05_3a", "+012_05_31",
                         "../../etc",  "",           "2012_05_31/"};
    for (const char* name : bad) {
        EXPECT_FALSE(ParseDayName(QByteArrayView(name)).isValid()) << name;
    }
}

TEST(HttpRequestTest, OnlyFixedPathsRoute) {
    EXPECT_EQ(RouteTarget("/").resource, ":/web/index.html");
    EXPECT_EQ(RouteTarget("/?utm=1").resource, ":/web/index.html");
    EXPECT_EQ(RouteTarget("/tv").resource, ":/web/tv.html");
    EXPECT_EQ(RouteTarget("/today").resource, ":/web/today.html");
    EXPECT_EQ(RouteTarget("/board.js").content_type, "text/javascript; charset=utf-8");
    EXPECT_EQ(RouteTarget("/api/live").kind, RouteKind::kLive);
    EXPECT_EQ(RouteTarget("/ws").kind, RouteKind::kWebSocket);
    const Route day = RouteTarget("/api/sessions/2012_05_31?x");
    EXPECT_EQ(day.kind, RouteKind::kDaySessions);
    EXPECT_EQ(day.day, QDate(2012, 5, 31));
    const char* missing[] = {"/index.html",
                             "/TV",
                             "/tv/",
                             "/api/live/",
                             "/api/sessions/",
                             "/api/sessions/2012_02_30",
                             "/api/sessions/%32012_05_31",
                             "/api/sessions/../ustawienia.ini",
                             "/board.js/..",
                             "//",
                             "/favicon.ico",
                             "*",
                             "http://x/index.html",
                             "ftp://x/"};
    for (const char* target : missing) {
        EXPECT_EQ(RouteTarget(QByteArrayView(target)).kind, RouteKind::kNotFound) << target;
    }
}

TEST(HttpRequestTest, VersionsOtherThanHttp1AreRefusedWith505AndALaterHttp1IsServed) {
    for (const char* version : {"HTTP/2.0", "HTTP/3", "HTTP/0.9", "HTTP/11.1"}) {
        EXPECT_EQ(ParseRequestHead("GET / " + QByteArray(version) + "\r\nHost: a\r\n\r\n").status,
                  HeadStatus::kVersionNotSupported)
            << version;
    }
    const HeadParse later = ParseRequestHead("GET / HTTP/1.2\r\nHost: a\r\n\r\n");
    EXPECT_EQ(later.status, HeadStatus::kComplete);
    EXPECT_FALSE(later.head.WantsClose());
}

TEST(HttpRequestTest, AbsoluteUrlNamesItsPathAndTakesThePlaceOfHost) {
    const HeadParse parse =
        ParseRequestHead("GET HTTP://127.0.0.1:8080/tv?x=1 HTTP/1.1\r\nHost: other\r\n\r\n");
    ASSERT_EQ(parse.status, HeadStatus::kComplete);
    EXPECT_EQ(parse.head.Authority(), "127.0.0.1:8080");
    EXPECT_EQ(RouteTarget(parse.head.target).resource, ":/web/tv.html");
    EXPECT_EQ(RouteTarget("http://[::1]:8080").resource, ":/web/index.html");
    EXPECT_EQ(RouteTarget("http://x/api/sessions/2012_05_31").day, QDate(2012, 5, 31));
    EXPECT_EQ(ParseRequestHead("GET / HTTP/1.1\r\nHost: a:1\r\n\r\n").head.Authority(), "a:1");
}

TEST(HttpRequestTest, HostMissingOrTwiceAndBodiesOrConflictingLengthsAreRefused) {
    const auto refusal = [](const QByteArray& head) {
        const HeadParse parse = ParseRequestHead(head + "\r\n");
        EXPECT_EQ(parse.status, HeadStatus::kComplete) << head.toStdString();
        return RequestHeadRefusal(parse.head);
    };
    EXPECT_EQ(refusal("GET / HTTP/1.1\r\nHost: a\r\n"), 0);
    EXPECT_EQ(refusal("GET / HTTP/1.0\r\n"), 0);  // HTTP/1.0 needs no Host
    EXPECT_EQ(refusal("GET / HTTP/1.1\r\n"), 400);
    EXPECT_EQ(refusal("GET / HTTP/1.1\r\nHost: a\r\nHost: b\r\n"), 400);
    EXPECT_EQ(refusal("GET / HTTP/1.1\r\nHost: a\r\nContent-Length: 0\r\n"), 0);
    EXPECT_EQ(refusal("GET / HTTP/1.1\r\nHost: a\r\nContent-Length: 0\r\nContent-Length: 00\r\n"),
              400);
    // The first length read alone would take the body for the next request.
    EXPECT_EQ(refusal("GET / HTTP/1.1\r\nHost: a\r\nContent-Length: 0\r\nContent-Length: 5\r\n"),
              400);
    EXPECT_EQ(refusal("GET / HTTP/1.1\r\nHost: a\r\nContent-Length: 0, 5\r\n"), 400);
    EXPECT_EQ(refusal("GET / HTTP/1.1\r\nHost: a\r\nContent-Length: 0, 0\r\n"), 0);
    EXPECT_EQ(refusal("GET / HTTP/1.1\r\nHost: a\r\nContent-Length: -0\r\n"), 400);
    EXPECT_EQ(refusal("GET / HTTP/1.1\r\nHost: a\r\nContent-Length: 18446744073709551616\r\n"),
              400);
    EXPECT_EQ(refusal("GET / HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n"), 400);
}

TEST(HttpResponseTest, EveryAnswerCarriesTheSecurityHeadersAndItsLength) {
    const QByteArray response = HttpResponse(200, "text/plain", "hello", false);
    EXPECT_TRUE(response.startsWith("HTTP/1.1 200 OK\r\n"));
    EXPECT_TRUE(response.contains("\r\nContent-Length: 5\r\n"));
    EXPECT_TRUE(response.contains("\r\nX-Content-Type-Options: nosniff\r\n"));
    EXPECT_TRUE(
        response.contains("Content-Security-Policy: default-src 'self'; script-src 'self';"));
    EXPECT_FALSE(response.contains("unsafe-inline"));
    EXPECT_TRUE(response.endsWith("\r\n\r\nhello"));
    const QByteArray error = HttpError(405, true, "Allow: GET\r\n");
    EXPECT_TRUE(error.startsWith("HTTP/1.1 405 Method Not Allowed\r\n"));
    EXPECT_TRUE(error.contains("\r\nAllow: GET\r\n"));
    EXPECT_TRUE(error.contains("\r\nConnection: close\r\n"));
    // HEAD: the same fields, the length of the body it leaves out.
    const QByteArray head = WithoutBody(response);
    EXPECT_TRUE(head.contains("\r\nContent-Length: 5\r\n"));
    EXPECT_TRUE(head.endsWith("\r\n\r\n"));
}

}  // namespace
