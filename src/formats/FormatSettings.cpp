#include "FormatSettings.h"

#include <algorithm>

#include "IniFile.h"
#include "TimeFormat.h"

namespace {

constexpr int kDashboardLine = 12;

struct MessageKeys {
    const char* prefix;
    AutoMessage FormatSettings::*member;
};

constexpr MessageKeys kMessageKeys[] = {
    {"OstatnieOkr", &FormatSettings::last_lap},
    {"Meta", &FormatSettings::finish},
    {"Rekord", &FormatSettings::best_lap},
};

QString FormatKey(const char* prefix, const char* name) {
    return QString::fromLatin1(prefix) + QString::fromLatin1(name);
}

int ReadBounded(const IniFile& ini, const char* key, int fallback, int low, int high) {
    return std::clamp(ini.ReadInteger(kFormatSection, QString::fromLatin1(key), fallback), low,
                      high);
}

}  // namespace

bool LapWindow::Admits(qint32 lap_time) const {
    if (!on) {
        return true;
    }
    if (min_time > 0 && lap_time < min_time) {
        return false;
    }
    return max_time <= 0 || lap_time <= max_time;
}

bool FormatSettings::Active() const {
    return length != SessionLength::kOpen || scoring != Scoring::kBestLap || rolling_start ||
           window.on || last_lap.on || finish.on || best_lap.on;
}

FormatSettings ReadFormatSettings(const IniFile& ini) {
    FormatSettings s;
    s.length = SessionLength(ReadBounded(ini, "Dlugosc", 0, 0, 2));
    s.minutes = ReadBounded(ini, "Minuty", s.minutes, 1, 24 * 60);
    s.laps = ReadBounded(ini, "Okrazenia", s.laps, 1, 9999);
    s.scoring = Scoring(ReadBounded(ini, "Punktacja", 0, 0, 1));
    s.rolling_start = ReadBounded(ini, "StartLotny", 0, 0, 1) == 1;
    s.window.on = ReadBounded(ini, "OknoWl", 0, 0, 1) == 1;
    s.window.min_time = ReadBounded(ini, "OknoMin", 0, 0, 360000);
    s.window.max_time = ReadBounded(ini, "OknoMax", 0, 0, 360000);
    for (const MessageKeys& keys : kMessageKeys) {
        AutoMessage& m = s.*keys.member;
        m.on = ini.ReadInteger(kFormatSection, FormatKey(keys.prefix, "Wl"), 0) == 1;
        m.line1 = ini.ReadString(kFormatSection, FormatKey(keys.prefix, "Linia1"), m.line1)
                      .left(kDashboardLine);
        m.line2 = ini.ReadString(kFormatSection, FormatKey(keys.prefix, "Linia2"), m.line2)
                      .left(kDashboardLine);
        // Colours are 0x00BBGGRR: anything in the top byte is not a colour.
        const qint32 background =
            ini.ReadInteger(kFormatSection, FormatKey(keys.prefix, "Tlo"), qint32(m.background));
        const qint32 font =
            ini.ReadInteger(kFormatSection, FormatKey(keys.prefix, "Tekst"), qint32(m.font_colour));
        m.background = Colour(background) & 0xFFFFFF;
        m.font_colour = Colour(font) & 0xFFFFFF;
    }
    return s;
}

void WriteFormatSettings(IniFile& ini, const FormatSettings& s) {
    QList<IniFile::Entry> entries = {
        {QStringLiteral("Dlugosc"), QString::number(int(s.length))},
        {QStringLiteral("Minuty"), QString::number(s.minutes)},
        {QStringLiteral("Okrazenia"), QString::number(s.laps)},
        {QStringLiteral("Punktacja"), QString::number(int(s.scoring))},
        {QStringLiteral("StartLotny"), QString::number(s.rolling_start ? 1 : 0)},
        {QStringLiteral("OknoWl"), QString::number(s.window.on ? 1 : 0)},
        {QStringLiteral("OknoMin"), QString::number(s.window.min_time)},
        {QStringLiteral("OknoMax"), QString::number(s.window.max_time)},
    };
    for (const MessageKeys& keys : kMessageKeys) {
        const AutoMessage& m = s.*keys.member;
        entries.append({FormatKey(keys.prefix, "Wl"), QString::number(m.on ? 1 : 0)});
        entries.append({FormatKey(keys.prefix, "Linia1"), m.line1.left(kDashboardLine)});
        entries.append({FormatKey(keys.prefix, "Linia2"), m.line2.left(kDashboardLine)});
        entries.append({FormatKey(keys.prefix, "Tlo"), QString::number(m.background)});
        entries.append({FormatKey(keys.prefix, "Tekst"), QString::number(m.font_colour)});
    }
    ini.WriteStrings(kFormatSection, entries);
}

QString ExpandMessageLine(const QString& line, int position, qint32 lap_time) {
    QString text = line;
    text.replace(QStringLiteral("%P"), QString::number(position));
    text.replace(QStringLiteral("%T"), FormatLapTime(quint32(lap_time)));
    return text.left(kDashboardLine);
}

FormatSettings LoadFormatSettings(const QString& settings_path) {
    return ReadFormatSettings(IniFile::Load(settings_path));
}

bool SaveFormatSettings(const QString& settings_path, const FormatSettings& settings,
                        QString* error_message) {
    // Read again just before writing: the kart configuration shares the file.
    IniFile ini = IniFile::Load(settings_path);
    WriteFormatSettings(ini, settings);
    return ini.Save(settings_path, error_message);
}
