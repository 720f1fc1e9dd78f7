// Fuzz target: messages.ini as any bytes. Loading must finish with a list the file
// backs, and saving that list must load back as the same list.
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

#include "FakeClock.h"
#include "FuzzCheck.h"
#include "IniFile.h"
#include "MessageStore.h"
#include "ProgramFolder.h"

namespace {

// The private-profile reading rules applied to a text that was written as a value:
// blanks trimmed, one pair of surrounding quotes removed.
QString AsReadBack(const QString& text) {
    return IniFile::FromText(QStringLiteral("[a]\nb=") + text)
        .ReadString(QStringLiteral("a"), QStringLiteral("b"), QString());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QTemporaryDir dir;
    FUZZ_CHECK(dir.isValid());
    FakeClock clock;
    const Station station(clock, WithTrailingSeparator(dir.path()));
    {
        QFile file(MessagesPath(station));
        FUZZ_CHECK(file.open(QIODevice::WriteOnly) &&
                   file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    }

    const std::vector<StoredMessage> rows = LoadMessages(station);
    const IniFile ini = IniFile::Load(MessagesPath(station));
    const QString section = QStringLiteral("Parametry");
    FUZZ_CHECK(rows.size() <= size_t(kMaxStoredMessages));
    FUZZ_CHECK(qint64(rows.size()) <=
               qMax(0, ini.ReadInteger(section, QStringLiteral("mCount"), 0)));
    for (size_t i = 0; i < rows.size(); ++i) {
        FUZZ_CHECK(rows[i].nr == qint32(i) + 1);
    }
    if (!rows.empty()) {  // the last message is backed by at least one of its keys
        const QString prefix = QStringLiteral("m%1").arg(rows.size());
        FUZZ_CHECK(ini.Value(section, prefix + QStringLiteral("L1")) ||
                   ini.Value(section, prefix + QStringLiteral("L2")) ||
                   ini.Value(section, prefix + QStringLiteral("ColorB")) ||
                   ini.Value(section, prefix + QStringLiteral("ColorF")));
    }

    QString error;
    FUZZ_CHECK(SaveMessages(station, rows, &error));
    const std::vector<StoredMessage> again = LoadMessages(station);
    FUZZ_CHECK(again.size() == rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        FUZZ_CHECK(again[i].nr == rows[i].nr);
        FUZZ_CHECK(again[i].kolortla == rows[i].kolortla);
        FUZZ_CHECK(again[i].kolorfont == rows[i].kolorfont);
        FUZZ_CHECK(again[i].linia1 == AsReadBack(rows[i].linia1));
        FUZZ_CHECK(again[i].linia2 == AsReadBack(rows[i].linia2));
    }
    return 0;
}
