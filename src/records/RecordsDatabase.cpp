#include "RecordsDatabase.h"

#include <QAtomicInteger>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QtEndian>

namespace {

const char* const kRecordsSchema[] = {
    "CREATE TABLE files(id INTEGER PRIMARY KEY, path TEXT UNIQUE NOT NULL, size INTEGER,"
    " mtime INTEGER, log_size INTEGER, log_mtime INTEGER)",
    "CREATE TABLE filled(at TEXT)",
    "CREATE TABLE drivers(id INTEGER PRIMARY KEY, key TEXT UNIQUE NOT NULL, name TEXT NOT NULL)",
    "CREATE TABLE laps(file_id INTEGER NOT NULL, driver_id INTEGER NOT NULL, slot INTEGER,"
    " lap_number INTEGER, lap_time INTEGER NOT NULL, day INTEGER NOT NULL, at TEXT NOT NULL,"
    " top_ten_only INTEGER NOT NULL)",
    "CREATE INDEX laps_file ON laps(file_id)",
    "CREATE INDEX laps_driver ON laps(driver_id, at)",
    // Each driver's best of each day, month and year, so that a period's table
    // reads a few thousand rows rather than millions of laps.
    "CREATE TABLE day_best(driver_id INTEGER NOT NULL, day INTEGER NOT NULL, month INTEGER NOT"
    " NULL, lap_time INTEGER, slot INTEGER, at TEXT, PRIMARY KEY(driver_id, day)) WITHOUT ROWID",
    "CREATE INDEX day_best_day ON day_best(day)",
    "CREATE TABLE month_best(driver_id INTEGER NOT NULL, month INTEGER NOT NULL, lap_time"
    " INTEGER, slot INTEGER, at TEXT, PRIMARY KEY(driver_id, month)) WITHOUT ROWID",
    "CREATE INDEX month_best_month ON month_best(month)",
    "CREATE TABLE year_best(driver_id INTEGER NOT NULL, year INTEGER NOT NULL, lap_time"
    " INTEGER, slot INTEGER, at TEXT, PRIMARY KEY(driver_id, year)) WITHOUT ROWID",
    "CREATE INDEX year_best_year ON year_best(year)",
    "CREATE TABLE merges(alias_id INTEGER PRIMARY KEY, target_id INTEGER NOT NULL)",
};

QAtomicInteger<int> records_connection_count;

}  // namespace

bool ExecSql(QSqlDatabase& db, const QString& sql, QString* error) {
    QSqlQuery query(db);
    if (query.exec(sql)) {
        return true;
    }
    if (error != nullptr) {
        *error = query.lastError().text();
    }
    return false;
}

bool IsDamagedIndexError(const QString& native_code) {
    // SQLITE_CORRUPT and SQLITE_NOTADB, with or without an extended code.
    const int code = native_code.toInt() & 0xff;
    return code == 11 || code == 26;
}

bool IsLockedError(const QString& native_code) {
    // SQLITE_BUSY and SQLITE_LOCKED.
    const int code = native_code.toInt() & 0xff;
    return code == 5 || code == 6;
}

bool IndexFileLooksWhole(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    // An empty file is one another station has just created.
    if (file.size() == 0) {
        return true;
    }
    const QByteArray header = file.read(100);
    if (header.size() < 100 || !header.startsWith(QByteArrayLiteral("SQLite format 3\0"))) {
        return false;
    }
    const auto* bytes = reinterpret_cast<const uchar*>(header.constData());
    qint64 page_size = qFromBigEndian<quint16>(bytes + 16);
    if (page_size == 1) {
        page_size = 65536;
    }
    const quint32 change_counter = qFromBigEndian<quint32>(bytes + 24);
    const quint32 pages = qFromBigEndian<quint32>(bytes + 28);
    const quint32 valid_for = qFromBigEndian<quint32>(bytes + 92);
    // The page count in the header holds only when written by the same change; a
    // file shorter than it was cut.
    if (pages != 0 && valid_for == change_counter) {
        return file.size() >= page_size * pages;
    }
    return true;
}

RecordsDatabase::RecordsDatabase(const QString& path)
    : path_(path), connection_(QStringLiteral("ruvo-records-%1").arg(++records_connection_count)) {
    // A lock held too long by another station is no damage: its index stays, and
    // the next update tries again.
    if ((!Open() || !Usable()) && !locked_) {
        Rebuild();
    }
}

RecordsDatabase::~RecordsDatabase() {
    Close();
}

void RecordsDatabase::Close() {
    if (db_.isValid()) {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(connection_);
    }
}

bool RecordsDatabase::Open() {
    error_.clear();
    const bool existed = QFileInfo::exists(path_);
    const bool looks_whole = !existed || QFileInfo::exists(path_ + QStringLiteral("-journal")) ||
                             IndexFileLooksWhole(path_);
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    if (!db_.isValid()) {
        error_ = QStringLiteral("Qt's SQLite driver is missing (libqt6sql6-sqlite)");
        return false;
    }
    db_.setDatabaseName(path_);
    db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db_.open()) {
        error_ = db_.lastError().text();
        return false;
    }
    // The index is rebuilt from the files, so a lost last transaction costs nothing
    // that the next update does not bring back.
    ExecSql(db_, QStringLiteral("PRAGMA synchronous=NORMAL"), nullptr);
    // The laps' index by driver takes its rows in no order: with SQLite's default
    // 2 MB cache an update of many files read and wrote its pages over and over.
    ExecSql(db_, QStringLiteral("PRAGMA cache_size=-65536"), nullptr);
    if (!looks_whole && StillDamagedWithoutWriters()) {
        error_ = QStringLiteral("damaged");
        return false;
    }
    return true;
}

bool RecordsDatabase::StillDamagedWithoutWriters() {
    // Another station's commit in progress looks like a cut file for a moment: look
    // again once no other connection can be writing. A file that is no database
    // refuses the lock and is damaged all the same.
    if (!ExecSql(db_, QStringLiteral("BEGIN IMMEDIATE"), nullptr)) {
        return true;
    }
    const bool damaged = !IndexFileLooksWhole(path_);
    ExecSql(db_, QStringLiteral("ROLLBACK"), nullptr);
    return damaged;
}

bool RecordsDatabase::Usable() {
    QSqlQuery version(db_);
    if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next()) {
        error_ = version.lastError().text();
        locked_ = IsLockedError(version.lastError().nativeErrorCode());
        return false;
    }
    const int found = version.value(0).toInt();
    version.finish();
    if (found == kSchemaVersion) {
        return true;
    }
    // An empty file (just created) gets its schema; any other version is rebuilt.
    QSqlQuery tables(QStringLiteral("SELECT count(*) FROM sqlite_master"), db_);
    const bool empty = tables.next() && tables.value(0).toInt() == 0;
    // Finished before the write lock is asked for: a read left open here while
    // another station waits to commit would deadlock, and SQLite says "locked".
    tables.finish();
    if (found == 0 && empty) {
        return CreateSchema();
    }
    error_ = QStringLiteral("schema version %1").arg(found);
    return false;
}

bool RecordsDatabase::CreateSchema() {
    QSqlQuery begin(db_);
    if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        error_ = begin.lastError().text();
        locked_ = IsLockedError(begin.lastError().nativeErrorCode());
        return false;
    }
    // Another station may have created it while this one waited for the lock.
    QSqlQuery version(QStringLiteral("PRAGMA user_version"), db_);
    if (version.next() && version.value(0).toInt() == kSchemaVersion) {
        return ExecSql(db_, QStringLiteral("COMMIT"), &error_);
    }
    for (const char* statement : kRecordsSchema) {
        if (!ExecSql(db_, QLatin1String(statement), &error_)) {
            ExecSql(db_, QStringLiteral("ROLLBACK"), nullptr);
            return false;
        }
    }
    if (!ExecSql(db_, QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion), &error_)) {
        ExecSql(db_, QStringLiteral("ROLLBACK"), nullptr);
        return false;
    }
    return ExecSql(db_, QStringLiteral("COMMIT"), &error_);
}

bool RecordsDatabase::Rebuild() {
    Close();
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
        QFile::remove(path_ + QLatin1String(suffix));
    }
    rebuilt_ = true;
    if (!Open()) {
        return false;
    }
    if (!CreateSchema()) {
        return false;
    }
    error_.clear();
    return true;
}
