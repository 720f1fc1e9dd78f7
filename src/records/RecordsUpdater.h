#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <memory>

#include "RecordsIndex.h"

// Brings the records index up to date on a thread of its own, so the launcher and
// a running session never wait for it; the index's failures (a full disk, a locked
// or damaged file) stay here and never reach the timing. A request while an update
// runs is remembered and runs once that one ends.
class RecordsUpdater : public QObject {
    Q_OBJECT

  public:
    explicit RecordsUpdater(const QString& program_folder, QObject* parent = nullptr);
    // Asks a running update to stop after its batch (what it wrote is kept) and
    // waits for it.
    ~RecordsUpdater() override;

    // An update of the whole folder, or (session_path given) of one session file
    // just written.
    void Request(const QString& session_path = QString());
    bool busy() const { return thread_ != nullptr; }
    const IndexUpdate& last() const { return last_; }

  signals:
    void Updated(const IndexUpdate& update);

  private:
    void StartThread();
    void ThreadEnded();

    QString program_folder_;
    QThread* thread_ = nullptr;
    bool pending_full_ = false;
    QStringList pending_files_;
    std::atomic<bool> cancel_{false};
    IndexUpdate running_;  // written by the thread, read once it has ended
    IndexUpdate last_;
};
