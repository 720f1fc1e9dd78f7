// Fuzz target: a day folder of session files. The input, cut at each "\n~~~\n", is
// written as up to four files into a fresh day folder, which is then loaded by both
// loaders (today's list and the history browser).
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    QList<QByteArray> contents;
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

    QTemporaryDir dir;
    FUZZ_CHECK(dir.isValid());
    const QString day = dir.path() + QStringLiteral("/2012_05_31");
    FUZZ_CHECK(QDir().mkpath(day));
    for (qsizetype i = 0; i < contents.size(); ++i) {
        QFile file(day + QLatin1Char('/') + QLatin1String(kFileNames[i]));
        FUZZ_CHECK(file.open(QIODevice::WriteOnly) &&
                   file.write(contents[i]) == contents[i].size());
    }
    const int files = int(contents.size());

    auto today = std::make_unique<SessionTable>();
    auto history = std::make_unique<SessionTable>();
    today->records.at(size_t(files)).title = QStringLiteral("kept");
    const SessionFolderLoad a = LoadSessionFolder(day, *today, SessionTitles::kToday);
    const SessionFolderLoad b = LoadSessionFolder(day, *history, SessionTitles::kHistory);

    for (const SessionFolderLoad* load : {&a, &b}) {
        FUZZ_CHECK(load->error.isEmpty());
        FUZZ_CHECK(load->day_total == files && load->file_names.size() == files);
    }
    FUZZ_CHECK(today->count == files && history->count == files);
    FUZZ_CHECK(today->NextSessionNumber() == files + 1);
    FUZZ_CHECK(today->records.at(size_t(files)).title == QStringLiteral("kept"));
    for (int i = 0; i < files; ++i) {
        const QString name = QLatin1String(kFileNames[i]);
        FUZZ_CHECK(a.file_names.at(i) == name && b.file_names.at(i) == name);
        FUZZ_CHECK(history->records.at(size_t(i)).title == name);
        FUZZ_CHECK(today->records.at(size_t(i)).title.startsWith(QString::number(i + 1) +
                                                                 QStringLiteral(" : ")));
        // Both loaders read the same, and what they read from disk is what the
        // bytes say (every file here is far below the read limit).
        SessionRecord direct;
        ReadSessionKarts(IniFile::FromText(DecodeFileText(contents[i])), &direct);
        for (int k = 1; k <= kSlotCount; ++k) {
            FUZZ_CHECK(SameKart(today->records.at(size_t(i)).kart(k),
                                history->records.at(size_t(i)).kart(k)));
            FUZZ_CHECK(SameKart(today->records.at(size_t(i)).kart(k), direct.kart(k)));
        }
    }
    return 0;
}
