#pragma once

#include <QString>

#include "Colour.h"

class IniFile;

// When a session ends by itself: never (the operator ends it, as always), after a
// number of minutes, or after a number of laps of the leader.
enum class SessionLength { kOpen = 0, kMinutes = 1, kLaps = 2 };

// How karts are ranked: by best lap (practice) or by laps, then the earliest
// crossing of the line (a race).
enum class Scoring { kBestLap = 0, kRace = 1 };

// Radio laps shorter or longer than this are kept but count for nothing: a unit
// that triggered twice, or a kart that stopped in the pits. 0 means no bound.
struct LapWindow {
    bool on = false;
    qint32 min_time = 0;  // centiseconds
    qint32 max_time = 0;
    bool Admits(qint32 lap_time) const;
    bool operator==(const LapWindow&) const = default;
};

// One of the automatic dashboard messages. "%P" in a line stands for the kart's
// position, "%T" for the lap time.
struct AutoMessage {
    bool on = false;
    QString line1;
    QString line2;
    Colour background = Colours::kBlack;
    Colour font_colour = Colours::kWhite;
    bool operator==(const AutoMessage&) const = default;
};

// The session format, kept in ustawienia.ini, section FormatSesji. The defaults are
// today's session: no end, best-lap order, clock from "Session start", nothing sent.
struct FormatSettings {
    SessionLength length = SessionLength::kOpen;
    int minutes = 10;
    int laps = 10;
    Scoring scoring = Scoring::kBestLap;
    bool rolling_start = false;
    LapWindow window;
    AutoMessage last_lap{false, QStringLiteral("LAST LAP"), QString(), Colours::kWhite,
                         Colours::kBlack};
    AutoMessage finish{false, QStringLiteral("FINISH"), QStringLiteral("POSITION %P"),
                       Colours::kBlack, Colours::kWhite};
    AutoMessage best_lap{false, QStringLiteral("BEST LAP"), QStringLiteral("%T"), Colours::kLime,
                         Colours::kBlack};

    // False for the defaults: the session then runs exactly as it always did.
    bool Active() const;
    bool operator==(const FormatSettings&) const = default;
};

inline const QString kFormatSection = QStringLiteral("FormatSesji");

// Missing or malformed keys take the defaults; out-of-range values are brought
// into range, so a hand-edited file cannot ask for a session of -5 laps.
FormatSettings ReadFormatSettings(const IniFile& ini);
void WriteFormatSettings(IniFile& ini, const FormatSettings& settings);

// A message line as the dashboard shows it: the placeholders filled in, cut to the
// 12 characters a line holds.
QString ExpandMessageLine(const QString& line, int position, qint32 lap_time);

// The format in the program's ustawienia.ini (a missing file gives the defaults).
FormatSettings LoadFormatSettings(const QString& settings_path);
bool SaveFormatSettings(const QString& settings_path, const FormatSettings& settings,
                        QString* error_message);
