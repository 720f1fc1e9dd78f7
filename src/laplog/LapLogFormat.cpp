#include "LapLogFormat.h"

#include <QFile>
#include <QFileInfo>
#include <array>

#include "CsvDialect.h"
#include "Text.h"

namespace {

enum Column {
    kKind,
    kSlot,
    kDriver,
    kSerial,
    kRadio,
    kLap,
    kLapTime,
    kLapSeconds,
    kLapTimeCs,
    kTopTen,
    kRpmMax,
    kRpmMin,
    kTimeOfDay,
    kSessionTimeCs,
    kSector,
    kSectorTimeCs,
    kColumnCount
};

constexpr std::array<const char*, kColumnCount> kColumnNames = {
    "kind",          "slot",     "driver",      "serial",          "radio",
    "lap",           "lap_time", "lap_seconds", "lap_time_cs",     "top_ten",
    "rpm_max",       "rpm_min",  "time_of_day", "session_time_cs", "sector",
    "sector_time_cs"};

const QString kTimeOfDayFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz");

// A log bigger than this is not a session's (a busy day has a few hundred laps);
// only its beginning is read.
constexpr qint64 kMaxLogBytes = 64 * 1024 * 1024;
// Enough reasons to see what went wrong without burying the operator.
constexpr int kMaxSkippedReasons = 50;

using Row = std::array<QString, kColumnCount>;

// One record per line, always: a line break in a name becomes a blank, so a reader
// can take the log line by line and a damaged line costs only itself.
QByteArray Line(const Row& row) {
    QStringList fields;
    fields.reserve(kColumnCount);
    for (const QString& field : row) {
        QString flat = field;
        flat.replace(QLatin1Char('\r'), QLatin1Char(' '))
            .replace(QLatin1Char('\n'), QLatin1Char(' '));
        fields.append(flat);
    }
    return csv::Record(fields);
}

QString TimeOfDay(const QDateTime& at) {
    return at.isValid() ? at.toString(kTimeOfDayFormat) : QString();
}

// kTimeOfDayFormat read by hand: Qt 6.8's format parser builds a local time several
// times a call, which made a busy day's lap logs six times slower to read than
// under Qt 6.4. Digits only, every field its full width, or invalid.
QDateTime ParseTimeOfDay(QStringView text) {
    if (text.size() != 23) {
        return {};
    }
    auto field = [text](qsizetype from, qsizetype width) {
        int value = 0;
        for (qsizetype i = from; i < from + width; ++i) {
            if (!text[i].isDigit() || text[i].unicode() > '9') {
                return -1;
            }
            value = value * 10 + (text[i].unicode() - '0');
        }
        return value;
    };
    const QStringView separators = u"-- ::.";
    const std::array<qsizetype, 6> separator_at = {4, 7, 10, 13, 16, 19};
    for (size_t i = 0; i < separator_at.size(); ++i) {
        if (text[separator_at[i]] != separators[qsizetype(i)]) {
            return {};
        }
    }
    const int year = field(0, 4);
    if (year < 1) {
        return {};  // QDate takes -1 for a year before Christ
    }
    const QDate date(year, field(5, 2), field(8, 2));
    const QTime time(field(11, 2), field(14, 2), field(17, 2), field(20, 3));
    return date.isValid() && time.isValid() ? QDateTime(date, time) : QDateTime();
}

void PutKart(Row& row, int slot, const QString& driver, qint32 serial, bool radio) {
    row[kSlot] = QString::number(slot);
    row[kDriver] = driver;
    row[kSerial] = QString::number(quint32(serial));
    row[kRadio] = radio ? QStringLiteral("1") : QStringLiteral("0");
}

// A lap time in its three columns: text, decimal seconds, centiseconds.
void PutLapTime(Row& row, qint32 lap_time) {
    row[kLapTime] = LapTimeText(lap_time);
    row[kLapSeconds] = DecimalSeconds(lap_time);
    row[kLapTimeCs] = QString::number(lap_time);
}

class RowReader {
  public:
    explicit RowReader(SessionLapLog* log) : log_(log) {}

    void Skip(int line, const QString& reason) {
        ++skipped_count_;
        if (skipped_count_ <= kMaxSkippedReasons) {
            log_->skipped.append(QStringLiteral("line %1: %2").arg(line).arg(reason));
        }
    }
    void Finish() {
        if (skipped_count_ > kMaxSkippedReasons) {
            log_->skipped.append(
                QStringLiteral("%1 more lines skipped").arg(skipped_count_ - kMaxSkippedReasons));
        }
    }

    void UseDefaultColumns() {
        for (int c = 0; c < kColumnCount; ++c) {
            index_[size_t(c)] = c;
        }
    }

    // Maps the header's names to columns; false when the record is no header.
    bool ReadHeader(const QStringList& fields) {
        if (fields.isEmpty() ||
            fields.first().trimmed().compare(QLatin1String("kind"), Qt::CaseInsensitive) != 0) {
            return false;
        }
        index_.fill(-1);
        for (qsizetype i = 0; i < fields.size(); ++i) {
            for (int c = 0; c < kColumnCount; ++c) {
                if (fields.at(i).trimmed().compare(QLatin1String(kColumnNames[size_t(c)]),
                                                   Qt::CaseInsensitive) == 0 &&
                    index_[size_t(c)] < 0) {
                    index_[size_t(c)] = int(i);
                }
            }
        }
        return true;
    }

    void ReadRecord(const csv::ParsedRecord& record) {
        fields_ = &record.fields;
        line_ = record.line;
        const QString kind = Text(kKind).toLower();
        if (kind == QLatin1String("kind")) {
            ReadHeader(record.fields);  // two logs joined into one file
        } else if (kind == QLatin1String("lap")) {
            ReadLap();
        } else if (kind == QLatin1String("sector")) {
            ReadSector();
        } else if (kind == QLatin1String("kart")) {
            ReadKart();
        } else if (kind == QLatin1String("deleted") || kind == QLatin1String("restored")) {
            ReadCorrection(kind == QLatin1String("deleted"));
        } else {
            Skip(line_, QStringLiteral("not a lap log record"));
        }
    }

  private:
    QString Text(Column c) const { return Raw(c).trimmed(); }
    // As written: a name keeps its leading and trailing blanks.
    QString Raw(Column c) const {
        const int i = index_[size_t(c)];
        return i >= 0 && i < fields_->size() ? fields_->at(i) : QString();
    }
    // Whole numbers only; an empty or malformed field fails the record.
    bool Number(Column c, qint64 min, qint64 max, qint64* value) {
        bool ok = false;
        const qint64 v = Text(c).toLongLong(&ok);
        if (!ok || v < min || v > max) {
            error_ = QStringLiteral("%1 is not a valid number").arg(kColumnNames[size_t(c)]);
            return false;
        }
        *value = v;
        return true;
    }
    // An optional number reads as 0 when empty.
    bool OptionalNumber(Column c, qint64 min, qint64 max, qint64* value) {
        if (Text(c).isEmpty()) {
            *value = 0;
            return true;
        }
        return Number(c, min, max, value);
    }
    bool Kart(int* slot, QString* driver, qint32* serial, bool* radio) {
        qint64 s = 0;
        qint64 sn = 0;
        qint64 r = 0;
        if (!Number(kSlot, 1, 5, &s) || !OptionalNumber(kSerial, 0, 0xFFFFFFFFLL, &sn) ||
            !OptionalNumber(kRadio, 0, 1, &r)) {
            return false;
        }
        *slot = int(s);
        *driver = CutToCharacters(Raw(kDriver), 20);
        *serial = qint32(quint32(sn));
        *radio = r == 1;
        return true;
    }
    QDateTime At() const { return ParseTimeOfDay(Text(kTimeOfDay)); }

    void ReadLap() {
        LapRecord lap;
        qint64 number = 0;
        qint64 time = 0;
        qint64 session_time = 0;
        qint64 rpm_max = 0;
        qint64 rpm_min = 0;
        qint64 top_ten = 0;
        const bool ok = Kart(&lap.slot, &lap.driver_name, &lap.serial_number, &lap.radio) &&
                        Number(kLap, 0, INT32_MAX, &number) &&
                        Number(kLapTimeCs, 1, INT32_MAX, &time) &&
                        OptionalNumber(kSessionTimeCs, 0, INT64_MAX, &session_time) &&
                        OptionalNumber(kRpmMax, INT32_MIN, INT32_MAX, &rpm_max) &&
                        OptionalNumber(kRpmMin, INT32_MIN, INT32_MAX, &rpm_min) &&
                        OptionalNumber(kTopTen, 0, 1, &top_ten);
        if (!ok) {
            Skip(line_, error_);
            return;
        }
        lap.lap_number = qint32(number);
        lap.lap_time = qint32(time);
        lap.session_time = session_time;
        lap.rpm_max = qint32(rpm_max);
        lap.rpm_min = qint32(rpm_min);
        lap.entered_top_ten = top_ten == 1;
        lap.ended_at = At();
        lap.order = line_;
        log_->laps.push_back(lap);
    }

    // Marks the lap the correction names: the latest lap before it with the same
    // slot, lap number, lap time and session time that is not yet in that state.
    void ReadCorrection(bool deleting) {
        int slot = 0;
        QString driver;
        qint32 serial = 0;
        bool radio = false;
        qint64 number = 0;
        qint64 time = 0;
        qint64 session_time = 0;
        const bool ok = Kart(&slot, &driver, &serial, &radio) &&
                        Number(kLap, 0, INT32_MAX, &number) &&
                        Number(kLapTimeCs, 1, INT32_MAX, &time) &&
                        OptionalNumber(kSessionTimeCs, 0, INT64_MAX, &session_time);
        if (!ok) {
            Skip(line_, error_);
            return;
        }
        for (auto lap = log_->laps.rbegin(); lap != log_->laps.rend(); ++lap) {
            if (lap->slot == slot && lap->lap_number == number && lap->lap_time == time &&
                lap->session_time == session_time && lap->deleted != deleting) {
                lap->deleted = deleting;
                lap->deleted_at = deleting ? At() : QDateTime();
                return;
            }
        }
        Skip(line_, deleting ? QStringLiteral("the deleted lap is not in the log")
                             : QStringLiteral("the restored lap is not a deleted lap of the log"));
    }

    void ReadSector() {
        SectorRecord sector;
        QString driver;
        qint32 serial = 0;
        bool radio = false;
        qint64 number = 0;
        qint64 lap = 0;
        qint64 time = 0;
        qint64 session_time = 0;
        qint64 rpm_max = 0;
        qint64 rpm_min = 0;
        const bool ok = Kart(&sector.slot, &driver, &serial, &radio) &&
                        Number(kSector, 0, 255, &number) && Number(kLap, 0, 255, &lap) &&
                        Number(kSectorTimeCs, 0, 0xFFFFFFFFLL, &time) &&
                        OptionalNumber(kSessionTimeCs, 0, INT64_MAX, &session_time) &&
                        OptionalNumber(kRpmMax, 0, 65535, &rpm_max) &&
                        OptionalNumber(kRpmMin, 0, 65535, &rpm_min);
        if (!ok) {
            Skip(line_, error_);
            return;
        }
        sector.sector = qint32(number);
        sector.lap_number = qint32(lap);
        sector.sector_time = qint32(quint32(time));
        sector.session_time = session_time;
        sector.rpm_max = qint32(rpm_max);
        sector.rpm_min = qint32(rpm_min);
        sector.seen_at = At();
        sector.order = line_;
        log_->sectors.push_back(sector);
    }

    void ReadKart() {
        LapLogKart kart;
        qint64 best = 0;
        if (!Kart(&kart.slot, &kart.driver_name, &kart.serial_number, &kart.radio) ||
            !OptionalNumber(kLapTimeCs, 0, INT32_MAX, &best)) {
            Skip(line_, error_);
            return;
        }
        kart.best_lap_time = qint32(best);
        log_->karts.push_back(kart);
    }

    SessionLapLog* log_;
    std::array<int, kColumnCount> index_{};
    const QStringList* fields_ = nullptr;
    int line_ = 0;
    QString error_;
    int skipped_count_ = 0;
};

}  // namespace

QString LapsFolderPath(const QString& day_folder) {
    QString folder = day_folder;
    if (!folder.endsWith(QLatin1Char('/'))) {
        folder += QLatin1Char('/');
    }
    return folder + QStringLiteral("laps");
}

QString LapLogPathFor(const QString& session_file_path) {
    const QFileInfo session(session_file_path);
    return LapsFolderPath(session.path()) + QLatin1Char('/') + session.completeBaseName() +
           QStringLiteral(".csv");
}

QString LapTimeText(qint64 centiseconds) {
    const qint64 seconds = centiseconds / 100;
    return QString::asprintf("%2.2lld:%2.2lld.%2.2lld", seconds / 60, seconds % 60,
                             centiseconds % 100);
}

QString DecimalSeconds(qint64 centiseconds) {
    return QString::asprintf("%lld.%2.2lld", centiseconds / 100, centiseconds % 100);
}

QByteArray LapLogHeader() {
    Row row;
    for (int c = 0; c < kColumnCount; ++c) {
        row[size_t(c)] = QString::fromLatin1(kColumnNames[size_t(c)]);
    }
    return QByteArray(csv::kByteOrderMark) + Line(row);
}

QByteArray LapLogLine(const LapRecord& lap) {
    Row row;
    row[kKind] = QStringLiteral("lap");
    PutKart(row, lap.slot, lap.driver_name, lap.serial_number, lap.radio);
    row[kLap] = QString::number(lap.lap_number);
    PutLapTime(row, lap.lap_time);
    row[kTopTen] = lap.entered_top_ten ? QStringLiteral("1") : QStringLiteral("0");
    row[kRpmMax] = QString::number(lap.rpm_max);
    row[kRpmMin] = QString::number(lap.rpm_min);
    row[kTimeOfDay] = TimeOfDay(lap.ended_at);
    row[kSessionTimeCs] = QString::number(lap.session_time);
    return Line(row);
}

QByteArray LapLogLine(const LapCorrectionRecord& correction) {
    Row row;
    row[kKind] = correction.deleted ? QStringLiteral("deleted") : QStringLiteral("restored");
    PutKart(row, correction.slot, correction.driver_name, correction.serial_number,
            correction.radio);
    // The lap's own number, time and session time name it; the time of day is the
    // correction's.
    row[kLap] = QString::number(correction.lap_number);
    PutLapTime(row, correction.lap_time);
    row[kTimeOfDay] = TimeOfDay(correction.at);
    row[kSessionTimeCs] = QString::number(correction.lap_session_time);
    return Line(row);
}

QByteArray LapLogLine(const SectorRecord& sector) {
    Row row;
    row[kKind] = QStringLiteral("sector");
    row[kSlot] = QString::number(sector.slot);
    row[kLap] = QString::number(sector.lap_number);
    row[kRpmMax] = QString::number(sector.rpm_max);
    row[kRpmMin] = QString::number(sector.rpm_min);
    row[kTimeOfDay] = TimeOfDay(sector.seen_at);
    row[kSessionTimeCs] = QString::number(sector.session_time);
    row[kSector] = QString::number(sector.sector);
    row[kSectorTimeCs] = QString::number(quint32(sector.sector_time));
    return Line(row);
}

QByteArray LapLogLine(const LapLogKart& kart) {
    Row row;
    row[kKind] = QStringLiteral("kart");
    PutKart(row, kart.slot, kart.driver_name, kart.serial_number, kart.radio);
    row[kLapTimeCs] = QString::number(kart.best_lap_time);
    return Line(row);
}

SessionLapLog ParseLapLog(const QByteArray& bytes) {
    SessionLapLog log;
    RowReader rows(&log);
    csv::Reader reader(bytes, csv::kSeparator, csv::LineBreaks::kEndRecords);
    csv::ParsedRecord record;
    bool first = true;
    while (reader.Next(&record)) {
        if (record.too_long) {
            rows.Skip(
                record.line,
                QStringLiteral("longer than %1 KiB").arg(csv::Reader::kMaxRecordBytes / 1024));
            continue;
        }
        if (record.unclosed_quote) {
            rows.Skip(record.line, QStringLiteral("a quote is not closed on its line"));
            continue;
        }
        if (first) {
            first = false;
            if (rows.ReadHeader(record.fields)) {
                continue;
            }
            // The header was lost (edited away): the columns are taken in the
            // order this program writes them.
            rows.UseDefaultColumns();
            rows.Skip(record.line, QStringLiteral("no header; columns taken in the usual order"));
        }
        if (record.fields.size() == 1 && record.fields.first().trimmed().isEmpty()) {
            continue;  // a blank line
        }
        rows.ReadRecord(record);
    }
    if (reader.incomplete_tail() > 0) {
        rows.Skip(reader.incomplete_tail(),
                  QStringLiteral("cut off (the log ends in the middle of it)"));
    }
    rows.Finish();
    return log;
}

SessionLapLog ReadLapLog(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        SessionLapLog log;
        if (file.exists()) {
            log.skipped.append(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        }
        return log;
    }
    QByteArray bytes = file.read(kMaxLogBytes);
    const bool cut = !file.atEnd();
    if (cut) {
        // Only whole records of the part read count.
        bytes.truncate(bytes.lastIndexOf('\n') + 1);
    }
    SessionLapLog log = ParseLapLog(bytes);
    if (cut) {
        log.skipped.append(
            QStringLiteral("only the first %1 MiB were read").arg(kMaxLogBytes / (1024 * 1024)));
    }
    return log;
}
