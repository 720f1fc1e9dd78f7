#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

#include "DiskFull.h"
#include "FakeClock.h"
#include "KartSettingsFile.h"
#include "MessageStore.h"
#include "SessionFile.h"
#include "SessionRecorder.h"
#include "Station.h"
#include "TempFolder.h"

// The three files the program writes, failing at every byte of their length and
// where something is in the way: each failure is reported with the file's path and
// leaves either the earlier file or none, never part of the new one, and no
// temporary file.
namespace {

const QDateTime kEnded(QDate(2012, 5, 31), QTime(14, 5, 42));
const QString kDay = QStringLiteral("Sessions/2012_05_31/");
const QString kSessionFile = kDay + QStringLiteral("2012_05_31_14_05.txt");
// Where a session of the same minute goes when an earlier one has kSessionFile.
const QString kNextSessionFile = kDay + QStringLiteral("2012_05_31_14_06.txt");

// One of the program's writers, run against one program folder.
struct Writer {
    QString name;
    QString target;  // relative to the program folder
    // Fills a fresh station for the folder (the data to write).
    std::function<void(Station&)> fill;
    // The write itself; false with a message on failure.
    std::function<bool(Station&, QString*)> write;
};

void FillKarts(Station& station) {
    for (int k = 1; k <= kSlotCount; ++k) {
        KartSlot& slot = station.slot(k);
        slot.radio = k % 2 == 1;
        slot.serial_number = 0x345600 + k;
        slot.driver_name = QStringLiteral("Kierowca Łódź %1").arg(k);
        slot.best_lap_time = 6000 + k;
        for (int j = 1; j <= kLapEntries; ++j) {
            slot.lap(j).lap_time = 6000 + k + 37 * j;
            slot.lap(j).lap_number = j;
            slot.lap(j).rpm_max = 11000 + j;
            slot.lap(j).rpm_min = 4000 + j;
        }
    }
}

std::vector<StoredMessage> SomeMessages() {
    std::vector<StoredMessage> rows;
    for (int n = 1; n <= 12; ++n) {
        StoredMessage row;
        row.linia1 = QStringLiteral("BOX %1 Żółw").arg(n);
        row.linia2 = QStringLiteral("LAP %1").arg(n);
        row.kolortla = Colour(0x0000FF * n);
        row.kolorfont = Colour(0xFFFFFF - n);
        row.nr = n;
        rows.push_back(row);
    }
    return rows;
}

std::vector<Writer> Writers() {
    return {
        {"session file", kSessionFile, FillKarts,
         [](Station& s, QString* e) { return WriteSessionFile(s, e); }},
        {"messages.ini", "messages.ini", [](Station&) {},
         [](Station& s, QString* e) { return SaveMessages(s, SomeMessages(), e); }},
        {"ustawienia.ini", "ustawienia.ini", FillKarts,
         [](Station& s, QString* e) { return SaveKartSettings(s, e); }},
    };
}

// The file as the earlier run left it: a real earlier file of the same name (with
// a foreign line the writers keep), so a partial new one cannot pass for it.
QByteArray EarlierFile(const Writer& writer) {
    if (writer.target == kSessionFile) {
        return "[Ustawienia]\r\nNAZWA_1=Earlier\r\nBEST_1=7000\r\n";
    }
    return "; kept\r\n[Parametry]\r\nmCount=1\r\nm1L1=OLD\r\nRadio1=0\r\nSN1=99\r\n";
}

// A program folder with its station, and the earlier file in place or not.
struct Place {
    explicit Place(const Writer& writer, bool with_earlier) : writer_(writer) {
        clock.SetLocalDateTime(kEnded);
        station = std::make_unique<Station>(clock, folder.path());
        writer.fill(*station);
        QDir().mkpath(folder.file(kDay));
        if (with_earlier) {
            earlier = EarlierFile(writer);
        }
        Restore();
    }
    void Restore() const {
        QFile::remove(folder.file(writer_.target));
        if (earlier) {
            folder.Write(writer_.target, *earlier);
        }
    }
    QString TargetFolder() const { return QFileInfo(folder.file(writer_.target)).absolutePath(); }

    const Writer& writer_;
    TempFolder folder;
    FakeClock clock;
    std::unique_ptr<Station> station;
    std::optional<QByteArray> earlier;
};

class FileWriteFault : public ::testing::TestWithParam<bool> {};

TEST_P(FileWriteFault, DiskFullAtEveryByteLeavesTheEarlierFileOrTheWholeNewOne) {
    const bool with_earlier = GetParam();
    for (const Writer& writer : Writers()) {
        SCOPED_TRACE(writer.name.toStdString());
        // A session file never replaces an earlier one: it takes the next minute.
        const QString target =
            writer.target == kSessionFile && with_earlier ? kNextSessionFile : writer.target;
        // What a write with room to spare produces.
        Place reference(writer, with_earlier);
        QString error;
        ASSERT_TRUE(writer.write(*reference.station, &error)) << error.toStdString();
        const QByteArray complete = reference.folder.Read(target);
        ASSERT_GT(complete.size(), 100);

        Place place(writer, with_earlier);
        const QString path = place.folder.file(target);
        const QStringList entries_before = FolderEntries(place.TargetFolder());
        const int sessions_before = place.station->sessions.count;
        int failures = 0;
        for (qsizetype limit = 0; limit <= complete.size() + 1; ++limit) {
            place.Restore();
            if (target != writer.target) {
                QFile::remove(path);  // the new session of the last pass
            }
            error.clear();
            bool written = false;
            {
                const DiskFull disk_full{rlim_t(limit)};
                written = writer.write(*place.station, &error);
            }
            const QByteArray now = place.folder.Read(target);
            const QStringList entries = FolderEntries(place.TargetFolder());
            if (written) {
                ASSERT_GE(limit, complete.size()) << "claims success with a cut file";
                ASSERT_EQ(now, complete);
                continue;
            }
            ++failures;
            ASSERT_LT(limit, complete.size()) << "failed with room for the whole file";
            ASSERT_TRUE(error.contains(QDir::toNativeSeparators(path))) << error.toStdString();
            const bool replaces = target == writer.target;
            ASSERT_EQ(QFile::exists(path), replaces && place.earlier.has_value())
                << "at limit " << limit;
            ASSERT_EQ(place.folder.Read(writer.target), place.earlier.value_or(QByteArray()))
                << "at limit " << limit;
            ASSERT_EQ(entries, entries_before) << "at limit " << limit;
            ASSERT_EQ(place.station->sessions.count, sessions_before);
        }
        EXPECT_EQ(failures, complete.size()) << "every shorter limit must fail";
        std::printf("[ faults   ] %s, earlier file %s: %lld bytes, %lld limits, %d failed writes\n",
                    qPrintable(writer.name), with_earlier ? "present" : "absent",
                    static_cast<long long>(complete.size()),
                    static_cast<long long>(complete.size() + 2), failures);
    }
}

INSTANTIATE_TEST_SUITE_P(EarlierFile, FileWriteFault, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Present" : "Absent"; });

// Something in the way: the target name is a folder, the folder is a file.
TEST(FileWriteObstacle, EveryWriterReportsItAndLeavesTheObstacleAsItWas) {
    struct Obstacle {
        const char* what;
        QString file_in_the_way;    // relative; empty: none
        QString folder_in_the_way;  // relative; empty: none
    };
    for (const Writer& writer : Writers()) {
        const QString parent = writer.target.contains('/') ? kDay.chopped(1) : QString();
        // A session file never replaces what has its name: a folder there is passed
        // over like an earlier session (SessionRecorderTest), so it is no obstacle.
        std::vector<Obstacle> obstacles;
        if (writer.target != kSessionFile) {
            obstacles.push_back({"target is a folder", {}, writer.target});
        }
        if (!parent.isEmpty()) {
            obstacles.push_back({"day folder is a file", parent, {}});
            obstacles.push_back({"Sessions is a file", "Sessions", {}});
        }
        for (const Obstacle& obstacle : obstacles) {
            SCOPED_TRACE(writer.name.toStdString() + ": " + obstacle.what);
            TempFolder folder;
            FakeClock clock;
            clock.SetLocalDateTime(kEnded);
            Station station(clock, folder.path());
            writer.fill(station);
            if (!obstacle.file_in_the_way.isEmpty()) {
                folder.Write(obstacle.file_in_the_way, "in the way");
            }
            if (!obstacle.folder_in_the_way.isEmpty()) {
                ASSERT_TRUE(QDir().mkpath(folder.file(obstacle.folder_in_the_way + "/inner")));
            }
            const QStringList before = FolderEntries(folder.path());
            QString error;
            EXPECT_FALSE(writer.write(station, &error));
            EXPECT_FALSE(error.isEmpty());
            EXPECT_TRUE(error.contains(folder.path())) << error.toStdString();
            EXPECT_EQ(FolderEntries(folder.path()), before);
            if (!obstacle.file_in_the_way.isEmpty()) {
                EXPECT_EQ(folder.Read(obstacle.file_in_the_way), "in the way");
            } else {
                EXPECT_EQ(FolderEntries(folder.file(obstacle.folder_in_the_way)),
                          QStringList{"inner"});
            }
            EXPECT_EQ(station.sessions.count, 0);
        }
    }
}

// The program folder itself a file: nothing can be written under it.
TEST(FileWriteObstacle, ProgramFolderThatIsAFileFailsEveryWriter) {
    TempFolder folder;
    folder.Write("program", "not a folder");
    for (const Writer& writer : Writers()) {
        SCOPED_TRACE(writer.name.toStdString());
        FakeClock clock;
        clock.SetLocalDateTime(kEnded);
        Station station(clock, folder.file("program/"));
        writer.fill(station);
        QString error;
        EXPECT_FALSE(writer.write(station, &error));
        EXPECT_TRUE(error.contains(folder.file("program"))) << error.toStdString();
        EXPECT_EQ(folder.Read("program"), "not a folder");
        EXPECT_EQ(FolderEntries(folder.path()), QStringList{"program"});
    }
}

}  // namespace
