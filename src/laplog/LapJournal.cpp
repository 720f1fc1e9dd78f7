#include "LapJournal.h"

#include <dirent.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <cstring>
#include <memory>

#include "IniFile.h"
#include "LapLogFormat.h"

namespace {

QString StartName(const QDateTime& at) {
    return at.toString(QStringLiteral("yyyy_MM_dd_HH_mm_ss"));
}

QString DayName(const QDate& day) {
    return QString::asprintf("%4.4d_%2.2d_%2.2d", day.year(), day.month(), day.day());
}

QString LockPath(const QString& journal_path) {
    return journal_path + QStringLiteral(".lock");
}

// rename(2) replaces an existing target in one step; QFile::rename refuses to.
bool Replace(const QString& from, const QString& to) {
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

}  // namespace

LapJournal::LapJournal(QString path, const Clock& clock)
    : path_(std::move(path)), clock_(clock), lock_(LockPath(path_)), file_(path_) {
    // Only a dead holder makes a lock stale: a session may run for hours.
    lock_.setStaleLockTime(0);
}

LapJournal::~LapJournal() {
    writer_.reset();  // writes what is queued and joins before the descriptor closes
}

QString LapJournal::failure() const {
    if (!start_failure_.isEmpty()) {
        return start_failure_;
    }
    return QStringLiteral("Cannot write the lap log %1: %2")
        .arg(QDir::toNativeSeparators(path_), qt_error_string(writer_ ? writer_->error() : 0));
}

void LapJournal::Flush() {
    if (writer_) {
        writer_->Drain();
    }
}

std::unique_ptr<LapJournal> LapJournal::Start(const Station& station, QString* error_message) {
    const QDateTime now = station.clock().LocalDateTime();
    const QString folder = station.program_folder() + QStringLiteral("Sessions/") +
                           DayName(now.date()) + QStringLiteral("/laps");
    const QString first_path =
        folder + QLatin1Char('/') + StartName(now) + QLatin1String(kRunningSuffix);
    std::unique_ptr<LapJournal> journal;
    QString failure;
    if (!QDir().mkpath(folder)) {
        failure =
            QStringLiteral("Cannot create the folder %1.").arg(QDir::toNativeSeparators(folder));
    } else {
        // Two sessions started in the same second (two instances) get two journals.
        for (int n = 1; n <= 100 && !journal && failure.isEmpty(); ++n) {
            const QString name =
                StartName(now) + (n > 1 ? QStringLiteral("_%1").arg(n) : QString());
            auto candidate = std::unique_ptr<LapJournal>(new LapJournal(
                folder + QLatin1Char('/') + name + QLatin1String(kRunningSuffix), station.clock()));
            if (QFileInfo::exists(candidate->path_) || !candidate->lock_.tryLock(0)) {
                continue;
            }
            if (!candidate->Open(&failure)) {
                break;
            }
            journal = std::move(candidate);
        }
        if (!journal && failure.isEmpty()) {
            failure =
                QStringLiteral("No free lap log name in %1.").arg(QDir::toNativeSeparators(folder));
        }
    }
    if (!journal) {
        // Kept in memory only: the laps are still there for the lap log at the end.
        journal = std::unique_ptr<LapJournal>(new LapJournal(first_path, station.clock()));
        journal->start_failure_ = failure;
        if (error_message) {
            *error_message = failure;
        }
    }
    journal->start_counter_ = station.clock().PerformanceCounter();
    journal->Append(LapLogHeader());
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        journal->RecordKart(station, slot);
    }
    return journal;
}

bool LapJournal::Open(QString* error_message) {
    // NewOnly: never append to somebody else's file. Unbuffered: the writer thread
    // writes through the descriptor itself.
    if (!file_.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        if (error_message) {
            *error_message = QStringLiteral("Cannot create the lap log %1: %2")
                                 .arg(QDir::toNativeSeparators(path_), file_.errorString());
        }
        return false;
    }
    writer_ = std::make_unique<JournalWriter>(file_.handle());
    return true;
}

qint64 LapJournal::SessionTime() const {
    return CountsToCentiseconds(clock_.PerformanceCounter() - start_counter_,
                                clock_.PerformanceFrequency());
}

void LapJournal::Append(const QByteArray& line) {
    all_ += line;
    if (!closed_ && writer_) {
        writer_->Append(line);
    }
}

void LapJournal::RecordLap(const Station& station, int slot, qint32 lap_number, qint32 lap_time,
                           qint32 rpm_max, qint32 rpm_min, bool entered_top_ten) {
    if (!IsValidSlot(slot)) {
        return;
    }
    const KartSlot& kart = station.slot(slot);
    LapRecord lap;
    lap.slot = slot;
    lap.driver_name = kart.driver_name;
    lap.serial_number = kart.serial_number;
    lap.radio = kart.radio;
    lap.lap_number = lap_number;
    lap.lap_time = lap_time;
    lap.ended_at = clock_.LocalDateTime();
    lap.session_time = SessionTime();
    lap.rpm_max = rpm_max;
    lap.rpm_min = rpm_min;
    lap.entered_top_ten = entered_top_ten;
    Append(LapLogLine(lap));
    laps_.push_back(lap);
    ++lap_count_;
}

bool LapJournal::RecordCorrection(int slot, int lap_sequence, qint32 lap_number, qint32 lap_time,
                                  bool deleted, const QDateTime& at) {
    if (lap_sequence < 1 || lap_sequence > int(laps_.size())) {
        return false;
    }
    LapRecord& lap = laps_[size_t(lap_sequence - 1)];
    if (lap.slot != slot || lap.lap_number != lap_number || lap.lap_time != lap_time) {
        return false;  // not the lap the screen means: a wrong mark would be worse
    }
    LapCorrectionRecord correction;
    correction.deleted = deleted;
    correction.slot = lap.slot;
    correction.driver_name = lap.driver_name;
    correction.serial_number = lap.serial_number;
    correction.radio = lap.radio;
    correction.lap_number = lap.lap_number;
    correction.lap_time = lap.lap_time;
    correction.lap_session_time = lap.session_time;
    correction.at = at;
    Append(LapLogLine(correction));
    lap.deleted = deleted;
    lap.deleted_at = deleted ? correction.at : QDateTime();
    return true;
}

void LapJournal::RecordSector(int slot, const SectorReport& report) {
    if (!IsValidSlot(slot) || report == last_sector_[size_t(slot - 1)]) {
        return;  // the same sector as in the unit's previous frames
    }
    last_sector_[size_t(slot - 1)] = report;
    if (report.sector_time == 0 && report.sector == 0) {
        return;  // no sector reported yet
    }
    SectorRecord sector;
    sector.slot = slot;
    sector.sector = report.sector;
    sector.lap_number = report.sector_lap;
    sector.sector_time = qint32(report.sector_time);
    sector.rpm_max = report.rpm_max;
    sector.rpm_min = report.rpm_min;
    sector.seen_at = clock_.LocalDateTime();
    sector.session_time = SessionTime();
    Append(LapLogLine(sector));
}

void LapJournal::RecordKart(const Station& station, int slot) {
    if (!IsValidSlot(slot)) {
        return;
    }
    const KartSlot& kart = station.slot(slot);
    LapLogKart record;
    record.slot = slot;
    record.driver_name = kart.driver_name;
    record.serial_number = kart.serial_number;
    record.radio = kart.radio;
    // Before the first lap of the session the slot still holds the best lap it
    // carried in; the session file writes that for a kart without laps.
    record.best_lap_time = kart.lap(1).lap_time == 0 ? kart.best_lap_time : 0;
    Append(LapLogLine(record));
}

bool LapJournal::Finish(const QString& session_file_path, QString* error_message) {
    const QString target = LapLogPathFor(session_file_path);
    const QString folder = QFileInfo(target).path();
    Flush();
    const bool complete = !failed();
    writer_.reset();
    closed_ = true;
    auto fail = [&](const QString& what) {
        if (error_message) {
            *error_message =
                start_failure_.isEmpty()
                    ? QStringLiteral("%1 The lap log stays at %2.")
                          .arg(what, QDir::toNativeSeparators(path_))
                    : QStringLiteral("%1 Its laps were kept in memory only.").arg(what);
        }
        return false;
    };
    if (!QDir().mkpath(folder)) {
        return fail(
            QStringLiteral("Cannot create the folder %1.").arg(QDir::toNativeSeparators(folder)));
    }
    if (!complete) {
        // The journal missed records: the log is written whole from memory.
        QString error;
        if (!WriteFileAtomically(target, all_, &error)) {
            return fail(error);
        }
        file_.close();
        if (start_failure_.isEmpty()) {
            QFile::remove(path_);
        }
        lock_.unlock();
        return true;
    }
    file_.close();
    if (!Replace(path_, target)) {
        return fail(QStringLiteral("Cannot move it to %1.").arg(QDir::toNativeSeparators(target)));
    }
    lock_.unlock();
    return true;
}

bool LapJournal::WriteLapLogBeside(const QString& session_file_path, QString* error_message) const {
    const QString target = LapLogPathFor(session_file_path);
    const QString folder = QFileInfo(target).path();
    if (!QDir().mkpath(folder)) {
        if (error_message) {
            *error_message = QStringLiteral("Cannot create the folder %1.")
                                 .arg(QDir::toNativeSeparators(folder));
        }
        return false;
    }
    return WriteFileAtomically(target, all_, error_message);
}

void LapJournal::SetAside(const QString& reason) {
    writer_.reset();
    closed_ = true;
    file_.close();
    if (!start_failure_.isEmpty()) {
        return;  // kept in memory only: no file of ours to keep aside
    }
    if (lap_count_ == 0) {
        QFile::remove(path_);  // kart set-up only: nothing of the session is lost
    } else {
        Replace(path_, SetAsidePath(path_, reason));
    }
    lock_.unlock();
}

QString SetAsidePath(const QString& journal_path, const QString& reason) {
    QString base = journal_path;
    if (base.endsWith(QLatin1String(LapJournal::kRunningSuffix))) {
        base.chop(qsizetype(qstrlen(LapJournal::kRunningSuffix)));
    }
    return base + QLatin1Char('.') + reason + QStringLiteral(".csv");
}

namespace {

// The names in a folder that end in suffix, sorted. POSIX rather than QDir: start-up
// looks in the laps folder of every day the station has kept, and QDir's filtered
// listing made that most of the launcher's start on a history of years.
QStringList NamesEndingIn(const QString& folder, const char* suffix) {
    QStringList names;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(QFile::encodeName(folder).constData()),
                                                  &closedir);
    if (!dir) {
        return names;
    }
    const size_t suffix_length = std::strlen(suffix);
    while (const dirent* entry = readdir(dir.get())) {
        const size_t length = std::strlen(entry->d_name);
        if (length > suffix_length &&
            std::memcmp(entry->d_name + length - suffix_length, suffix, suffix_length) == 0) {
            names.append(QFile::decodeName(entry->d_name));
        }
    }
    names.sort();
    return names;
}

}  // namespace

QStringList FindUnfinishedJournals(const QString& program_folder) {
    QStringList found;
    const QDir sessions(program_folder + QStringLiteral("Sessions"));
    const QStringList days = sessions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& day : days) {
        const QString laps = sessions.filePath(day) + QStringLiteral("/laps/");
        for (const QString& name : NamesEndingIn(laps, LapJournal::kRunningSuffix)) {
            const QString path = laps + name;
            if (!QFileInfo(path).isFile()) {
                continue;
            }
            QLockFile lock(LockPath(path));
            lock.setStaleLockTime(0);
            if (lock.tryLock(0)) {
                found.append(path);  // nobody writes it: unlocked again on return
            }
        }
    }
    return found;
}
