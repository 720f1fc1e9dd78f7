// Fuzz target: messages.ini as any bytes. Loading must finish with a list the file
// backs, and saving that list must load back as the same list. The round trip runs
// in memory through the reader and writer the window's load and save use; the
// replay test also goes through a real file once.
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <cstdint>

#include "FakeClock.h"
#include "FuzzCheck.h"
#include "IniFile.h"
#include "MessageStore.h"
#include "ProgramFolder.h"

namespace {

// The private-profile reading rules applied to a text that was written as a value:
// blanks trimmed, one pair of surrounding quotes removed. A list of 10,000 messages
// holds few distinct texts, so each is worked out once.
QString AsReadBack(const QString& text, QHash<QString, QString>* known) {
    const auto it = known->constFind(text);
    if (it != known->cend()) {
        return *it;
    }
    const QString read = IniFile::FromText(QStringLiteral("[a]\nb=") + text)
                             .ReadString(QStringLiteral("a"), QStringLiteral("b"), QString());
    known->insert(text, read);
    return read;
}

bool SameRows(const std::vector<StoredMessage>& a, const std::vector<StoredMessage>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].nr != b[i].nr || a[i].kolortla != b[i].kolortla ||
            a[i].kolorfont != b[i].kolorfont || a[i].linia1 != b[i].linia1 ||
            a[i].linia2 != b[i].linia2) {
            return false;
        }
    }
    return true;
}

// messages.ini holding the input loads and saves on disk as it did in memory.
void CheckOnDisk(const QByteArray& input, const std::vector<StoredMessage>& rows,
                 const QByteArray& saved) {
    QTemporaryDir dir;
    FUZZ_CHECK(dir.isValid());
    FakeClock clock;
    const Station station(clock, WithTrailingSeparator(dir.path()));
    QFile file(MessagesPath(station));
    FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(input) == input.size());
    file.close();
    FUZZ_CHECK(SameRows(LoadMessages(station), rows));
    QString error;
    FUZZ_CHECK(SaveMessages(station, rows, &error));
    FUZZ_CHECK(file.open(QIODevice::ReadOnly) && file.readAll() == saved);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const IniFile ini = IniFile::FromBytes(input);
    const std::vector<StoredMessage> rows = ReadMessages(ini);
    const QString section = QStringLiteral("Parametry");
    const qint32 stated = ini.ReadInteger(section, QStringLiteral("mCount"), 0);
    FUZZ_CHECK(rows.size() <= size_t(kMaxStoredMessages));
    FUZZ_CHECK(qint64(rows.size()) <= qMax(0, stated));
    for (size_t i = 0; i < rows.size(); ++i) {
        FUZZ_CHECK(rows[i].nr == qint32(i) + 1);
    }
    // The last message is backed by at least one of its keys, and the next messages
    // up to the count (a bounded number of them here) by none.
    const auto backed = [&](qint64 n) {
        const QString prefix = QStringLiteral("m%1").arg(n);
        return ini.Value(section, prefix + QStringLiteral("L1")) ||
               ini.Value(section, prefix + QStringLiteral("L2")) ||
               ini.Value(section, prefix + QStringLiteral("ColorB")) ||
               ini.Value(section, prefix + QStringLiteral("ColorF"));
    };
    const qint64 last = qint64(rows.size());
    FUZZ_CHECK(last == 0 || backed(last));
    for (qint64 n = last + 1;
         n <= qMin(qint64(stated), qMin(last + 32, qint64(kMaxStoredMessages))); ++n) {
        FUZZ_CHECK(!backed(n));
    }

    // Saving and reloading a list costs time in proportion to its length: a count of
    // 2000000000 and one key m10000L1 make 40,001 keys to write and read back, about
    // a hundred times a short list's cost. Rows past the 64th are written and read
    // by the same loops as the first 64, which are checked on every input, so a
    // longer list makes the round trip on one input in 16 (picked by the bytes, so
    // that a saved input replays the same way); reading it is checked on every one.
    if (rows.size() > 64 && !kReplayRun && qHash(input) % 16 != 0) {
        return 0;
    }
    IniFile written = ini;
    WriteMessages(rows, &written);
    const QByteArray saved = written.ToBytes();
    if (rows.size() <= 64) {  // the batch writes what key-by-key writing writes
        IniFile one_by_one = ini;
        for (size_t i = 0; i < rows.size(); ++i) {
            const QString prefix = QStringLiteral("m%1").arg(i + 1);
            one_by_one.WriteString(section, prefix + QStringLiteral("L1"), rows[i].linia1);
            one_by_one.WriteString(section, prefix + QStringLiteral("L2"), rows[i].linia2);
            one_by_one.WriteInteger(section, prefix + QStringLiteral("ColorB"),
                                    qint32(rows[i].kolortla));
            one_by_one.WriteInteger(section, prefix + QStringLiteral("ColorF"),
                                    qint32(rows[i].kolorfont));
        }
        one_by_one.WriteInteger(section, QStringLiteral("mCount"), qint64(rows.size()));
        FUZZ_CHECK(one_by_one.ToBytes() == saved);
    }
    const std::vector<StoredMessage> again = ReadMessages(IniFile::FromBytes(saved));
    FUZZ_CHECK(again.size() == rows.size());
    QHash<QString, QString> known;
    for (size_t i = 0; i < rows.size(); ++i) {
        FUZZ_CHECK(again[i].nr == rows[i].nr);
        FUZZ_CHECK(again[i].kolortla == rows[i].kolortla);
        FUZZ_CHECK(again[i].kolorfont == rows[i].kolorfont);
        FUZZ_CHECK(again[i].linia1 == AsReadBack(rows[i].linia1, &known));
        FUZZ_CHECK(again[i].linia2 == AsReadBack(rows[i].linia2, &known));
    }
    if (kReplayRun) {
        CheckOnDisk(input, rows, saved);
    }
    return 0;
}
