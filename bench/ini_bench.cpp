// Reading and writing the station's INI files in memory: a full session file read as
// the loaders read it, messages.ini with a list of 10,000 messages read and saved, a
// settings-sized file read and looked up key by key, and keys written one by one
// into a section that another follows.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QString>
#include <vector>

#include "IniFile.h"
#include "MessageStore.h"
#include "PerfSupport.h"
#include "SessionFile.h"
#include "SessionRecord.h"
#include "Station.h"

namespace {

QByteArray RaceSessionFile() {
    perf::SettableClock clock;
    Station station(clock, QString());
    perf::FillRaceSlots(station, 7);
    return SessionFileBytes(station);
}

// A list as the message window keeps it: every tenth message has texts and colours.
std::vector<StoredMessage> MessageList(int count) {
    std::vector<StoredMessage> rows(static_cast<size_t>(count));
    for (int n = 1; n <= count; ++n) {
        StoredMessage& row = rows[size_t(n - 1)];
        row.nr = n;
        if (n % 10 == 0) {
            row.linia1 = QStringLiteral("BOX %1").arg(n);
            row.linia2 = QStringLiteral("LAST LAP");
            row.kolortla = 255;
            row.kolorfont = 16777215;
        }
    }
    return rows;
}

// A messages.ini as the program leaves it: the list, then another section.
QByteArray MessagesFile(int count) {
    IniFile ini = IniFile::FromText(QStringLiteral("[Parametry]\r\nmCount=0\r\n"));
    WriteMessages(MessageList(count), &ini);
    return (ini.ToText() + QStringLiteral("[Okno]\r\nLeft=10\r\n")).toUtf8();
}

void BM_ReadSessionFile(benchmark::State& state) {
    const QByteArray bytes = RaceSessionFile();
    SessionRecord record;
    for (auto _ : state) {
        ReadSessionFile(bytes, &record);
        benchmark::DoNotOptimize(record);
    }
    if (record.kart(1).lap(1).lap_time == 0) {
        state.SkipWithError("the race file read back without laps");
    }
}
BENCHMARK(BM_ReadSessionFile)->Unit(benchmark::kMicrosecond);

void BM_ReadMessages(benchmark::State& state) {
    const int count = int(state.range(0));
    const QByteArray bytes = MessagesFile(count);
    size_t rows = 0;
    for (auto _ : state) {
        rows = ReadMessages(IniFile::FromBytes(bytes)).size();
        benchmark::DoNotOptimize(rows);
    }
    if (rows != size_t(count)) {
        state.SkipWithError("the list read back with the wrong length");
    }
}
BENCHMARK(BM_ReadMessages)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);

// What saving does once the file is read: the keys written into it and the bytes made.
void BM_WriteMessages(benchmark::State& state) {
    const int count = int(state.range(0));
    const std::vector<StoredMessage> rows = MessageList(count);
    const IniFile file = IniFile::FromText(
        QStringLiteral("[Parametry]\r\nmCount=2\r\nm1L1=A\r\n[Okno]\r\nLeft=10\r\n"));
    QByteArray saved;
    for (auto _ : state) {
        IniFile ini = file;
        WriteMessages(rows, &ini);
        saved = ini.ToBytes();
        benchmark::DoNotOptimize(saved);
    }
    if (ReadMessages(IniFile::FromBytes(saved)).size() != size_t(count)) {
        state.SkipWithError("the saved list reads back with the wrong length");
    }
}
BENCHMARK(BM_WriteMessages)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);

// A file of the size of ustawienia.ini read and asked for each of its keys.
void BM_ReadSettingsAndLookUp(benchmark::State& state) {
    QString text = QStringLiteral("[Parametry]\r\n");
    QStringList keys;
    for (int n = 1; n <= 200; ++n) {
        keys.append(QStringLiteral("Key%1").arg(n));
        text += keys.back() + QStringLiteral("=%1\r\n").arg(n * 7);
    }
    const QByteArray bytes = text.toUtf8();
    qint64 sum = 0;
    for (auto _ : state) {
        const IniFile ini = IniFile::FromBytes(bytes);
        sum = 0;
        for (const QString& key : keys) {
            sum += ini.ReadInteger(QStringLiteral("parametry"), key, 0);
        }
        benchmark::DoNotOptimize(sum);
    }
    if (sum != 7 * 200 * 201 / 2) {
        state.SkipWithError("the keys read back wrong");
    }
}
BENCHMARK(BM_ReadSettingsAndLookUp)->Unit(benchmark::kMicrosecond);

// Settings written key by key into a section that is not the last of the file: each
// new key goes in mid-file and moves every later line.
void BM_WriteKeysBeforeALaterSection(benchmark::State& state) {
    QString text = QStringLiteral("[Parametry]\r\nRadio1=1\r\n[Okno]\r\n");
    for (int n = 1; n <= 200; ++n) {
        text += QStringLiteral("Item%1=%1\r\n").arg(n);
    }
    const IniFile file = IniFile::FromText(text);
    IniFile ini;
    for (auto _ : state) {
        ini = file;
        for (int n = 1; n <= 100; ++n) {
            ini.WriteInteger(QStringLiteral("Parametry"), QStringLiteral("SN%1").arg(n), n);
            benchmark::DoNotOptimize(
                ini.ReadInteger(QStringLiteral("Okno"), QStringLiteral("Item1"), 0));
        }
    }
    if (ini.ReadInteger(QStringLiteral("Okno"), QStringLiteral("Item200"), 0) != 200 ||
        ini.ReadInteger(QStringLiteral("Parametry"), QStringLiteral("SN100"), 0) != 100) {
        state.SkipWithError("the keys read back wrong");
    }
}
BENCHMARK(BM_WriteKeysBeforeALaterSection)->Unit(benchmark::kMicrosecond);

}  // namespace
