#pragma once

#include <QSqlDatabase>
#include <QString>

// One connection to the records index, owned by one thread (Qt SQL connections
// may not cross threads). Opening checks the file: one that is missing, cut
// short, not a database, or of another schema version is replaced by an empty
// index of this version, without a word, since it is rebuilt from the session
// files. Two stations may open one index: SQLite's locking serialises their
// writes and a busy connection waits up to five seconds before it gives up.
class RecordsDatabase {
  public:
    static constexpr int kSchemaVersion = 2;

    explicit RecordsDatabase(const QString& path);
    ~RecordsDatabase();
    RecordsDatabase(const RecordsDatabase&) = delete;
    RecordsDatabase& operator=(const RecordsDatabase&) = delete;

    bool ok() const { return error_.isEmpty(); }
    const QString& error() const { return error_; }
    bool was_rebuilt() const { return rebuilt_; }
    QSqlDatabase& db() { return db_; }

    // Throws the index away and starts an empty one (after an error that says the
    // file is damaged).
    bool Rebuild();

  private:
    bool Open();
    bool StillDamagedWithoutWriters();
    bool Usable();
    bool CreateSchema();
    void Close();

    QString path_;
    QString connection_;
    QSqlDatabase db_;
    QString error_;
    bool rebuilt_ = false;
    bool locked_ = false;  // another station held the lock past the busy timeout
};

// How the index writes when a lap was driven: as text that sorts in time order.
inline const QString kRecordsTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// Whether a Qt SQL error says the file is no database or a damaged one.
bool IsDamagedIndexError(const QString& native_code);
// Whether it says another connection held the lock (busy or locked).
bool IsLockedError(const QString& native_code);
// Whether the file at path is an SQLite database no shorter than its header says.
bool IndexFileLooksWhole(const QString& path);
// Runs one statement; false with error set to its text on failure.
bool ExecSql(QSqlDatabase& db, const QString& sql, QString* error);
