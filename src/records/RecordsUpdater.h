#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>

#include "RecordsIndex.h"

// Brings the records index up to date on a thread of its own, so the launcher and
// a running session never wait for it; the index's failures (a full disk, a locked
// or damaged file) stay here and never reach the timing. A request while an update
// runs is remembered and runs once that one ends.
class RecordsUpdater : public QObject {
    Q_OBJECT

  public:
    // today: the station's date, for the board's best of the day (the computer's
    // when not given).
    explicit RecordsUpdater(const QString& program_folder, QObject* parent = nullptr,
                            std::function<QDate()> today = {});
    // Asks a running update to stop after its batch (what it wrote is kept) and
    // waits for it.
    ~RecordsUpdater() override;

    // An update of the whole folder, or (session_path given) of one session file
    // just written.
    void Request(const QString& session_path = QString());
    bool busy() const { return thread_ != nullptr; }
    const IndexUpdate& last() const { return last_; }
    // The records the live board shows, as of the last update (made on its thread).
    const RecordsBoard& board() const { return board_; }

  signals:
    void Updated(const IndexUpdate& update);

  private:
    void StartThread();
    void ThreadEnded();

    QString program_folder_;
    std::function<QDate()> today_;
    QThread* thread_ = nullptr;
    bool pending_full_ = false;
    QStringList pending_files_;
    std::atomic<bool> cancel_{false};
    IndexUpdate running_;  // written by the thread, read once it has ended
    IndexUpdate last_;
    RecordsBoard running_board_;
    RecordsBoard board_;
};
