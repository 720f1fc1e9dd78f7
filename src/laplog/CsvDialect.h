#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QLocale;

// The CSV dialect of the lap log and the CSV exports (docs/lap-log.md): UTF-8, CR LF
// after each record, a field quoted when it holds the separator, '"', CR or LF, with
// quotes doubled inside (RFC 4180 apart from the separator). The lap log always
// separates with ';'; the exports with the list separator of the station's locale.
namespace csv {

inline constexpr char kSeparator = ';';
// Spreadsheet programs take a file for UTF-8 only when it starts with this.
inline constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

QByteArray Field(const QString& text, char separator = kSeparator);
// The fields joined and ended by CR LF.
QByteArray Record(const QStringList& fields, char separator = kSeparator);

// How an export writes decimal numbers and separates fields: as a spreadsheet in
// the station's locale reads a file it opens. Where the decimal separator is a
// comma (Polish, German) a decimal point would turn 30.07 into a date, and the
// list separator is ';'; elsewhere the decimal is a point and fields part at ','.
struct ExportFormat {
    char separator = ',';
    char decimal = '.';
};
ExportFormat ExportFormatFor(const QLocale& locale);
// The format of the locale the station runs in (QLocale::system()).
ExportFormat StationExportFormat();
// Centiseconds as decimal seconds with two places: "62.33" or "62,33".
QString DecimalSeconds(qint64 centiseconds, const ExportFormat& format);

// One record read back, with the physical line it started on (1-based).
struct ParsedRecord {
    QStringList fields;
    int line = 0;
    bool too_long = false;  // longer than the reader's limit: fields left empty
    // One record per line only: a quote still open at the line's end (fields left
    // empty). The next record starts on the next line.
    bool unclosed_quote = false;
};

// Whether a quoted field may hold line breaks. Files this program writes for
// itself never do, so a stray quote there costs only its own line.
enum class LineBreaks { kMayBeQuoted, kEndRecords };

// Reads records one by one. A record counts only when its terminating line break
// is there: the bytes after the last one (a file cut while written) are not a
// record and are reported through incomplete_tail(). A leading byte-order mark is
// skipped; LF alone ends a record as well as CR LF.
class Reader {
  public:
    // Records longer than this are skipped whole (a quote left open by hand would
    // otherwise swallow the rest of the file).
    static constexpr qsizetype kMaxRecordBytes = 64 * 1024;

    explicit Reader(const QByteArray& bytes, char separator = kSeparator,
                    LineBreaks line_breaks = LineBreaks::kMayBeQuoted);

    // False at the end.
    bool Next(ParsedRecord* record);
    // Line number where an unterminated record starts at the end, or 0.
    int incomplete_tail() const { return incomplete_tail_; }

  private:
    const QByteArray bytes_;  // shared, not copied
    const char separator_;
    LineBreaks line_breaks_;
    qsizetype pos_ = 0;
    int line_ = 1;
    int incomplete_tail_ = 0;
};

}  // namespace csv
