#include "MessageStore.h"

#include <algorithm>

#include "IniFile.h"

namespace {

const QString kSection = QStringLiteral("Parametry");
const QString kCountKey = QStringLiteral("mCount");
constexpr Colour kDefaultBackground = 16777215;  // white
constexpr Colour kDefaultFont = 0;               // black

QString Key(int n, const char* suffix) {
    return QLatin1Char('m') + QString::number(n) + QLatin1String(suffix);
}

constexpr const char* kSuffixes[] = {"L1", "L2", "ColorB", "ColorF"};

bool HasAnyKey(const IniFile& ini, int n) {
    return std::any_of(std::begin(kSuffixes), std::end(kSuffixes), [&](const char* suffix) {
        return ini.Value(kSection, Key(n, suffix)).has_value();
    });
}

}  // namespace

QString MessagesPath(const Station& station) {
    return station.program_folder() + QStringLiteral("messages.ini");
}

std::vector<StoredMessage> LoadMessages(const Station& station) {
    const IniFile ini = IniFile::Load(MessagesPath(station));
    int count = std::min(ini.ReadInteger(kSection, kCountKey, 0), kMaxStoredMessages);
    while (count > 0 && !HasAnyKey(ini, count)) {
        --count;
    }
    std::vector<StoredMessage> rows;
    rows.reserve(size_t(std::max(count, 0)));
    for (int n = 1; n <= count; ++n) {
        StoredMessage row;
        row.linia1 = ini.ReadString(kSection, Key(n, "L1"), QString());
        row.linia2 = ini.ReadString(kSection, Key(n, "L2"), QString());
        row.kolortla =
            Colour(ini.ReadInteger(kSection, Key(n, "ColorB"), qint32(kDefaultBackground)));
        row.kolorfont = Colour(ini.ReadInteger(kSection, Key(n, "ColorF"), qint32(kDefaultFont)));
        row.nr = n;
        rows.push_back(row);
    }
    return rows;
}

bool SaveMessages(const Station& station, const std::vector<StoredMessage>& rows,
                  QString* error_message) {
    const QString path = MessagesPath(station);
    IniFile ini = IniFile::Load(path);
    int n = 0;
    for (const StoredMessage& row : rows) {
        ++n;
        ini.WriteString(kSection, Key(n, "L1"), row.linia1);
        ini.WriteString(kSection, Key(n, "L2"), row.linia2);
        ini.WriteInteger(kSection, Key(n, "ColorB"), qint32(row.kolortla));
        ini.WriteInteger(kSection, Key(n, "ColorF"), qint32(row.kolorfont));
    }
    ini.WriteInteger(kSection, kCountKey, n);
    return ini.Save(path, error_message);
}

bool IsBlankLine(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar ch) { return ch.unicode() <= 0x20; });
}
