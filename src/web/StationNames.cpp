#include "StationNames.h"

#include <QHostInfo>
#include <QNetworkInterface>

namespace {

QString NormalName(QString name) {
    name = name.trimmed().toLower();
    while (name.endsWith(QLatin1Char('.'))) {
        name.chop(1);
    }
    return name;
}

QHostAddress Plain(QHostAddress address) {
    bool mapped = false;
    const quint32 v4 = address.toIPv4Address(&mapped);
    if (mapped) {
        return QHostAddress(v4);
    }
    address.setScopeId(QString());
    return address;
}

// The host of an authority without its port; false when it is malformed.
bool HostOf(QByteArrayView authority, QString* host, bool* bracketed) {
    *bracketed = authority.startsWith('[');
    QByteArrayView rest;
    if (*bracketed) {
        const qsizetype close = authority.indexOf(']');
        if (close < 0) {
            return false;
        }
        *host = QString::fromLatin1(authority.sliced(1, close - 1));
        rest = authority.sliced(close + 1);
    } else {
        const qsizetype colon = authority.indexOf(':');
        *host = QString::fromLatin1(colon < 0 ? authority : authority.first(colon));
        rest = colon < 0 ? QByteArrayView() : authority.sliced(colon);
    }
    if (!rest.isEmpty()) {
        if (!rest.startsWith(':')) {
            return false;
        }
        for (char c : rest.sliced(1)) {
            if (c < '0' || c > '9') {
                return false;
            }
        }
    }
    return !host->isEmpty();
}

}  // namespace

StationNames::StationNames(AddressSource addresses, QStringList names, qint64 refresh_ms)
    : source_(std::move(addresses)), refresh_ms_(refresh_ms) {
    for (const QString& name : names) {
        const QString normal = NormalName(name);
        if (!normal.isEmpty()) {
            names_ << normal;
        }
    }
    for (const QHostAddress& address : source_()) {
        addresses_ << Plain(address);
    }
    since_refresh_.start();
}

StationNames StationNames::ThisMachine(const QStringList& extra_names) {
    QStringList names = extra_names;
    const QString host = NormalName(QHostInfo::localHostName());
    if (!host.isEmpty()) {
        names << host << host + QStringLiteral(".local");
        const QString domain = NormalName(QHostInfo::localDomainName());
        if (!domain.isEmpty()) {
            names << host + QLatin1Char('.') + domain;
        }
    }
    return StationNames([] { return QNetworkInterface::allAddresses(); }, names);
}

bool StationNames::AllowsAddress(const QHostAddress& address) {
    const QHostAddress plain = Plain(address);
    if (plain.isLoopback()) {
        return true;
    }
    if (addresses_.contains(plain)) {
        return true;
    }
    if (since_refresh_.elapsed() < refresh_ms_) {
        return false;
    }
    since_refresh_.restart();
    addresses_.clear();
    for (const QHostAddress& known : source_()) {
        addresses_ << Plain(known);
    }
    return addresses_.contains(plain);
}

bool StationNames::AllowsAuthority(QByteArrayView authority) {
    QString host;
    bool bracketed = false;
    if (!HostOf(authority, &host, &bracketed)) {
        return false;
    }
    QHostAddress address;
    if (bracketed) {
        // Only IPv6 literals go in brackets.
        return address.setAddress(host) && address.protocol() == QAbstractSocket::IPv6Protocol &&
               AllowsAddress(address);
    }
    // Dotted quads only: "1", "0x7f.1" and the like are IPv4 to a parser, never to
    // a browser's Host.
    if (host.count(QLatin1Char('.')) == 3 && address.setAddress(host) &&
        address.protocol() == QAbstractSocket::IPv4Protocol) {
        return AllowsAddress(address);
    }
    const QString name = NormalName(host);
    if (name == QLatin1String("localhost") || name.endsWith(QLatin1String(".localhost"))) {
        return true;
    }
    return names_.contains(name);
}

bool StationNames::AllowsOrigin(QByteArrayView origin) {
    for (QByteArrayView scheme : {QByteArrayView("http://"), QByteArrayView("https://")}) {
        if (origin.startsWith(scheme)) {
            const QByteArrayView authority = origin.sliced(scheme.size());
            return !authority.contains('/') && AllowsAuthority(authority);
        }
    }
    return false;
}
