#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <optional>
#include <vector>

#include "RecordPeriod.h"

class QSqlError;
class RecordsDatabase;
struct IndexedSession;

// What one update of the index did.
struct IndexUpdate {
    int files_read = 0;      // new or changed session files read
    int files_removed = 0;   // gone from the folder
    qint64 bytes_read = 0;   // of session files and lap logs
    QStringList unreadable;  // "Sessions/<day>/<file>: why", skipped, tried again next time
    bool rebuilt = false;    // the index was missing, damaged or of an older version
    QString error;           // empty when the index is up to date
};

struct RecordRow {
    int rank = 0;
    QString name;  // as last typed
    QString key;
    qint32 best_lap = 0;  // centiseconds
    QDateTime at;
    int slot = 0;
};

struct DayBest {
    QDate day;
    qint32 best_lap = 0;
};

struct DriverHistory {
    QString name;
    QString key;
    int sessions = 0;
    int laps = 0;  // laps indexed: older sessions without a lap log give ten at most
    qint32 best_lap = 0;
    std::vector<DayBest> day_bests;    // the driver's best of each day driven, in time order
    std::vector<DayBest> month_bests;  // best of each month (day = the 1st), in time order
};

// What the live board shows of the records, made on the updater's thread after
// each update so that no page waits for the index.
struct RecordsBoard {
    QDate day;             // the day the day's best is of
    RecordRow day_best;    // best_lap 0: no lap that day
    RecordRow month_best;  // of day's month
    // The all-time best of every driver key, merged names under each of their keys.
    QHash<QString, qint32> driver_bests;
};

struct DriverName {
    QString key;
    QString name;
    QString merged_into;  // key, or empty
};

// The index of every lap beside Sessions/ (records.sqlite in the program folder),
// built from the session files and their lap logs, which stay the only records of
// truth. A file is known by its path under the program folder, size and
// modification time (and those of its lap log), so an edited, replaced or deleted
// file is noticed, whatever the clock said when it was written. One object per
// thread: it owns its own connection.
class RecordsIndex {
  public:
    struct Options {
        int batch_files = 500;  // files per write transaction
    };
    explicit RecordsIndex(const QString& program_folder);
    RecordsIndex(const QString& program_folder, const Options& options);
    ~RecordsIndex();

    static QString PathIn(const QString& program_folder);

    // Brings the index up to date with the session files. Each batch of files is
    // committed on its own, so an update cut short (cancel, full disk, another
    // station holding the lock too long) keeps what it did and the next one goes on.
    IndexUpdate Update(const std::atomic<bool>* cancel = nullptr);
    // Indexes one session file just written (and its lap log) without listing the
    // folder: what END SESSION asks for. Anything else is found by the next Update.
    IndexUpdate AddSessionFile(const QString& session_path);

    // The fastest drivers of the period, one row per driver, fastest first.
    std::vector<RecordRow> Top(RecordPeriod period, const QDate& today, int count);
    std::optional<DriverHistory> Driver(const QString& key);
    std::vector<DriverName> Drivers();
    // The driver's best before `before`, merges counted, the laps of session_path
    // left out; 0 when none. When session_path is the last file indexed, or not
    // indexed yet (a session just ended), every other lap is before it, whatever
    // the clock said then.
    qint32 BestBefore(const QString& key, const QDateTime& before,
                      const QString& session_path = QString());
    // The driver's place in the period's table (1 = fastest), 0 when not in it.
    int RankOf(const QString& key, RecordPeriod period, const QDate& today);
    // The key of the driver whose laps the key's are (itself unless merged); empty
    // when the name was never indexed.
    QString CountedAs(const QString& key);
    // When the first indexed lap of a session file was driven; invalid when the
    // file is not in the index.
    QDateTime FirstLapAt(const QString& session_path);
    RecordsBoard Board(const QDate& today);
    // Whether a whole update of the folder has ended in this index since it was
    // made: one being rebuilt from nothing holds only part of the laps.
    bool IsFilled();

    // Merges alias into target (records.ini and the index).
    bool Merge(const QString& alias_key, const QString& target_key);
    bool Unmerge(const QString& alias_key);

    const QString& last_error() const { return last_error_; }
    // Whether SQLite said the index file is damaged ("malformed", "not a database")
    // since the last update: that update starts it again from the files.
    bool damaged() const { return damaged_; }

  private:
    struct Scan;
    IndexUpdate Write(const Scan& scan, const std::atomic<bool>* cancel, IndexUpdate update);
    bool ApplyMerges();
    // How the index names a session file: its path under the program folder.
    QString IndexedPath(const QString& session_path) const;
    static std::vector<IndexedSession> ReadBatch(const Scan& scan, int from, int to);
    bool WriteBatch(const Scan& scan, int from, int to, const std::vector<IndexedSession>& read,
                    IndexUpdate* update);
    qint64 DriverId(const QString& name);
    void MarkFilled();
    bool Fail(const QString& text);
    bool Fail(const QSqlError& error);
    // Runs one statement; a failure is noted as Fail(QSqlError) notes it.
    bool Exec(const QString& sql);
    IndexUpdate RebuiltAfterDamage(const std::atomic<bool>* cancel, const IndexUpdate& failed);

    QString program_folder_;
    Options options_;
    std::unique_ptr<RecordsDatabase> database_;
    QHash<QString, qint64> driver_ids_;
    QString last_error_;
    bool damaged_ = false;
};
