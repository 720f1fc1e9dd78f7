#pragma once

#include <QtGlobal>

#include "HttpRequest.h"

// Limits that keep the server safe to leave running on a shared network.
struct ServerLimits {
    // HTTP connections, sockets in the WebSocket handshake and WebSocket clients
    // together; more are refused with 503.
    int max_connections = 256;
    HeadLimits head;               // request line and header size
    int head_timeout_ms = 10'000;  // a started request head (or a handshake) must be done by then
    int idle_timeout_ms = 30'000;  // a kept-alive connection without a request
    int check_interval_ms = 25;    // how often the state is looked at while clients are connected
    int update_interval_ms = 100;  // so each WebSocket client gets at most 10 updates a second
    qint64 max_client_backlog = 64 * 1024;     // queued bytes before a client is skipped
    qint64 max_response_backlog = 256 * 1024;  // queued bytes before requests wait
};
