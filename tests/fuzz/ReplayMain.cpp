#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// Feeds every file of the given folders through the fuzz target's entry function, the
// way libFuzzer runs one input, so the normal (gcc) suite checks that every input
// the fuzzers ever kept still loads. The first folder (the seed corpus) must hold
// files; later folders (regression inputs) may be missing.
//   fuzz_replay_<target> <corpus folder> [<regression folder>...]
int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <corpus folder> [<folder>...]\n", argv[0]);
        return 2;
    }
    int replayed = 0;
    for (int a = 1; a < argc; ++a) {
        const QDir dir(QString::fromLocal8Bit(argv[a]));
        if (!dir.exists()) {
            if (a == 1) {
                std::fprintf(stderr, "missing corpus folder %s\n", argv[a]);
                return 2;
            }
            continue;
        }
        const QFileInfoList files = dir.entryInfoList(QDir::Files, QDir::Name);
        if (a == 1 && files.isEmpty()) {
            std::fprintf(stderr, "empty corpus folder %s\n", argv[a]);
            return 2;
        }
        for (const QFileInfo& info : files) {
            QFile file(info.filePath());
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(info.filePath()));
                return 2;
            }
            const QByteArray bytes = file.readAll();
            std::fprintf(stderr, "replay %s (%lld bytes)\n", qPrintable(info.filePath()),
                         static_cast<long long>(bytes.size()));
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                   std::size_t(bytes.size()));
            ++replayed;
        }
    }
    std::fprintf(stderr, "replayed %d inputs\n", replayed);
    return 0;
}
