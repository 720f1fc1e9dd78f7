#pragma once

#include <QByteArrayView>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QStringList>
#include <functional>

// The names and addresses this station answers to. A request whose Host (or a
// WebSocket upgrade whose Origin) names anything else is refused: a web site a
// phone happens to open could otherwise point its own host name at the station
// (DNS rebinding) and read the feed, or open /ws from its page.
//
// Allowed: an IP literal of one of this machine's addresses (any 127.x and ::1
// too), "localhost" and names under it, the machine's host name (also with
// ".local" and the local domain), and the extra names the settings list.
class StationNames {
  public:
    using AddressSource = std::function<QList<QHostAddress>()>;

    // addresses is asked again when an IP literal is not known, at most every
    // refresh_ms: DHCP may hand the station a new address while it runs.
    StationNames(AddressSource addresses, QStringList names, qint64 refresh_ms = 5000);
    // This machine's interfaces and host name, and the extra names.
    static StationNames ThisMachine(const QStringList& extra_names);

    // authority: "host", "host:port", "[v6]" or "[v6]:port", as in a Host field.
    bool AllowsAuthority(QByteArrayView authority);
    // origin: "http://host:port" as browsers send it; "null" and other schemes fail.
    bool AllowsOrigin(QByteArrayView origin);

  private:
    bool AllowsAddress(const QHostAddress& address);

    AddressSource source_;
    qint64 refresh_ms_;
    QList<QHostAddress> addresses_;
    QStringList names_;  // lower case, without a trailing dot
    QElapsedTimer since_refresh_;
};
