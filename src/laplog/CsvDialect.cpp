#include "CsvDialect.h"

#include <QLocale>

namespace csv {

ExportFormat ExportFormatFor(const QLocale& locale) {
    if (locale.decimalPoint() == QLatin1String(",")) {
        return ExportFormat{';', ','};
    }
    return ExportFormat{',', '.'};
}

ExportFormat StationExportFormat() {
    return ExportFormatFor(QLocale::system());
}

QString DecimalSeconds(qint64 centiseconds, const ExportFormat& format) {
    const char* sign = centiseconds < 0 ? "-" : "";
    const qint64 magnitude = centiseconds < 0 ? -centiseconds : centiseconds;
    return QString::asprintf("%s%lld%c%2.2lld", sign, magnitude / 100, format.decimal,
                             magnitude % 100);
}

QByteArray Field(const QString& text, char separator) {
    const QByteArray utf8 = text.toUtf8();
    const bool needs_quotes = utf8.contains(separator) || utf8.contains('"') ||
                              utf8.contains('\r') || utf8.contains('\n');
    if (!needs_quotes) {
        return utf8;
    }
    QByteArray quoted;
    quoted.reserve(utf8.size() + 8);
    quoted += '"';
    for (const char c : utf8) {
        if (c == '"') {
            quoted += '"';
        }
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

QByteArray Record(const QStringList& fields, char separator) {
    QByteArray out;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            out += separator;
        }
        out += Field(fields.at(i), separator);
    }
    out += "\r\n";
    return out;
}

Reader::Reader(const QByteArray& bytes, char separator, LineBreaks line_breaks)
    : bytes_(bytes), separator_(separator), line_breaks_(line_breaks) {
    if (bytes_.startsWith(kByteOrderMark)) {
        pos_ = 3;
    }
}

bool Reader::Next(ParsedRecord* record) {
    const qsizetype size = bytes_.size();
    if (pos_ >= size) {
        return false;
    }
    record->fields.clear();
    record->line = line_;
    record->too_long = false;
    record->unclosed_quote = false;
    const qsizetype start = pos_;
    QByteArray field;
    bool in_quotes = false;
    bool field_was_quoted = false;
    int lines_inside = 0;
    qsizetype p = pos_;
    for (; p < size; ++p) {
        const char c = bytes_.at(p);
        if (p - start > kMaxRecordBytes) {
            // Skip to the end of the physical line the record started on.
            const qsizetype end = bytes_.indexOf('\n', start);
            record->fields.clear();
            record->too_long = true;
            if (end < 0) {
                incomplete_tail_ = line_;
                pos_ = size;
                return true;
            }
            pos_ = end + 1;
            line_ += 1;
            return true;
        }
        if (in_quotes) {
            if (c == '"') {
                if (p + 1 < size && bytes_.at(p + 1) == '"') {
                    field += '"';
                    ++p;
                } else {
                    in_quotes = false;
                }
            } else {
                if (c == '\n') {
                    if (line_breaks_ == LineBreaks::kEndRecords) {
                        record->fields.clear();
                        record->unclosed_quote = true;
                        pos_ = p + 1;
                        line_ += 1;
                        return true;
                    }
                    ++lines_inside;
                }
                field += c;
            }
            continue;
        }
        if (c == '"' && field.isEmpty() && !field_was_quoted) {
            in_quotes = true;
            field_was_quoted = true;
            continue;
        }
        if (c == separator_) {
            record->fields.append(QString::fromUtf8(field));
            field.clear();
            field_was_quoted = false;
            continue;
        }
        if (c == '\n') {
            if (!field_was_quoted && field.endsWith('\r')) {
                field.chop(1);
            }
            record->fields.append(QString::fromUtf8(field));
            pos_ = p + 1;
            line_ += 1 + lines_inside;
            return true;
        }
        if (c == '\r' && field_was_quoted) {
            continue;  // the CR of CR LF after a closing quote
        }
        field += c;
    }
    // No line break after the last record: a cut, not a record.
    incomplete_tail_ = line_;
    pos_ = size;
    return false;
}

}  // namespace csv
