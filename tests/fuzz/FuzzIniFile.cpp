// Fuzz target: the INI reader over any file contents. Reading, querying and writing
// must never crash, an unchanged file must come back as the same text, and writing
// one key must change that key only.
#include <QStringList>
#include <cstdint>
#include <utility>
#include <vector>

#include "FuzzCheck.h"
#include "IniFile.h"
#include "Text.h"

namespace {

bool IsAsciiAlnum(QChar ch) {
    return ch.unicode() < 0x80 && ch.isLetterOrNumber();
}

// Up to `limit` ASCII letters and digits of text from position *at on, or fallback.
QString NameFrom(const QString& text, qsizetype* at, int limit, const QString& fallback) {
    QString name;
    while (*at < text.size() && name.size() < limit) {
        const QChar ch = text.at((*at)++);
        if (IsAsciiAlnum(ch)) {
            name += ch;
        }
    }
    return name.isEmpty() ? fallback : name;
}

// The (section, key) pairs of the file's key lines, as a reader would ask for them.
// Views, so that no line is copied.
std::vector<std::pair<QString, QString>> KeysOf(const QString& text) {
    std::vector<std::pair<QString, QString>> keys;
    QStringView section;
    for (const QStringView raw : QStringView(text).split(QLatin1Char('\n'))) {
        const QStringView line = raw.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            section = (close < 0 ? line.sliced(1) : line.sliced(1, close - 1)).trimmed();
        } else if (line.contains(QLatin1Char('=')) && keys.size() < 64) {
            keys.emplace_back(section.toString(),
                              line.first(line.indexOf(QLatin1Char('='))).trimmed().toString());
        }
    }
    return keys;
}

bool IsAscii(const QString& text) {
    for (const QChar ch : text) {
        if (ch.unicode() >= 0x80) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = DecodeFileText(bytes);
    const IniFile ini = IniFile::FromText(text);

    // Unchanged, the file is written back as it was read, and reads again the same.
    const QString written = ini.ToText();
    FUZZ_CHECK(IniFile::FromText(written).ToText() == written);
    FUZZ_CHECK(DecodeFileText(written.toUtf8()) == written);

    const auto keys = KeysOf(text);
    std::vector<std::optional<QString>> values;
    for (const auto& [section, key] : keys) {
        values.push_back(ini.Value(section, key));
        const qint32 number = ini.ReadInteger(section, key, -7);
        const auto parsed = values.back() ? IniFile::ParseInteger(*values.back()) : std::nullopt;
        FUZZ_CHECK(number == parsed.value_or(-7));
        FUZZ_CHECK(ini.ReadString(section, key, QStringLiteral("x ")) ==
                   values.back().value_or(QStringLiteral("x")));
        if (IsAscii(section) && IsAscii(key)) {  // names match regardless of case
            FUZZ_CHECK(ini.Value(section.toUpper(), key.toUpper()) == values.back());
        }
    }

    // Write one key named from the input, with a value that survives trimming.
    qsizetype at = 0;
    const QString section = NameFrom(text, &at, 8, QStringLiteral("S"));

    // The entries of a section are the same with the key index built (ini has been
    // asked for keys) and without (a fresh read), in file order, and the first line of
    // a key gives what Value gives.
    for (const QString& name : {section, keys.empty() ? section : keys.front().first}) {
        const QList<IniFile::Entry> entries = ini.Entries(name);
        FUZZ_CHECK(IniFile::FromText(text).Entries(name) == entries);
        for (qsizetype i = 0; i < entries.size(); ++i) {
            bool first = true;
            for (qsizetype j = 0; j < i && first; ++j) {
                first = entries[j].first.compare(entries[i].first, Qt::CaseInsensitive) != 0;
            }
            if (first) {
                FUZZ_CHECK(ini.Value(name, entries[i].first) == entries[i].second);
            }
        }
    }
    const QString key = NameFrom(text, &at, 8, QStringLiteral("K"));
    const QString value = NameFrom(text, &at, 16, QString()) + QStringLiteral("=v");
    IniFile changed = ini;
    changed.WriteString(section, key, value);
    const IniFile reread = IniFile::FromText(changed.ToText());
    FUZZ_CHECK(changed.Value(section, key) == value);
    FUZZ_CHECK(reread.Value(section, key) == value);
    for (size_t i = 0; i < keys.size(); ++i) {
        const auto& [s, k] = keys[i];
        if (s.compare(section, Qt::CaseInsensitive) == 0 &&
            k.compare(key, Qt::CaseInsensitive) == 0) {
            continue;
        }
        FUZZ_CHECK(changed.Value(s, k) == values[i]);
        FUZZ_CHECK(reread.Value(s, k) == values[i]);
    }
    // A value with line breaks stays on its line: every other key keeps its value.
    IniFile broken = ini;
    broken.WriteString(section, key,
                       value + QStringLiteral("\n[") + section + QStringLiteral("]\r"));
    const IniFile broken_reread = IniFile::FromText(broken.ToText());
    for (size_t i = 0; i < keys.size(); ++i) {
        const auto& [s, k] = keys[i];
        if (s.compare(section, Qt::CaseInsensitive) != 0 ||
            k.compare(key, Qt::CaseInsensitive) != 0) {
            FUZZ_CHECK(broken_reread.Value(s, k) == values[i]);
        }
    }

    // A batch of writes gives the file that writing them one by one gives: new keys,
    // a key written twice in another spelling, keys of the file, and a key that
    // cannot be batched.
    QList<IniFile::Entry> batch = {{key, value}, {key + QStringLiteral("n"), QStringLiteral("1")}};
    for (size_t i = 0; i < std::min(keys.size(), size_t(3)); ++i) {
        batch.append({keys[i].second, QStringLiteral("k")});
    }
    batch.append({key.toLower() + QStringLiteral("N"), QStringLiteral("2")});
    batch.append({QStringLiteral(" b=") + key, QStringLiteral("3")});
    batch.append({key, QString()});
    IniFile one_by_one = ini;
    for (const auto& [k, v] : batch) {
        one_by_one.WriteString(section, k, v);
    }
    IniFile batched = ini;
    batched.WriteStrings(section, batch);
    FUZZ_CHECK(batched.ToText() == one_by_one.ToText());
    for (const auto& entry : batch) {
        FUZZ_CHECK(batched.Value(section, entry.first) == one_by_one.Value(section, entry.first));
    }

    // Integers written are read back; no hexadecimal form of one is taken as a number.
    qint32 number = 0;
    for (size_t i = 0; i < std::min(size, size_t(4)); ++i) {
        number = qint32(quint32(number) << 8 | data[i]);
    }
    changed.WriteInteger(section, key, number);
    FUZZ_CHECK(changed.ReadInteger(section, key, 0) == number);
    const QString hex = QString::number(quint32(number) & 0x7FFFFFFF, 16);
    for (const char* prefix : {"0x", "0X", "x", "$"}) {
        FUZZ_CHECK(!IniFile::ParseInteger(QLatin1String(prefix) + hex));
    }
    return 0;
}
