// Fuzz target: a day folder of session files. The input, cut at each "\n~~~\n", is
// up to four files of a day, loaded from memory by both loaders (today's list and
// the history browser) through the loading that follows the folder's listing. The
// replay test also writes them into a fresh day folder and loads that from disk.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <cstdint>
#include <memory>

#include "FuzzCheck.h"
#include "IniFile.h"
#include "SessionFile.h"
#include "SessionRecord.h"
#include "Text.h"

namespace {

// File names in name order, including names that are not session file names.
const char* const kFileNames[] = {"2012_05_31_14_05.txt", "2012_05_31_14_06.txt", "notes",
                                  "x_y.txt"};
constexpr int kMaxFiles = 4;

bool SameKart(const KartSlot& a, const KartSlot& b) {
    if (a.driver_name != b.driver_name || a.radio != b.radio ||
        a.serial_number != b.serial_number) {
        return false;
    }
    for (int j = 1; j <= kLapEntries; ++j) {
        const LapEntry& x = a.lap(j);
        const LapEntry& y = b.lap(j);
        if (x.lap_time != y.lap_time || x.lap_time_text != y.lap_time_text ||
            x.lap_number != y.lap_number || x.rpm_max != y.rpm_max || x.rpm_min != y.rpm_min) {
            return false;
        }
    }
    return true;
}

// The kart fields of a session file by one lookup per key, written out here from the
// file's key names, not taken from the loader.
SessionRecord ByLookups(const IniFile& file) {
    // The 265 names, made once.
    struct Names {
        QString name, radio, serial;
        std::array<QString, kLapEntries> text, time, number, max, min;
    };
    static const std::array<Names, kSlotCount> names = [] {
        std::array<Names, kSlotCount> all;
        for (int n = 1; n <= kSlotCount; ++n) {
            Names& k = all[size_t(n - 1)];
            const auto key = [n](const char* name) {
                return QLatin1String(name) + QString::number(n);
            };
            k.name = key("NAZWA_");
            k.radio = key("RADIO_");
            k.serial = key("SN_");
            for (int j = 1; j <= kLapEntries; ++j) {
                const auto lap_key = [&](const char* name) {
                    return key(name) + QLatin1Char('_') + QString::number(j);
                };
                k.text[size_t(j - 1)] = lap_key("LAPS_");
                k.time[size_t(j - 1)] = lap_key("LAPSINT_");
                k.number[size_t(j - 1)] = lap_key("LAPNR_");
                k.max[size_t(j - 1)] = lap_key("MAX_OBR_");
                k.min[size_t(j - 1)] = lap_key("MIN_OBR_");
            }
        }
        return all;
    }();
    const QString section = QStringLiteral("Ustawienia");
    SessionRecord record;
    for (int n = 1; n <= kSlotCount; ++n) {
        const Names& k = names[size_t(n - 1)];
        KartSlot& kart = record.kart(n);
        kart.driver_name = file.ReadString(section, k.name, QStringLiteral(" "));
        kart.radio = file.ReadInteger(section, k.radio, 0) == 1;
        kart.serial_number = file.ReadInteger(section, k.serial, 0);
        for (int j = 1; j <= kLapEntries; ++j) {
            const size_t e = size_t(j - 1);
            LapEntry& entry = kart.lap(j);
            entry.lap_time_text = file.ReadString(section, k.text[e], QStringLiteral("--:--:--"));
            entry.lap_time = file.ReadInteger(section, k.time[e], 0);
            entry.lap_number = file.ReadInteger(section, k.number[e], 0);
            entry.rpm_max = file.ReadInteger(section, k.max[e], 0);
            entry.rpm_min = file.ReadInteger(section, k.min[e], 0);
        }
    }
    return record;
}

using Contents = QList<QByteArray>;

// The files written into a fresh day folder load from disk as they loaded from memory.
void CheckOnDisk(const Contents& contents, const SessionTable& today, const SessionTable& history) {
    QTemporaryDir dir;
    FUZZ_CHECK(dir.isValid());
    const QString day = dir.path() + QStringLiteral("/2012_05_31");
    FUZZ_CHECK(QDir().mkpath(day));
    for (qsizetype i = 0; i < contents.size(); ++i) {
        QFile file(day + QLatin1Char('/') + QLatin1String(kFileNames[i]));
        FUZZ_CHECK(file.open(QIODevice::WriteOnly) &&
                   file.write(contents[i]) == contents[i].size());
    }
    auto today_disk = std::make_unique<SessionTable>();
    auto history_disk = std::make_unique<SessionTable>();
    const SessionFolderLoad a = LoadSessionFolder(day, *today_disk, SessionTitles::kToday);
    const SessionFolderLoad b = LoadSessionFolder(day, *history_disk, SessionTitles::kHistory);
    for (const SessionFolderLoad* load : {&a, &b}) {
        FUZZ_CHECK(load->error.isEmpty() && load->day_total == contents.size());
        for (qsizetype i = 0; i < contents.size(); ++i) {
            FUZZ_CHECK(load->file_names.at(i) == QLatin1String(kFileNames[i]));
        }
    }
    FUZZ_CHECK(today_disk->count == today.count && history_disk->count == history.count);
    for (int i = 0; i < today.count; ++i) {
        const size_t r = size_t(i);
        FUZZ_CHECK(today_disk->records.at(r).title == today.records.at(r).title);
        FUZZ_CHECK(history_disk->records.at(r).title == history.records.at(r).title);
        for (int k = 1; k <= kSlotCount; ++k) {
            FUZZ_CHECK(SameKart(today_disk->records.at(r).kart(k), today.records.at(r).kart(k)));
            FUZZ_CHECK(
                SameKart(history_disk->records.at(r).kart(k), history.records.at(r).kart(k)));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    Contents contents;
    qsizetype from = 0;
    while (contents.size() < kMaxFiles - 1) {
        const qsizetype cut = input.indexOf("\n~~~\n", from);
        if (cut < 0) {
            break;
        }
        contents.append(input.mid(from, cut - from));
        from = cut + 5;
    }
    contents.append(input.mid(from));
    const int files = int(contents.size());
    QStringList names;
    for (int i = 0; i < files; ++i) {
        names.append(QLatin1String(kFileNames[i]));
    }
    int reads = 0;
    const auto read_file = [&](const QString& name) {
        ++reads;
        const qsizetype i = names.indexOf(name);
        FUZZ_CHECK(i >= 0);
        return contents.at(i);
    };

    // Two tables of 100 records take longer to make than the loading takes, so they
    // are made once; every input starts from the same state: at its end, the records
    // it reached are reset. Then an input also frees all it allocates, and libFuzzer
    // does not run it a second time to look for a leak (it does when a run leaves
    // more allocations than it found).
    static const auto tables = std::make_unique<std::array<SessionTable, 2>>();
    SessionTable* today = &tables->at(0);
    SessionTable* history = &tables->at(1);
    for (SessionTable* table : {today, history}) {
        table->count = -1;
        table->day_total = -1;
    }
    const auto reset = [&] {
        for (SessionTable* table : {today, history}) {
            for (int r = 0; r <= files; ++r) {
                table->records.at(size_t(r)) = SessionRecord{};
            }
        }
    };
    today->records.at(size_t(files)).title = QStringLiteral("kept");
    const SessionFolderLoad a = LoadSessionFiles(names, read_file, *today, SessionTitles::kToday);
    const SessionFolderLoad b =
        LoadSessionFiles(names, read_file, *history, SessionTitles::kHistory);

    FUZZ_CHECK(reads == 2 * files);  // each file once per loader
    for (const SessionFolderLoad* load : {&a, &b}) {
        FUZZ_CHECK(load->error.isEmpty());
        FUZZ_CHECK(load->day_total == files && load->file_names.size() == files);
    }
    FUZZ_CHECK(today->count == files && history->count == files);
    FUZZ_CHECK(today->NextSessionNumber() == files + 1);
    FUZZ_CHECK(today->records.at(size_t(files)).title == QStringLiteral("kept"));
    for (int i = 0; i < files; ++i) {
        const QString& name = names.at(i);
        FUZZ_CHECK(a.file_names.at(i) == name && b.file_names.at(i) == name);
        FUZZ_CHECK(history->records.at(size_t(i)).title == name);
        FUZZ_CHECK(today->records.at(size_t(i)).title.startsWith(QString::number(i + 1) +
                                                                 QStringLiteral(" : ")));
        for (int k = 1; k <= kSlotCount; ++k) {  // both loaders read the same
            FUZZ_CHECK(SameKart(today->records.at(size_t(i)).kart(k),
                                history->records.at(size_t(i)).kart(k)));
        }
    }
    // What the loaders read (one pass over the section) is what one lookup per key
    // gives on the bytes as an INI file (every file here is far below the read limit).
    // Parsing is most of the time of an input and the loading is the same for every
    // file, so one file per input, picked by the input's length, is read a third time.
    const int checked = int(size % size_t(files));
    const SessionRecord direct = ByLookups(IniFile::FromText(DecodeFileText(contents.at(checked))));
    for (int k = 1; k <= kSlotCount; ++k) {
        FUZZ_CHECK(SameKart(today->records.at(size_t(checked)).kart(k), direct.kart(k)));
    }
    if (kReplayRun) {
        CheckOnDisk(contents, *today, *history);
    }
    reset();
    return 0;
}
