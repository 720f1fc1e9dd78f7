#include "SessionFile.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "IniFile.h"
#include "Station.h"
#include "Text.h"
#include "TimeFormat.h"

namespace {

const QString kSection = QStringLiteral("Ustawienia");

QString DayName(const QDate& day) {
    return QString::asprintf("%4.4d_%2.2d_%2.2d", day.year(), day.month(), day.day());
}

// A name with a line break would end its line early and shift every key after it;
// control characters become blanks.
QString SingleLine(const QString& text) {
    QString line = text;
    for (QChar& ch : line) {
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7F) {
            ch = QLatin1Char(' ');
        }
    }
    return line;
}

// Built in one allocation: reading a session file looks up 265 keys.
QString Key(const char* prefix, int slot) {
    QString key;
    key.reserve(16);
    key += QLatin1String(prefix);
    AppendDecimal(&key, slot);
    return key;
}

QString Key(const char* prefix, int slot, int entry) {
    QString key = Key(prefix, slot);
    key += QLatin1Char('_');
    AppendDecimal(&key, entry);
    return key;
}

void AppendLine(QString* text, const QString& key, const QString& value) {
    *text += key;
    *text += QLatin1Char('=');
    *text += value;
    *text += QLatin1String("\r\n");
}

// Enough of a session file for ReadSessionFile; a file that cannot be read gives
// nothing, so its keys take their defaults.
QByteArray ReadSessionFileStart(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    return file.read(kMaxSessionFileBytes + 1);
}

}  // namespace

QString SessionsFolderPath(const QString& program_folder) {
    return program_folder + QStringLiteral("Sessions/");
}

QString DayFolderPath(const QString& program_folder, const QDate& day) {
    return SessionsFolderPath(program_folder) + DayName(day);
}

QString SessionFilePath(const QString& program_folder, const QDateTime& ended_at) {
    const QTime time = ended_at.time();
    return DayFolderPath(program_folder, ended_at.date()) + QLatin1Char('/') +
           DayName(ended_at.date()) +
           QString::asprintf("_%2.2d_%2.2d.txt", time.hour(), time.minute());
}

QString SessionFileText(const std::array<const KartSlot*, kSlotCount>& karts) {
    static const LapEntry kEmptyEntry;
    QString text;
    text.reserve(8 * 1024);
    text += QLatin1String("[Ustawienia]\r\n");
    for (int n = 1; n <= kSlotCount; ++n) {
        const KartSlot& kart = *karts[size_t(n - 1)];
        AppendLine(&text, Key("NAZWA_", n), SingleLine(kart.driver_name));
        AppendLine(&text, Key("RADIO_", n), kart.radio ? QStringLiteral("1") : QStringLiteral("0"));
        AppendLine(&text, Key("SN_", n), QString::number(quint32(kart.serial_number)));
        AppendLine(&text, Key("BEST_", n), FormatLapTime(quint32(kart.best_lap_time)));
        for (int j = 1; j <= kLapEntries; ++j) {
            // An entry without a lap (time 0) is all zeros in the file, whatever else
            // the slot's entry still holds.
            const LapEntry& entry = kart.lap(j).lap_time != 0 ? kart.lap(j) : kEmptyEntry;
            AppendLine(&text, Key("LAPS_", n, j), FormatLapTime(quint32(entry.lap_time)));
            AppendLine(&text, Key("LAPNR_", n, j), QString::number(entry.lap_number));
            AppendLine(&text, Key("MAX_OBR_", n, j), QString::number(entry.rpm_max));
            AppendLine(&text, Key("MIN_OBR_", n, j), QString::number(entry.rpm_min));
            AppendLine(&text, Key("LAPSINT_", n, j), QString::number(quint32(entry.lap_time)));
        }
    }
    return text;
}

QString SessionFileText(const Station& station) {
    std::array<const KartSlot*, kSlotCount> karts{};
    for (int n = 1; n <= kSlotCount; ++n) {
        karts[size_t(n - 1)] = &station.slot(n);
    }
    return SessionFileText(karts);
}

QByteArray SessionFileBytes(const Station& station) {
    return SessionFileText(station).toUtf8();
}

void ReadSessionFile(const QByteArray& bytes, SessionRecord* record) {
    if (bytes.size() <= kMaxSessionFileBytes) {
        ReadSessionKarts(IniFile::FromBytes(bytes), record);
        return;
    }
    const qsizetype last_line_end = bytes.lastIndexOf('\n', kMaxSessionFileBytes - 1);
    ReadSessionKarts(IniFile::FromBytes(bytes.first(last_line_end + 1)), record);
}

namespace {

// The fields a session file holds per kart (entry 0) or per lap entry (1..10).
enum class Field { kName, kRadio, kSerial, kLapText, kLapTime, kLapNumber, kRpmMax, kRpmMin };

struct KeyPrefix {
    const char* lower;  // as written, in lower case, up to the slot number
    Field field;
    bool per_entry;
};

struct FieldKey {
    const KeyPrefix& prefix;
    int slot;
    int entry;
};

// BEST_n is written but never read: the best lap is the first entry.
constexpr KeyPrefix kKeyPrefixes[] = {
    {"nazwa_", Field::kName, false},     {"radio_", Field::kRadio, false},
    {"sn_", Field::kSerial, false},      {"laps_", Field::kLapText, true},
    {"lapsint_", Field::kLapTime, true}, {"lapnr_", Field::kLapNumber, true},
    {"max_obr_", Field::kRpmMax, true},  {"min_obr_", Field::kRpmMin, true},
};

char16_t AsciiLower(char16_t ch) {
    return ch >= u'A' && ch <= u'Z' ? char16_t(ch - u'A' + u'a') : ch;
}

// The number at the start of text, as the writer prints it (1..limit, no leading zero),
// with the count of characters it takes; 0 if there is none.
int NumberAt(QStringView text, int limit, qsizetype* length) {
    int value = 0;
    qsizetype n = 0;
    while (n < text.size() && text.at(n) >= u'0' && text.at(n) <= u'9' && n < 2) {
        value = value * 10 + (text.at(n).unicode() - u'0');
        ++n;
    }
    if (n == 0 || text.at(0) == u'0' || value > limit) {
        return 0;
    }
    *length = n;
    return value;
}

// The field an ASCII key names ("LAPS_3_10" -> lap text of slot 3, entry 10), matched
// regardless of case; nothing for other keys.
std::optional<FieldKey> ClassifyAsciiKey(QStringView key) {
    for (const KeyPrefix& prefix : kKeyPrefixes) {
        const QLatin1StringView lower(prefix.lower);
        // The key is ASCII here, so matching regardless of case is ASCII case.
        if (key.size() <= lower.size() || AsciiLower(key.front().unicode()) != lower.front() ||
            !key.startsWith(lower, Qt::CaseInsensitive)) {
            continue;
        }
        QStringView rest = key.sliced(lower.size());
        qsizetype length = 0;
        const int slot = NumberAt(rest, kSlotCount, &length);
        if (slot == 0) {
            return std::nullopt;
        }
        rest = rest.sliced(length);
        if (!prefix.per_entry) {
            return rest.isEmpty() ? std::optional(FieldKey{prefix, slot, 0}) : std::nullopt;
        }
        if (rest.size() < 2 || rest.front() != u'_') {
            return std::nullopt;
        }
        const int entry = NumberAt(rest.sliced(1), kLapEntries, &length);
        if (entry == 0 || length != rest.size() - 1) {
            return std::nullopt;
        }
        return FieldKey{prefix, slot, entry};
    }
    return std::nullopt;
}

// The field a key names, matched as the file's lookups match names: regardless of
// case, and so with some characters outside ASCII (U+017F long s is an "s").
std::optional<FieldKey> ClassifyKey(QStringView key) {
    const bool ascii =
        std::all_of(key.begin(), key.end(), [](QChar ch) { return ch.unicode() < 0x80; });
    if (ascii) {
        return ClassifyAsciiKey(key);
    }
    QString folded;
    folded.reserve(key.size());
    for (const QChar ch : key) {
        const char32_t fold = ch.isSurrogate() ? ch.unicode() : QChar::toCaseFolded(ch.unicode());
        if (fold >= 0x80) {
            return std::nullopt;  // no key of the file has such a character
        }
        folded.append(QChar(fold));
    }
    const auto found = ClassifyAsciiKey(folded);
    if (!found) {
        return std::nullopt;
    }
    const QString name = found->prefix.per_entry
                             ? Key(found->prefix.lower, found->slot, found->entry)
                             : Key(found->prefix.lower, found->slot);
    return key.compare(name, Qt::CaseInsensitive) == 0 ? found : std::nullopt;
}

}  // namespace

void ReadSessionKarts(const IniFile& file, SessionRecord* record) {
    // One pass over the section instead of 265 key lookups: the history browser reads
    // a hundred files at a time. It gives what the lookups give: the first line of a
    // key counts, and a missing or malformed value takes its default.
    for (int n = 1; n <= kSlotCount; ++n) {
        KartSlot& kart = record->kart(n);
        kart.driver_name = QStringLiteral("");  // the default " " without its blank
        kart.radio = false;
        kart.serial_number = 0;
        for (int j = 1; j <= kLapEntries; ++j) {
            kart.lap(j) = LapEntry{0, QStringLiteral("--:--:--"), 0, 0, 0};
        }
    }
    constexpr size_t kFields = size_t(Field::kRpmMin) + 1;
    std::array<std::array<std::array<bool, kLapEntries + 1>, kSlotCount>, kFields> seen{};
    file.VisitEntries(kSection, [&](QStringView key, QStringView value) {
        const auto found = ClassifyKey(key);
        if (!found) {
            return;
        }
        const Field field = found->prefix.field;
        bool& already = seen[size_t(field)][size_t(found->slot - 1)][size_t(found->entry)];
        if (already) {
            return;
        }
        already = true;
        KartSlot& kart = record->kart(found->slot);
        const auto number = [value] { return IniFile::ParseInteger(value).value_or(0); };
        switch (field) {
            case Field::kName:
                kart.driver_name = value.toString();
                break;
            case Field::kRadio:
                kart.radio = number() == 1;
                break;
            case Field::kSerial:
                kart.serial_number = number();
                break;
            case Field::kLapText:
                kart.lap(found->entry).lap_time_text = value.toString();
                break;
            case Field::kLapTime:
                kart.lap(found->entry).lap_time = number();
                break;
            case Field::kLapNumber:
                kart.lap(found->entry).lap_number = number();
                break;
            case Field::kRpmMax:
                kart.lap(found->entry).rpm_max = number();
                break;
            case Field::kRpmMin:
                kart.lap(found->entry).rpm_min = number();
                break;
        }
    });
}

QString SessionLabel(const QString& file_name) {
    // Year, month, day and hour end at the first four '_', each followed by its
    // separator in the label; the minute runs up to the '.'.
    static const char* const kSeparators[] = {"-", "-", " ", ":"};
    QString rest = file_name;
    QString label;
    for (const char* separator : kSeparators) {
        const qsizetype underscore = rest.indexOf(QLatin1Char('_'));
        if (underscore < 0) {
            return label;
        }
        label += rest.left(underscore) + QLatin1String(separator);
        rest = rest.mid(underscore + 1);
    }
    const qsizetype dot = rest.indexOf(QLatin1Char('.'));
    if (dot >= 0) {
        label += rest.left(dot);
    }
    return label;
}

SessionFolderLoad LoadSessionFolder(const QString& day_folder, SessionTable& table,
                                    SessionTitles titles) {
    SessionFolderLoad result;
    table.count = 0;
    table.day_total = 0;
    const QFileInfo folder_info(day_folder);
    if (!folder_info.exists()) {
        // No folder is an empty day, but Sessions being a file is a fault to report.
        const QFileInfo parent(folder_info.absolutePath());
        if (parent.exists() && !parent.isDir()) {
            result.error = QStringLiteral("Cannot read the session folder %1: %2 is not a folder")
                               .arg(QDir::toNativeSeparators(day_folder),
                                    QDir::toNativeSeparators(parent.filePath()));
        }
        return result;
    }
    if (!folder_info.isDir() || !folder_info.isReadable()) {
        result.error = QStringLiteral("Cannot read the session folder %1: %2")
                           .arg(QDir::toNativeSeparators(day_folder),
                                folder_info.isDir() ? QStringLiteral("access denied")
                                                    : QStringLiteral("it is not a folder"));
        return result;
    }
    // Every ordinary file counts, with or without a dot in its name, as "*.*" does
    // on the system the files come from.
    const QStringList files = QDir(day_folder).entryList(QDir::Files, QDir::Name);
    const QString folder = day_folder + QLatin1Char('/');
    result = LoadSessionFiles(
        files, [&](const QString& name) { return ReadSessionFileStart(folder + name); }, table,
        titles);
    for (int r = 0; r < table.count; ++r) {
        table.records.at(size_t(r)).file_path = folder + result.file_names.at(r);
    }
    return result;
}

SessionFolderLoad LoadSessionFiles(const QStringList& file_names,
                                   const std::function<QByteArray(const QString&)>& read_file,
                                   SessionTable& table, SessionTitles titles) {
    SessionFolderLoad result;
    result.day_total = int(file_names.size());
    table.count = 0;
    table.day_total = result.day_total;
    // The most recent sessions matter most: when a day has more files than records,
    // the earliest are left out.
    const int first = std::max(0, result.day_total - kMaxSessions);
    for (int i = first; i < result.day_total; ++i) {
        const QString& name = file_names.at(i);
        SessionRecord& record = table.records.at(size_t(table.count));
        record.title = titles == SessionTitles::kToday
                           ? QStringLiteral("%1 : %2").arg(i + 1).arg(SessionLabel(name))
                           : name;
        record.file_path = name;  // the folder loader puts its folder in front
        ReadSessionFile(read_file(name), &record);
        ++table.count;
        result.file_names.append(name);
    }
    return result;
}
