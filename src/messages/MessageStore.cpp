#include "MessageStore.h"

#include <algorithm>
#include <array>
#include <climits>
#include <iterator>
#include <optional>

#include "IniFile.h"

namespace {

const QString kSection = QStringLiteral("Parametry");
const QString kCountKey = QStringLiteral("mCount");
constexpr Colour kDefaultBackground = 16777215;  // white
constexpr Colour kDefaultFont = 0;               // black

constexpr const char* kSuffixes[] = {"L1", "L2", "ColorB", "ColorF"};

// The positive number that digits spell exactly as QString::number prints it, or 0.
int PlainNumber(QStringView digits) {
    if (digits.isEmpty() || digits.size() > 10 || digits.front() == u'0') {
        return 0;
    }
    qint64 n = 0;
    for (const QChar ch : digits) {
        if (ch < u'0' || ch > u'9') {
            return 0;
        }
        n = n * 10 + (ch.unicode() - u'0');
    }
    return n <= INT_MAX ? int(n) : 0;
}

// n when key is one of message n's four keys (names match regardless of case, the
// number is plain decimal without leading zeros), else 0; *suffix is its index in
// kSuffixes. Runs for every key of the section, so it copies nothing.
int MessageNumberOf(QStringView key, int* suffix) {
    if (!key.startsWith(QLatin1Char('m'), Qt::CaseInsensitive)) {
        return 0;
    }
    for (int s = 0; s < int(std::size(kSuffixes)); ++s) {
        const QLatin1StringView tail(kSuffixes[s]);
        if (key.size() > tail.size() + 1 && key.endsWith(tail, Qt::CaseInsensitive)) {
            *suffix = s;
            return PlainNumber(key.sliced(1, key.size() - 1 - tail.size()));
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
    // One pass over the section's entries, the count included, instead of four lookups
    // per message: a damaged count may ask for 10,000 messages that the file barely
    // backs, and a lookup would first index every line of the file.
    struct Found {
        int n;
        int suffix;
        QStringView value;  // into ini
    };
    std::vector<Found> found;
    std::optional<qint32> count_value;  // the first mCount line counts
    ini.VisitEntries(kSection, [&](QStringView key, QStringView value) {
        int suffix = 0;
        if (const int n = MessageNumberOf(key, &suffix); n > 0 && n <= kMaxStoredMessages) {
            found.push_back({n, suffix, value});
        } else if (!count_value && key.compare(kCountKey, Qt::CaseInsensitive) == 0) {
            count_value = IniFile::ParseInteger(value).value_or(0);
        }
    });
    const int stated = std::min(count_value.value_or(0), kMaxStoredMessages);
    // The highest message number up to the count that has a key.
    std::erase_if(found, [stated](const Found& f) { return f.n > stated; });
    int count = 0;
    for (const Found& f : found) {
        count = std::max(count, f.n);
    }
    std::vector<StoredMessage> rows(static_cast<size_t>(count));
    for (int n = 1; n <= count; ++n) {
        StoredMessage& row = rows[size_t(n - 1)];
        row.kolortla = kDefaultBackground;
        row.kolorfont = kDefaultFont;
        row.nr = n;
    }
    // The first line of a key counts; a malformed colour takes its default.
    std::vector<std::array<bool, std::size(kSuffixes)>> seen(static_cast<size_t>(count));
    for (const Found& f : found) {
        bool& already = seen[size_t(f.n - 1)][size_t(f.suffix)];
        if (already) {
            continue;
        }
        already = true;
        StoredMessage& row = rows[size_t(f.n - 1)];
        switch (f.suffix) {
            case 0:
                row.linia1 = f.value.toString();
                break;
            case 1:
                row.linia2 = f.value.toString();
                break;
            case 2:
                row.kolortla =
                    Colour(IniFile::ParseInteger(f.value).value_or(qint32(kDefaultBackground)));
                break;
            default:
                row.kolorfont =
                    Colour(IniFile::ParseInteger(f.value).value_or(qint32(kDefaultFont)));
                break;
        }
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
    // Every key and value goes into one text that the entries view, so a list of
    // 10,000 messages costs a few allocations rather than 80,000. A key runs from
    // its start to its value's start, a value from there to the next key.
    QString text;
    text.reserve(qsizetype(rows.size()) * 64 + 16);
    QList<qsizetype> starts;  // key, value, key, value, ..., end
    starts.reserve(qsizetype(rows.size()) * 8 + 3);
    const auto add_key = [&](int n, const char* suffix) {
        starts.append(text.size());
        text += QLatin1Char('m');
        AppendDecimal(&text, n);
        text += QLatin1String(suffix);
        starts.append(text.size());
    };
    int n = 0;
    for (const StoredMessage& row : rows) {
        ++n;
        add_key(n, "L1");
        text += row.linia1.str();
        add_key(n, "L2");
        text += row.linia2.str();
        add_key(n, "ColorB");
        AppendDecimal(&text, qint32(row.kolortla));
        add_key(n, "ColorF");
        AppendDecimal(&text, qint32(row.kolorfont));
    }
    starts.append(text.size());
    text += kCountKey;
    starts.append(text.size());
    AppendDecimal(&text, n);
    starts.append(text.size());

    const QStringView all(text);  // complete: the views below stay valid
    QList<IniFile::EntryView> entries;
    entries.reserve(starts.size() / 2);
    for (qsizetype i = 0; i + 2 < starts.size(); i += 2) {
        entries.append({all.sliced(starts[i], starts[i + 1] - starts[i]),
                        all.sliced(starts[i + 1], starts[i + 2] - starts[i + 1])});
    }
    ini->WriteStrings(kSection, entries);
}

bool IsBlankLine(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar ch) { return ch.unicode() <= 0x20; });
}
