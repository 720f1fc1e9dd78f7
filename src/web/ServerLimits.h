#pragma once

#include <QtGlobal>

#include "HttpRequest.h"

// Limits that keep the server safe to leave running on a shared network.
struct ServerLimits {
    // HTTP connections, sockets in the WebSocket handshake and WebSocket clients
    // together; more are refused with 503.
    int max_connections = 256;
    // The same from one address, so one phone (or one attacker) cannot take every
    // place: a page, its script, its feed and a few reloads need far fewer.
    int max_connections_per_address = 16;
    HeadLimits head;                // request line and header size
    int head_timeout_ms = 10'000;   // a started request head (or a handshake) must be done by then
    int idle_timeout_ms = 30'000;   // a kept-alive connection without a request, a WebSocket
                                    // client that has not answered a ping
    int check_interval_ms = 25;     // how often the state is looked at while clients are connected
    int update_interval_ms = 100;   // so each WebSocket client gets at most 10 updates a second
    int heartbeat_ms = 1000;        // a WebSocket client hears from the station at least this often
    int ping_interval_ms = 10'000;  // WebSocket clients are pinged to find those gone
    // The station counts as alive while its UI thread has looked at the state this
    // recently: heartbeats stop when it hangs, so pages say their times are old.
    int station_silent_ms = 2000;
    qint64 max_client_backlog = 64 * 1024;  // queued bytes before a client is skipped
    // Bytes a WebSocket client may have unsent (pongs to its pings included) before
    // it is dropped, and bytes read ahead of it. Together with the response chunk
    // this bounds what any one client costs, whatever it sends.
    qint64 max_client_unsent = 1024 * 1024;
    qint64 read_buffer = 64 * 1024;
    qint64 response_chunk = 64 * 1024;  // bytes of a response handed to a socket at a time
};
