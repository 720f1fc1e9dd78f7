#include "IniFile.h"

#include <algorithm>
#include <array>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "Text.h"

namespace {

bool IsBlank(QChar ch) {
    return ch.unicode() <= 0x20;
}

QStringView TrimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text.at(begin))) {
        ++begin;
    }
    while (end > begin && IsBlank(text.at(end - 1))) {
        --end;
    }
    return text.sliced(begin, end - begin);
}

QString TrimTrailingBlanks(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && IsBlank(text.at(end - 1))) {
        --end;
    }
    return text.left(end);
}

QStringView Unquote(QStringView value) {
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && value.back() == first) {
            return value.sliced(1, value.size() - 2);
        }
    }
    return value;
}

// A section header "[name]" gives the trimmed name; anything else gives nothing.
std::optional<QStringView> SectionName(QStringView trimmed_line) {
    if (!trimmed_line.startsWith(QLatin1Char('['))) {
        return std::nullopt;
    }
    qsizetype close = trimmed_line.indexOf(QLatin1Char(']'));
    if (close < 0) {
        close = trimmed_line.size();
    }
    return TrimBlanks(trimmed_line.sliced(1, close - 1));
}

// The key of an entry line ("key = value"), or nothing for other lines.
std::optional<QStringView> EntryKey(QStringView trimmed_line) {
    if (trimmed_line.startsWith(QLatin1Char(';'))) {
        return std::nullopt;
    }
    const qsizetype eq = trimmed_line.indexOf(QLatin1Char('='));
    if (eq < 0) {
        return std::nullopt;
    }
    return TrimBlanks(trimmed_line.first(eq));
}

// ASCII decimal digits only: "0x1A", "$ff" or a full-width digit is not a number.
bool ParseDecimalDigits(QStringView digits, quint64* value) {
    if (digits.isEmpty() || digits.size() > 20) {
        return false;
    }
    quint64 result = 0;
    for (const QChar ch : digits) {
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9')) {
            return false;
        }
        result = result * 10 + quint64(ch.unicode() - '0');
        if (result > 0xFFFFFFFFull) {
            return false;
        }
    }
    *value = result;
    return true;
}

bool HasLineBreak(QStringView value) {
    return value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r'));
}

QString OnOneLine(const QString& value) {
    QString line = value;
    line.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    return line;
}

// A key that reads back as itself from the line "key=value": no blanks or control
// characters around or in it, no '=', and no leading ';' or '['.
bool IsPlainKey(QStringView key) {
    if (key.isEmpty() || key.front() == QLatin1Char(';') || key.front() == QLatin1Char('[')) {
        return false;
    }
    return std::none_of(key.begin(), key.end(),
                        [](QChar ch) { return IsBlank(ch) || ch == QLatin1Char('='); });
}

// ASCII case-folded by a lookup rather than two comparisons: every key lookup hashes
// its name.
constexpr std::array<char16_t, 0x80> kAsciiFolded = [] {
    std::array<char16_t, 0x80> folded{};
    for (size_t c = 0; c < folded.size(); ++c) {
        folded[c] = char16_t(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return folded;
}();

}  // namespace

IniFile IniFile::Load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return IniFile();
    }
    return FromBytes(file.readAll());
}

IniFile IniFile::FromBytes(const QByteArray& bytes) {
    return FromOwnedText(DecodeFileText(bytes));
}

IniFile IniFile::FromText(const QString& text) {
    // The caller's string may itself be a view of data that does not outlive it.
    return FromOwnedText(QString(text.constData(), text.size()));
}

IniFile IniFile::FromOwnedText(const QString& text) {
    IniFile ini;
    ini.buffers_.append(text);
    // CR LF, a lone CR and a lone LF each end a line. Qt's searches scan the text in
    // blocks; most lines end in LF or CR LF, so a lone CR is looked for within a line.
    const QStringView all(text);
    const QChar* data = text.constData();
    const qsizetype size = text.size();
    qsizetype start = 0;
    qsizetype lf = -1;                                     // the first LF from start on, or size
    ini.lines_.reserve(all.count(QLatin1Char('\n')) + 1);  // one allocation, not twenty
    while (start < size) {
        if (lf < start) {
            lf = all.indexOf(QLatin1Char('\n'), start);
            lf = lf < 0 ? size : lf;
        }
        const qsizetype cr = all.sliced(start, lf - start).indexOf(QLatin1Char('\r'));
        qsizetype end = lf;
        qsizetype next = lf + 1;
        if (cr >= 0) {
            end = start + cr;
            if (end + 1 < lf) {  // a lone CR
                next = end + 1;
            }
        }
        ini.lines_.append(QString::fromRawData(data + start, end - start));
        start = next;
    }
    return ini;
}

size_t qHash(const IniFile::KeyRef& ref, size_t seed) noexcept {
    // Case-folded code points, so names that match regardless of case hash alike.
    size_t hash = seed ^ (size_t(ref.section) * 0x9E3779B97F4A7C15ull);
    const QStringView key = ref.key;
    for (qsizetype i = 0; i < key.size(); ++i) {
        char32_t code = key.at(i).unicode();
        if (code < 0x80) {  // the usual case, without the Unicode tables
            hash = (hash ^ kAsciiFolded[code]) * 1099511628211ull;
            continue;
        }
        if (QChar::isHighSurrogate(code) && i + 1 < key.size() && key.at(i + 1).isLowSurrogate()) {
            code = QChar::surrogateToUcs4(key.at(i), key.at(i + 1));
            ++i;
        }
        hash = (hash ^ QChar::toCaseFolded(code)) * 1099511628211ull;
    }
    return hash;
}

bool operator==(const IniFile::KeyRef& a, const IniFile::KeyRef& b) noexcept {
    return a.section == b.section && a.key.compare(b.key, Qt::CaseInsensitive) == 0;
}

// The index holds views into the lines, so building it copies no text: reading the
// hundred session files of a day at start-up is mostly this.
void IniFile::BuildIndex() const {
    key_lines_.clear();
    sections_.clear();
    section_numbers_.clear();
    cached_section_.reset();
    cached_section_number_ = -1;
    key_lines_.reserve(lines_.size());
    int current = -1;  // number of the section the lines belong to, -1 for none
    for (int i = 0; i < lines_.size(); ++i) {
        const QStringView trimmed = TrimBlanks(lines_.at(i));
        if (const auto name = SectionName(trimmed)) {
            // Only the first section of a name is searched, as the platform does.
            const qsizetype known = section_numbers_.size();
            int& number = section_numbers_[name->toString().toLower()];
            current = -1;
            if (section_numbers_.size() != known) {
                number = int(sections_.size());
                current = number;
                sections_.push_back({i, i + 1});
            }
            continue;
        }
        if (current < 0 || trimmed.isEmpty()) {
            continue;
        }
        sections_[size_t(current)].end = i + 1;
        if (const auto key = EntryKey(trimmed)) {
            // The first line of a key counts: a line is stored only when its key is new
            // (one hash lookup for both questions).
            const qsizetype known = key_lines_.size();
            int& line = key_lines_[KeyRef{current, *key}];
            if (key_lines_.size() != known) {
                line = i;
            }
        }
    }
    index_valid_ = true;
}

int IniFile::SectionNumber(const QString& section) const {
    // An empty section name is a name like any other, so "nothing cached" is its own state.
    if (!cached_section_ || section != *cached_section_) {
        cached_section_ = section;
        cached_section_number_ = section_numbers_.value(section.toLower(), -1);
    }
    return cached_section_number_;
}

int IniFile::SectionLine(const QString& section) const {
    const int number = SectionNumber(section);
    return number < 0 ? -1 : sections_[size_t(number)].header;
}

int IniFile::FindKeyLine(const QString& section, QStringView key) const {
    if (!index_valid_) {
        BuildIndex();
    }
    const int number = SectionNumber(section);
    if (number < 0) {
        return -1;
    }
    return key_lines_.value(KeyRef{number, key}, -1);
}

std::optional<QString> IniFile::Value(const QString& section, const QString& key) const {
    const int line = FindKeyLine(section, key);
    if (line < 0) {
        return std::nullopt;
    }
    const QString& text = lines_.at(line);
    return Unquote(TrimBlanks(QStringView(text).sliced(text.indexOf(QLatin1Char('=')) + 1)))
        .toString();
}

QString IniFile::ReadString(const QString& section, const QString& key,
                            const QString& default_value) const {
    if (auto value = Value(section, key)) {
        return *value;
    }
    return TrimTrailingBlanks(default_value);
}

std::optional<qint32> IniFile::ParseInteger(QStringView text) {
    QStringView view = text;
    bool negative = false;
    if (!view.isEmpty() && (view.front() == QLatin1Char('-') || view.front() == QLatin1Char('+'))) {
        negative = view.front() == QLatin1Char('-');
        view = view.sliced(1);
    }
    quint64 magnitude = 0;
    if (!ParseDecimalDigits(view, &magnitude)) {
        return std::nullopt;
    }
    const qint64 value = negative ? -qint64(magnitude) : qint64(magnitude);
    if (value < qint64(INT32_MIN) || value > qint64(INT32_MAX)) {
        return std::nullopt;
    }
    return qint32(value);
}

qint32 IniFile::ReadInteger(const QString& section, const QString& key,
                            qint32 default_value) const {
    const auto text = Value(section, key);
    if (!text) {
        return default_value;
    }
    return ParseInteger(*text).value_or(default_value);
}

int IniFile::FirstSectionLine(const QString& section) const {
    const QString lower = section.toLower();
    for (int i = 0; i < lines_.size(); ++i) {
        const auto name = SectionName(TrimBlanks(lines_.at(i)));
        if (name && name->toString().toLower() == lower) {
            return i;
        }
    }
    return -1;
}

QList<IniFile::Entry> IniFile::Entries(const QString& section) const {
    QList<Entry> entries;
    VisitEntries(section, [&entries](QStringView key, QStringView value) {
        entries.append({key.toString(), value.toString()});
    });
    return entries;
}

void IniFile::VisitEntries(const QString& section,
                           const std::function<void(QStringView, QStringView)>& visit) const {
    // A file read for its entries alone (a session file, messages.ini) needs no key
    // index: building one would cost more than this pass.
    const int header = index_valid_ ? SectionLine(section) : FirstSectionLine(section);
    if (header < 0) {
        return;
    }
    // The section runs to the next header line, whatever its name, as in BuildIndex.
    for (int i = header + 1; i < lines_.size(); ++i) {
        const QStringView trimmed = TrimBlanks(lines_.at(i));
        if (SectionName(trimmed)) {
            break;
        }
        if (const auto key = EntryKey(trimmed)) {
            const QStringView value = trimmed.sliced(trimmed.indexOf(QLatin1Char('=')) + 1);
            visit(*key, Unquote(TrimBlanks(value)));
        }
    }
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& text) {
    const QString value = HasLineBreak(text) ? OnOneLine(text) : text;
    const int existing = FindKeyLine(section, key);
    if (existing >= 0) {
        // Keep the key as the file spells it; only the value changes. The index holds
        // a view of the old line, so it is re-pointed at the new one.
        const QString old = lines_.at(existing);
        const QStringView old_key =
            TrimBlanks(QStringView(old).first(old.indexOf(QLatin1Char('='))));
        const int number = SectionNumber(section);
        key_lines_.remove(KeyRef{number, old_key});
        lines_[existing] = old_key.toString() + QLatin1Char('=') + value;
        const QString& line = lines_.at(existing);
        key_lines_.insert(KeyRef{number, QStringView(line).first(old_key.size())}, existing);
        return;
    }
    const QString entry = key + QLatin1Char('=') + value;
    const int number = SectionNumber(section);
    if (number < 0) {
        lines_.append(QLatin1Char('[') + section + QLatin1Char(']'));
        lines_.append(entry);
        index_valid_ = false;
        return;
    }
    // After the last non-blank line of the section.
    const int insert_at = sections_[size_t(number)].end;
    lines_.insert(insert_at, entry);
    // The index of a key that does not read back as itself would disagree with the
    // file: such a key is indexed as the next reading sees it.
    if (!IsPlainKey(key)) {
        index_valid_ = false;
        return;
    }
    if (insert_at == lines_.size() - 1) {
        // At the end of the file (the usual case: one section) no other line moves,
        // so writing many keys stays linear.
        sections_[size_t(number)].end = insert_at + 1;
    } else {
        // Every later line moves down one; the keys stay, so nothing is hashed again.
        for (SectionSpan& span : sections_) {
            span.header += span.header >= insert_at ? 1 : 0;
            span.end += span.end >= insert_at ? 1 : 0;
        }
        for (int& line : key_lines_) {
            line += line >= insert_at ? 1 : 0;
        }
    }
    key_lines_.insert(KeyRef{number, QStringView(lines_.at(insert_at)).first(key.size())},
                      insert_at);
}

void IniFile::WriteStrings(const QString& section, const QList<Entry>& entries) {
    QList<EntryView> views;
    views.reserve(entries.size());
    for (const Entry& entry : entries) {
        views.append({entry.first, entry.second});
    }
    WriteStrings(section, views);
}

void IniFile::WriteStrings(const QString& section, const QList<EntryView>& entries) {
    // Other keys may read back as another key or as no key at all; they are written
    // one by one, as are values that WriteString puts on one line.
    QList<EntryView> added;  // new entries, in order
    // A new key goes into the key index at once, marked as pending (-2 - its place in
    // added), so that one lookup tells a key of the file from one written earlier in
    // this call and from a new one. The marks last until the new lines go in, which
    // leaves the index to be rebuilt.
    const auto pending_mark = [](qsizetype at) { return int(-2 - at); };
    const auto insert_added = [&] {
        if (added.isEmpty()) {
            return;
        }
        // The new lines are views into one text, so a batch of 40,000 new keys makes
        // a few allocations.
        qsizetype length = 0;
        for (const auto& [key, value] : added) {
            length += key.size() + 1 + value.size();
        }
        QString block;
        block.reserve(length);
        for (const auto& [key, value] : added) {
            block += key;
            block += QLatin1Char('=');
            block += value;
        }
        buffers_.append(block);
        const int insert_at = sections_[size_t(SectionNumber(section))].end;
        QStringList lines;
        lines.reserve(lines_.size() + added.size());
        lines.append(lines_.first(insert_at));
        const QChar* at = block.constData();
        for (const auto& [key, value] : added) {
            const qsizetype line_length = key.size() + 1 + value.size();
            lines.append(QString::fromRawData(at, line_length));
            at += line_length;
        }
        lines.append(lines_.sliced(insert_at));
        lines_ = std::move(lines);
        index_valid_ = false;
        added.clear();
    };
    if (!index_valid_) {
        BuildIndex();
    }
    key_lines_.reserve(key_lines_.size() + entries.size());
    for (const auto& [key, value] : entries) {
        if (!index_valid_) {
            BuildIndex();  // nothing is pending then
        }
        const int number = SectionNumber(section);
        if (number < 0 || !IsPlainKey(key) || HasLineBreak(value)) {
            insert_added();
            WriteString(section, key.toString(), value.toString());
            continue;
        }
        const qsizetype known = key_lines_.size();
        int& line = key_lines_[KeyRef{number, key}];
        if (key_lines_.size() != known) {
            line = pending_mark(added.size());
            added.append({key, value});
        } else if (line >= 0) {
            WriteString(section, key.toString(), value.toString());  // in place: no line moves
        } else {
            // Written earlier in this call: the first spelling of the key stays.
            added[pending_mark(line)].second = value;
        }
    }
    insert_added();
}

void IniFile::WriteInteger(const QString& section, const QString& key, qint64 value) {
    WriteString(section, key, QString::number(value));
}

QString IniFile::ToText() const {
    qsizetype length = 0;
    for (const QString& line : lines_) {
        length += line.size() + 2;
    }
    QString text;
    text.reserve(length);
    for (const QString& line : lines_) {
        text += line;
        text += QLatin1String("\r\n");
    }
    return text;
}

QByteArray IniFile::ToBytes() const {
    return ToText().toUtf8();
}

bool IniFile::Save(const QString& path, QString* error_message) const {
    return WriteFileAtomically(path, ToBytes(), error_message);
}

bool WriteFileAtomically(const QString& path, const QByteArray& contents, QString* error_message) {
    QSaveFile file(path);
    // Unbuffered, so a short write (disk full, file size limit) shows in write()'s
    // count: through the buffer, Qt 6.4 loses it and commits the cut file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error_message) {
            *error_message = QStringLiteral("Cannot write %1: %2")
                                 .arg(QDir::toNativeSeparators(path), file.errorString());
        }
        return false;
    }
    if (file.write(contents) != contents.size() || !file.commit()) {
        if (error_message) {
            *error_message = QStringLiteral("Cannot write %1: %2")
                                 .arg(QDir::toNativeSeparators(path), file.errorString());
        }
        file.cancelWriting();
        return false;
    }
    return true;
}
