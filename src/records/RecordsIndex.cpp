#include "RecordsIndex.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <future>
#include <system_error>

#include "DriverIdentity.h"
#include "IndexedSession.h"
#include "LapLogFormat.h"
#include "ProgramFolder.h"
#include "RecordsBests.h"
#include "RecordsDatabase.h"
#include "RecordsMerges.h"

// What tells an edited file from the one indexed (outside the anonymous namespace:
// the class's Scan holds it).
struct RecordsFileSignature {
    qint64 id = 0;
    qint64 size = -1;
    qint64 mtime = 0;
    qint64 log_size = -1;
    qint64 log_mtime = 0;

    bool operator==(const RecordsFileSignature& other) const {
        return size == other.size && mtime == other.mtime && log_size == other.log_size &&
               log_mtime == other.log_mtime;
    }
};

namespace {

// One stat() a file: QFileInfo's modification time goes through the local time
// zone, which glibc looks up on disk at each call, and an update of an index that
// is up to date spent most of its time there.
bool StatFile(const QString& path, qint64* size, qint64* mtime_ms) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        return false;
    }
    *size = status.st_size;
    *mtime_ms = qint64(status.st_mtim.tv_sec) * 1000 + status.st_mtim.tv_nsec / 1'000'000;
    return true;
}

RecordsFileSignature SignatureOf(const QString& path) {
    RecordsFileSignature signature;
    StatFile(path, &signature.size, &signature.mtime);
    if (!StatFile(LapLogPathFor(path), &signature.log_size, &signature.log_mtime)) {
        signature.log_size = -1;
        signature.log_mtime = 0;
    }
    return signature;
}

}  // namespace

struct RecordsIndex::Scan {
    struct Changed {
        QString relative_path;
        QString path;  // a rebuild holds every file of the folder here: no QFileInfo
        RecordsFileSignature signature;
    };
    std::vector<Changed> changed;
    QList<qint64> removed_ids;
};

QString RecordsIndex::PathIn(const QString& program_folder) {
    return program_folder + QStringLiteral("records.sqlite");
}

RecordsIndex::RecordsIndex(const QString& program_folder)
    : RecordsIndex(program_folder, Options{}) {}

RecordsIndex::RecordsIndex(const QString& program_folder, const Options& options)
    // Absolute, so that a file's path under it is the same whatever the working
    // folder (a relative --folder would index every file again under another name).
    : program_folder_(WithTrailingSeparator(QFileInfo(program_folder).absoluteFilePath())),
      options_(options),
      database_(std::make_unique<RecordsDatabase>(PathIn(program_folder_))) {}

RecordsIndex::~RecordsIndex() = default;

bool RecordsIndex::Fail(const QString& text) {
    last_error_ = text;
    return false;
}

bool RecordsIndex::Fail(const QSqlError& error) {
    last_error_ = error.text();
    damaged_ = damaged_ || IsDamagedIndexError(error.nativeErrorCode());
    return false;
}

bool RecordsIndex::Exec(const QString& sql) {
    QSqlQuery query(database_->db());
    return query.exec(sql) || Fail(query.lastError());
}

IndexUpdate RecordsIndex::RebuiltAfterDamage(const std::atomic<bool>* cancel,
                                             const IndexUpdate& failed) {
    // Damage inside the file passes the opening checks and shows only when a
    // statement reads the damaged pages; once rebuilt, never again in this object.
    if (!damaged_ || failed.rebuilt || !database_->Rebuild()) {
        return failed;
    }
    damaged_ = false;
    driver_ids_.clear();
    return Update(cancel);
}

IndexUpdate RecordsIndex::Update(const std::atomic<bool>* cancel) {
    IndexUpdate update;
    update.rebuilt = database_->was_rebuilt();
    if (damaged_) {
        return RebuiltAfterDamage(cancel, update);
    }
    if (!database_->ok()) {
        update.error = last_error_ = database_->error();
        return update;
    }
    QSqlDatabase& db = database_->db();
    QHash<QString, RecordsFileSignature> known;
    {
        QSqlQuery files(db);
        files.setForwardOnly(true);
        if (!files.exec(
                QStringLiteral("SELECT id, path, size, mtime, log_size, log_mtime FROM files"))) {
            Fail(files.lastError());
            update.error = last_error_;
            return RebuiltAfterDamage(cancel, update);
        }
        while (files.next()) {
            known.insert(files.value(1).toString(),
                         {files.value(0).toLongLong(), files.value(2).toLongLong(),
                          files.value(3).toLongLong(), files.value(4).toLongLong(),
                          files.value(5).toLongLong()});
        }
    }
    Scan scan;
    const QDir root(program_folder_);
    const QDir sessions(program_folder_ + QStringLiteral("Sessions"));
    for (const QFileInfo& day :
         sessions.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (cancel != nullptr && cancel->load()) {
            update.error = last_error_ = QStringLiteral("cancelled");
            return update;
        }
        const QString day_path = day.filePath() + QLatin1Char('/');
        for (const QString& name : QDir(day.filePath()).entryList(QDir::Files, QDir::Name)) {
            const QString path = day_path + name;
            const QString relative = root.relativeFilePath(path);
            const RecordsFileSignature signature = SignatureOf(path);
            const auto found = known.constFind(relative);
            if (found != known.cend() && *found == signature) {
                known.erase(found);
                continue;
            }
            if (found != known.cend()) {
                known.erase(found);
            }
            scan.changed.push_back({relative, path, signature});
        }
    }
    for (const RecordsFileSignature& gone : std::as_const(known)) {
        scan.removed_ids.append(gone.id);
    }
    update.files_removed = int(scan.removed_ids.size());
    update = Write(scan, cancel, update);
    if (!update.error.isEmpty()) {
        return RebuiltAfterDamage(cancel, update);
    }
    MarkFilled();
    return update;
}

QString RecordsIndex::IndexedPath(const QString& session_path) const {
    return QDir(program_folder_).relativeFilePath(QFileInfo(session_path).absoluteFilePath());
}

IndexUpdate RecordsIndex::AddSessionFile(const QString& session_path) {
    IndexUpdate update;
    update.rebuilt = database_->was_rebuilt();
    if (!database_->ok()) {
        update.error = last_error_ = database_->error();
        return update;
    }
    const QString path = QFileInfo(session_path).absoluteFilePath();
    const QString relative = IndexedPath(path);
    const RecordsFileSignature signature = SignatureOf(path);
    QSqlQuery known(database_->db());
    known.prepare(
        QStringLiteral("SELECT id, size, mtime, log_size, log_mtime FROM files WHERE path = ?"));
    known.addBindValue(relative);
    if (known.exec() && known.next() &&
        signature == RecordsFileSignature{0, known.value(1).toLongLong(),
                                          known.value(2).toLongLong(), known.value(3).toLongLong(),
                                          known.value(4).toLongLong()}) {
        return update;  // already indexed as it stands
    }
    Scan scan;
    scan.changed.push_back({relative, path, signature});
    update = Write(scan, nullptr, update);
    // A damaged index is built again from every file, this one with them.
    return update.error.isEmpty() ? update : RebuiltAfterDamage(nullptr, update);
}

std::vector<IndexedSession> RecordsIndex::ReadBatch(const Scan& scan, int from, int to) {
    std::vector<IndexedSession> read;
    for (int i = from; i < to; ++i) {
        const auto& changed = scan.changed.at(size_t(i));
        read.push_back(ReadIndexedSession(changed.path, changed.signature.mtime));
    }
    return read;
}

IndexUpdate RecordsIndex::Write(const Scan& scan, const std::atomic<bool>* cancel,
                                IndexUpdate update) {
    const int total = int(scan.changed.size());
    const int batch = std::max(1, options_.batch_files);
    // The next batch's files are read on a second thread while this one writes: a
    // rebuild spends about as long parsing files as writing the index.
    std::future<std::vector<IndexedSession>> next =
        std::async(std::launch::deferred, &RecordsIndex::ReadBatch, std::cref(scan), 0,
                   std::min(total, batch));
    for (int from = 0; from < total || (from == 0 && !scan.removed_ids.isEmpty()); from += batch) {
        if (cancel != nullptr && cancel->load()) {
            update.error = last_error_ = QStringLiteral("cancelled");
            return update;
        }
        const int to = std::min(total, from + batch);
        std::vector<IndexedSession> read = next.get();
        if (to < total) {
            const int after = std::min(total, to + batch);
            try {
                next = std::async(std::launch::async, &RecordsIndex::ReadBatch, std::cref(scan), to,
                                  after);
            } catch (const std::system_error&) {
                // No thread to be had: read it here, after this batch.
                next = std::async(std::launch::deferred, &RecordsIndex::ReadBatch, std::cref(scan),
                                  to, after);
            }
        }
        if (!WriteBatch(scan, from, to, read, &update)) {
            update.error = last_error_;
            return update;
        }
    }
    // After the laps, so that a merge of names first seen now applies at once.
    if (!ApplyMerges()) {
        update.error = last_error_;
        return update;
    }
    last_error_.clear();
    return update;
}

bool RecordsIndex::WriteBatch(const Scan& scan, int from, int to,
                              const std::vector<IndexedSession>& read, IndexUpdate* update) {
    // The files were read before the write lock is taken: another station waits
    // only for the writes.
    QSqlDatabase& db = database_->db();
    if (!Exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        return false;
    }
    RecordsBests bests;
    QSqlQuery days_of(db);
    days_of.prepare(QStringLiteral("SELECT DISTINCT driver_id, day FROM laps WHERE file_id = ?"));
    QSqlQuery drop_laps(db);
    drop_laps.prepare(QStringLiteral("DELETE FROM laps WHERE file_id = ?"));
    QSqlQuery drop_file(db);
    drop_file.prepare(QStringLiteral("DELETE FROM files WHERE id = ?"));
    const auto forget = [&](qint64 id) {
        days_of.addBindValue(id);
        if (!days_of.exec()) {
            return false;
        }
        while (days_of.next()) {
            bests.Recompute(days_of.value(0).toLongLong(), days_of.value(1).toLongLong());
        }
        drop_laps.addBindValue(id);
        drop_file.addBindValue(id);
        return drop_laps.exec() && drop_file.exec();
    };
    bool ok = true;
    if (from == 0) {
        for (qint64 id : scan.removed_ids) {
            ok = ok && forget(id);
        }
    }
    // Looked up again under the lock: another station may have indexed the file
    // since this one listed the folder.
    QSqlQuery find_file(db);
    find_file.prepare(QStringLiteral("SELECT id FROM files WHERE path = ?"));
    QSqlQuery add_file(db);
    add_file.prepare(QStringLiteral(
        "INSERT INTO files(path, size, mtime, log_size, log_mtime) VALUES(?, ?, ?, ?, ?)"));
    QSqlQuery add_lap(db);
    add_lap.prepare(QStringLiteral(
        "INSERT INTO laps(file_id, driver_id, slot, lap_number, lap_time, day, at, top_ten_only)"
        " VALUES(?, ?, ?, ?, ?, ?, ?, ?)"));
    for (int i = from; ok && i < to; ++i) {
        const auto& changed = scan.changed.at(size_t(i));
        const IndexedSession& session = read.at(size_t(i - from));
        find_file.addBindValue(changed.relative_path);
        ok = find_file.exec();
        if (ok && find_file.next()) {
            ok = forget(find_file.value(0).toLongLong());
        }
        if (!ok) {
            break;
        }
        if (!session.error.isEmpty()) {
            // Not recorded as known, so the next update tries it again.
            update->unreadable.append(changed.relative_path + QStringLiteral(": ") + session.error);
            continue;
        }
        const RecordsFileSignature& sig = changed.signature;
        for (const QVariant& value :
             {QVariant(changed.relative_path), QVariant(sig.size), QVariant(sig.mtime),
              QVariant(sig.log_size), QVariant(sig.log_mtime)}) {
            add_file.addBindValue(value);
        }
        ok = add_file.exec();
        if (!ok) {
            break;
        }
        const qint64 file_id = add_file.lastInsertId().toLongLong();
        for (const IndexedLap& lap : session.laps) {
            const qint64 driver = DriverId(lap.driver_name);
            const qint64 day = lap.at.date().toJulianDay();
            const QString at = lap.at.toString(kRecordsTimeFormat);
            bests.Add(driver, day, lap.lap_time, lap.slot, at);
            for (const QVariant& value :
                 {QVariant(file_id), QVariant(driver), QVariant(lap.slot), QVariant(lap.lap_number),
                  QVariant(lap.lap_time), QVariant(day), QVariant(at),
                  QVariant(lap.top_ten_only ? 1 : 0)}) {
                add_lap.addBindValue(value);
            }
            ok = driver != 0 && add_lap.exec();
            if (!ok) {
                break;
            }
        }
        update->files_read += 1;
        update->bytes_read += sig.size + std::max<qint64>(0, sig.log_size);
    }
    QSqlError bests_error;
    ok = ok && (bests.Write(db, &bests_error) || Fail(bests_error));
    if (ok && Exec(QStringLiteral("COMMIT"))) {
        return true;
    }
    if (!ok) {
        for (const QSqlQuery* query :
             {&days_of, &drop_laps, &drop_file, &find_file, &add_file, &add_lap}) {
            if (query->lastError().isValid()) {
                Fail(query->lastError());
            }
        }
    }
    ExecSql(db, QStringLiteral("ROLLBACK"), nullptr);
    driver_ids_.clear();  // ids made in the rolled-back transaction are gone
    return false;
}

qint64 RecordsIndex::DriverId(const QString& name) {
    const QString key = DriverKey(name);
    const auto cached = driver_ids_.constFind(key);
    if (cached != driver_ids_.cend()) {
        return *cached;
    }
    QSqlDatabase& db = database_->db();
    QSqlQuery find(db);
    find.prepare(QStringLiteral("SELECT id FROM drivers WHERE key = ?"));
    find.addBindValue(key);
    qint64 id = 0;
    if (find.exec() && find.next()) {
        id = find.value(0).toLongLong();
    } else {
        QSqlQuery add(db);
        add.prepare(QStringLiteral("INSERT INTO drivers(key, name) VALUES(?, ?)"));
        add.addBindValue(key);
        add.addBindValue(name.simplified());
        if (!add.exec()) {
            last_error_ = add.lastError().text();
            return 0;
        }
        id = add.lastInsertId().toLongLong();
    }
    driver_ids_.insert(key, id);
    return id;
}
