#include "IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "Text.h"

namespace {

bool IsBlank(QChar ch) {
    return ch.unicode() <= 0x20;
}

QString TrimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text.at(begin))) {
        ++begin;
    }
    while (end > begin && IsBlank(text.at(end - 1))) {
        --end;
    }
    return text.mid(begin, end - begin);
}

QString TrimTrailingBlanks(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && IsBlank(text.at(end - 1))) {
        --end;
    }
    return text.left(end);
}

QString Unquote(const QString& value) {
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && value.back() == first) {
            return value.mid(1, value.size() - 2);
        }
    }
    return value;
}

QString IndexKey(const QString& section, const QString& key) {
    return section.toLower() + QLatin1Char('\n') + key.toLower();
}

// A section header "[name]" gives the trimmed name; anything else gives nothing.
std::optional<QString> SectionName(const QString& trimmed_line) {
    if (!trimmed_line.startsWith(QLatin1Char('['))) {
        return std::nullopt;
    }
    qsizetype close = trimmed_line.indexOf(QLatin1Char(']'));
    if (close < 0) {
        close = trimmed_line.size();
    }
    return TrimBlanks(trimmed_line.mid(1, close - 1));
}

bool ParseDigits(QStringView digits, int base, quint64* value) {
    if (digits.isEmpty() || digits.size() > 20) {
        return false;
    }
    quint64 result = 0;
    for (const QChar ch : digits) {
        const int digit =
            ch.isDigit()                                         ? ch.digitValue()
            : (ch >= QLatin1Char('a') && ch <= QLatin1Char('f')) ? ch.unicode() - 'a' + 10
            : (ch >= QLatin1Char('A') && ch <= QLatin1Char('F')) ? ch.unicode() - 'A' + 10
                                                                 : -1;
        if (digit < 0 || digit >= base || ch.unicode() > 0x7F) {
            return false;
        }
        result = result * quint64(base) + quint64(digit);
        if (result > 0xFFFFFFFFull) {
            return false;
        }
    }
    *value = result;
    return true;
}

}  // namespace

IniFile IniFile::Load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return IniFile();
    }
    return FromText(DecodeFileText(file.readAll()));
}

IniFile IniFile::FromText(const QString& text) {
    IniFile ini;
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    ini.lines_ = normalised.split(QLatin1Char('\n'));
    if (!ini.lines_.isEmpty() && ini.lines_.back().isEmpty()) {
        ini.lines_.removeLast();  // the final line end does not start another line
    }
    return ini;
}

void IniFile::BuildIndex() const {
    key_lines_.clear();
    section_lines_.clear();
    QString current_section;
    bool in_first_occurrence = false;
    for (int i = 0; i < lines_.size(); ++i) {
        const QString trimmed = TrimBlanks(lines_.at(i));
        if (const auto name = SectionName(trimmed)) {
            current_section = name->toLower();
            in_first_occurrence = !section_lines_.contains(current_section);
            if (in_first_occurrence) {
                section_lines_.insert(current_section, i);
            }
            continue;
        }
        // Only the first section of a name is searched, as the platform does.
        if (!in_first_occurrence || trimmed.startsWith(QLatin1Char(';'))) {
            continue;
        }
        const qsizetype eq = trimmed.indexOf(QLatin1Char('='));
        if (eq < 0) {
            continue;
        }
        const QString key =
            current_section + QLatin1Char('\n') + TrimBlanks(trimmed.left(eq)).toLower();
        if (!key_lines_.contains(key)) {
            key_lines_.insert(key, i);
        }
    }
    index_valid_ = true;
}

int IniFile::FindKeyLine(const QString& section, const QString& key) const {
    if (!index_valid_) {
        BuildIndex();
    }
    return key_lines_.value(IndexKey(section, key), -1);
}

std::optional<QString> IniFile::Value(const QString& section, const QString& key) const {
    const int line = FindKeyLine(section, key);
    if (line < 0) {
        return std::nullopt;
    }
    const QString& text = lines_.at(line);
    return Unquote(TrimBlanks(text.mid(text.indexOf(QLatin1Char('=')) + 1)));
}

QString IniFile::ReadString(const QString& section, const QString& key,
                            const QString& default_value) const {
    if (auto value = Value(section, key)) {
        return *value;
    }
    return TrimTrailingBlanks(default_value);
}

std::optional<qint32> IniFile::ParseInteger(const QString& text) {
    QStringView view(text);
    bool negative = false;
    if (!view.isEmpty() && (view.front() == QLatin1Char('-') || view.front() == QLatin1Char('+'))) {
        negative = view.front() == QLatin1Char('-');
        view = view.sliced(1);
    }
    int base = 10;
    if (view.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        view = view.sliced(2);
    } else if (view.startsWith(QLatin1Char('x'), Qt::CaseInsensitive) ||
               view.startsWith(QLatin1Char('$'))) {
        base = 16;
        view = view.sliced(1);
    }
    quint64 magnitude = 0;
    if (!ParseDigits(view, base, &magnitude)) {
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

void IniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    const int existing = FindKeyLine(section, key);
    if (existing >= 0) {
        // Keep the key as the file spells it; only the value changes.
        const QString& old = lines_.at(existing);
        const QString old_key = TrimBlanks(old.left(old.indexOf(QLatin1Char('='))));
        lines_[existing] = old_key + QLatin1Char('=') + value;
        return;
    }
    const QString entry = key + QLatin1Char('=') + value;
    const int header = section_lines_.value(section.toLower(), -1);
    if (header < 0) {
        lines_.append(QLatin1Char('[') + section + QLatin1Char(']'));
        lines_.append(entry);
        index_valid_ = false;
        return;
    }
    // After the last non-blank line of the section.
    int insert_at = header + 1;
    for (int i = header + 1; i < lines_.size(); ++i) {
        const QString trimmed = TrimBlanks(lines_.at(i));
        if (SectionName(trimmed)) {
            break;
        }
        if (!trimmed.isEmpty()) {
            insert_at = i + 1;
        }
    }
    lines_.insert(insert_at, entry);
    index_valid_ = false;
}

void IniFile::WriteInteger(const QString& section, const QString& key, qint64 value) {
    WriteString(section, key, QString::number(value));
}

QString IniFile::ToText() const {
    QString text;
    for (const QString& line : lines_) {
        text += line;
        text += QLatin1String("\r\n");
    }
    return text;
}

bool IniFile::Save(const QString& path, QString* error_message) const {
    return WriteFileAtomically(path, ToText().toUtf8(), error_message);
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
