#pragma once

#include <QByteArray>
#include <QDate>
#include <QObject>
#include <QString>
#include <vector>

// Reads the recorded days for /api/sessions/<day> and /api/days on a thread of its
// own (LiveTimingServer owns it): a day of 100 sessions and their lap logs takes a
// while, and on the network thread it would hold up every client's updates.
//
// The answers of the last few days are kept as long as the names, sizes and times
// of the day's session files and lap logs stay the same, so a session recorded or
// a lap log moved beside it is seen at the next request. When more days are asked
// for, the one used longest ago goes.
class DayReader : public QObject {
    Q_OBJECT

  public:
    static constexpr int kDaysKept = 8;

    explicit DayReader(QString program_folder, int days_kept = kDaysKept);

    // An invalid day asks for the list of days. Answered through Answered(job, ...).
    void Read(quint64 job, QDate day);

    // Days read from the disk so far (not from what was kept).
    int reads() const { return reads_; }

  signals:
    void Answered(quint64 job, QByteArray json);

  private:
    struct Kept {
        QByteArray key;
        QByteArray json;
    };
    QByteArray DayJson(const QDate& day);

    const QString program_folder_;
    const int days_kept_;
    std::vector<Kept> kept_;  // the one used longest ago first
    int reads_ = 0;
};
