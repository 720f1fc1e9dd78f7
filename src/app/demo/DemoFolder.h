#pragma once

#include <QString>

// The demo keeps its files in a folder of its own, never the one the real program
// uses: RUVOTIMER_HOME when set, else ~/.local/share/RUVO/ruvotimer-demo.
QString DemoFolderPath();

struct DemoFolderSetup {
    bool usable = false;
    QString folder;  // with a trailing '/'
    // For the operator: why the folder cannot be used, or what was repaired.
    QString report;
};

// Creates the folder when missing and writes a ustawienia.ini matching the demo
// race (four radio karts, slot 5 hand-timed) when there is none. A damaged one
// (half-written, not an INI file) is moved aside to ustawienia.ini.damaged and
// written anew. A folder that cannot be created or written is not usable.
DemoFolderSetup PrepareDemoFolder(const QString& folder);

// Whether bytes are a complete kart configuration: INI lines only, section
// Parametry with Radio, SN and NAME of all five slots, numbers where numbers go.
bool IsCompleteKartSettings(const QByteArray& bytes);
