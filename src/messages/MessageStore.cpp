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

// n when key is one of message n's four keys (names match regardless of case, the
// number is plain decimal without leading zeros), else 0.
int MessageNumberOf(const QString& key) {
    if (!key.startsWith(QLatin1Char('m'), Qt::CaseInsensitive)) {
        return 0;
    }
    for (const char* suffix : kSuffixes) {
        const QLatin1String tail(suffix);
        if (key.size() > tail.size() + 1 && key.endsWith(tail, Qt::CaseInsensitive)) {
            const QString digits = key.mid(1, key.size() - 1 - tail.size());
            bool ok = false;
            const int n = digits.toInt(&ok);
            return ok && n > 0 && QString::number(n) == digits ? n : 0;
        }
    }
    return 0;
}

}  // namespace

QString MessagesPath(const Station& station) {
    return station.program_folder() + QStringLiteral("messages.ini");
}

std::vector<StoredMessage> LoadMessages(const Station& station) {
    return ReadMessages(IniFile::Load(MessagesPath(station)));
}

std::vector<StoredMessage> ReadMessages(const IniFile& ini) {
    const int stated = std::min(ini.ReadInteger(kSection, kCountKey, 0), kMaxStoredMessages);
    // The highest message number up to the count that has a key of its own. Looking
    // at the keys the file has costs one pass over the section; walking down from a
    // damaged count would cost up to 40,000 lookups.
    int count = 0;
    for (const QString& key : ini.KeyNames(kSection)) {
        const int n = MessageNumberOf(key);
        if (n > count && n <= stated) {
            count = n;
        }
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
    WriteMessages(rows, &ini);
    return ini.Save(path, error_message);
}

void WriteMessages(const std::vector<StoredMessage>& rows, IniFile* ini) {
    QList<IniFile::Entry> entries;
    entries.reserve(qsizetype(rows.size()) * 4 + 1);
    int n = 0;
    for (const StoredMessage& row : rows) {
        ++n;
        entries.append({Key(n, "L1"), row.linia1});
        entries.append({Key(n, "L2"), row.linia2});
        entries.append({Key(n, "ColorB"), QString::number(qint32(row.kolortla))});
        entries.append({Key(n, "ColorF"), QString::number(qint32(row.kolorfont))});
    }
    entries.append({kCountKey, QString::number(n)});
    ini->WriteStrings(kSection, entries);
}

bool IsBlankLine(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar ch) { return ch.unicode() <= 0x20; });
}
