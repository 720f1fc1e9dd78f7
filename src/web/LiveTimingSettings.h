#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The live timing web server's settings, kept in ustawienia.ini in a section of
// their own that older files simply lack (so the server starts switched off).
struct LiveTimingSettings {
    bool enabled = false;
    quint16 port = 8080;
    QString address;  // empty: every interface
    // Names phones reach the station by besides its host name and addresses (a
    // name the router's DNS gives it): requests for other names are refused.
    QStringList host_names;
};

inline constexpr quint16 kDefaultLiveTimingPort = 8080;

// A missing file, section or key gives the defaults; a port outside 1..65535 gives
// 8080.
LiveTimingSettings LoadLiveTimingSettings(const QString& ini_path);

// Writes the keys into the file, keeping every other line as it is.
bool SaveLiveTimingSettings(const QString& ini_path, const LiveTimingSettings& settings,
                            QString* error_message);
