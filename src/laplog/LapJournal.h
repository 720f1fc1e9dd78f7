#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QLockFile>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>

#include "JournalWriter.h"
#include "LapRecord.h"
#include "Station.h"

// The lap log of the running session, written as a journal: each record is handed
// to a writer thread as it happens, which writes and syncs it at once, so a crash,
// a killed program or a power cut loses at most the records of the last moments
// (those being written). The thread that reads frames never waits for the disk. The file lives in
// the laps folder of the day the session started, named after its start:
//   Sessions/<day>/laps/<yyyy_mm_dd_hh_mm_ss>.running.csv
// and is locked (<name>.lock) while it is written: a second program instance never
// writes it, and the next start recovers only journals nobody holds.
class LapJournal {
  public:
    static constexpr const char* kRunningSuffix = ".running.csv";

    // A new journal for a session starting now, with one "kart" record per slot.
    // When its file cannot be created it says why in error_message and keeps its
    // records in memory only (failed() from the start), so that a session saved at
    // its end, here or in another folder, still gets its lap log.
    static std::unique_ptr<LapJournal> Start(const Station& station, QString* error_message);
    ~LapJournal();
    LapJournal(const LapJournal&) = delete;
    LapJournal& operator=(const LapJournal&) = delete;

    const QString& path() const { return path_; }
    int lap_count() const { return lap_count_; }

    // A lap RecordLap has just entered into the slot (lap_number as it was stored).
    void RecordLap(const Station& station, int slot, qint32 lap_number, qint32 lap_time,
                   qint32 rpm_max, qint32 rpm_min, bool entered_top_ten);
    // A lap correction made at `at` on the lap_sequence-th lap of this journal
    // (counting from 1, over all karts): a "deleted" or "restored" record naming
    // that lap. False,
    // with nothing written, when the journal holds no such lap of that slot, number
    // and time.
    bool RecordCorrection(int slot, int lap_sequence, qint32 lap_number, qint32 lap_time,
                          bool deleted, const QDateTime& at);
    // The sector fields of a radio kart's frame; written only when they changed.
    void RecordSector(int slot, const SectorReport& report);
    // The slot's set-up changed during the session (kart settings).
    void RecordKart(const Station& station, int slot);

    // True once a write failed (disk full; noticed shortly after the append): from
    // then on the records are kept only in memory. failure() says what failed;
    // failure_reported lets the caller tell the operator once.
    bool failed() const { return !start_failure_.isEmpty() || (writer_ && writer_->failed()); }
    QString failure() const;
    bool failure_reported = false;
    // Waits until every record so far is on disk (or the write failed).
    void Flush();

    // The session file has been written: the journal becomes its lap log
    // (LapLogPathFor), rewritten whole from memory if the journal is incomplete.
    bool Finish(const QString& session_file_path, QString* error_message);
    // The session file was saved in another folder (the program's could not take
    // it): every record of the session, kept in memory, is written as its lap log
    // beside it (LapLogPathFor). The journal itself stays until SetAside.
    bool WriteLapLogBeside(const QString& session_file_path, QString* error_message) const;
    // The session ended without a session file. A journal with laps is kept aside
    // as <start>.<reason>.csv; one without laps holds nothing and is removed.
    void SetAside(const QString& reason);

  private:
    LapJournal(QString path, const Clock& clock);
    bool Open(QString* error_message);
    void Append(const QByteArray& line);
    qint64 SessionTime() const;

    QString path_;
    QString start_failure_;  // why the file could not be created; empty when it was
    const Clock& clock_;
    qint64 start_counter_ = 0;
    QLockFile lock_;
    QFile file_;
    QByteArray all_;  // everything appended, for a rewrite after a failed write
    bool closed_ = false;
    int lap_count_ = 0;
    std::vector<LapRecord> laps_;  // as written, for the corrections that name them
    std::array<SectorReport, kSlotCount> last_sector_{};
    std::unique_ptr<JournalWriter> writer_;
};

// The journals under <program folder>Sessions/*/laps/ that are still running and
// that no program instance holds: sessions that never reached "END SESSION".
QStringList FindUnfinishedJournals(const QString& program_folder);
// <start>.running.csv -> <start>.<reason>.csv in the same folder.
QString SetAsidePath(const QString& journal_path, const QString& reason);
