#include "SessionFile.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "IniFile.h"
#include "Station.h"
#include "TimeFormat.h"

namespace {

const QString kSection = QStringLiteral("Ustawienia");

// A real session file is a few kilobytes. Reading no more than this keeps a stray
// huge file in a day folder from stalling the browser; its keys past the cut read
// as missing.
constexpr qint64 kMaxSessionFileBytes = 256 * 1024;

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

QString Key(const char* prefix, int slot) {
    return QLatin1String(prefix) + QString::number(slot);
}

QString Key(const char* prefix, int slot, int entry) {
    return Key(prefix, slot) + QLatin1Char('_') + QString::number(entry);
}

void AppendLine(QString* text, const QString& key, const QString& value) {
    *text += key;
    *text += QLatin1Char('=');
    *text += value;
    *text += QLatin1String("\r\n");
}

// The session file's prefix of at most 256 KiB, cut after its last complete line so
// that a UTF-8 character is never split.
QString ReadSessionText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    QByteArray bytes = file.read(kMaxSessionFileBytes);
    if (!file.atEnd()) {
        const qsizetype last_line_end = bytes.lastIndexOf('\n');
        bytes.truncate(last_line_end < 0 ? 0 : last_line_end + 1);
    }
    return DecodeFileText(bytes);
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

void ReadSessionKarts(const IniFile& file, SessionRecord* record) {
    for (int n = 1; n <= kSlotCount; ++n) {
        KartSlot& kart = record->kart(n);
        kart.driver_name = file.ReadString(kSection, Key("NAZWA_", n), QStringLiteral(" "));
        kart.radio = file.ReadInteger(kSection, Key("RADIO_", n), 0) == 1;
        kart.serial_number = file.ReadInteger(kSection, Key("SN_", n), 0);
        for (int j = 1; j <= kLapEntries; ++j) {
            LapEntry& entry = kart.lap(j);
            entry.lap_time_text =
                file.ReadString(kSection, Key("LAPS_", n, j), QStringLiteral("--:--:--"));
            entry.lap_time = file.ReadInteger(kSection, Key("LAPSINT_", n, j), 0);
            entry.lap_number = file.ReadInteger(kSection, Key("LAPNR_", n, j), 0);
            entry.rpm_max = file.ReadInteger(kSection, Key("MAX_OBR_", n, j), 0);
            entry.rpm_min = file.ReadInteger(kSection, Key("MIN_OBR_", n, j), 0);
        }
    }
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
    result.day_total = int(files.size());
    table.day_total = result.day_total;
    // The most recent sessions matter most: when a day has more files than records,
    // the earliest are left out.
    const int first = std::max(0, result.day_total - kMaxSessions);
    for (int i = first; i < result.day_total; ++i) {
        const QString& name = files.at(i);
        SessionRecord& record = table.records.at(size_t(table.count));
        record.title = titles == SessionTitles::kToday
                           ? QStringLiteral("%1 : %2").arg(i + 1).arg(SessionLabel(name))
                           : name;
        record.file_path = day_folder + QLatin1Char('/') + name;
        ReadSessionKarts(IniFile::FromText(ReadSessionText(day_folder + QLatin1Char('/') + name)),
                         &record);
        ++table.count;
        result.file_names.append(name);
    }
    return result;
}
