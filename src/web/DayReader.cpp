#include "DayReader.h"

#include <QDir>
#include <QJsonDocument>

#include "DaySessions.h"
#include "LapLogFormat.h"
#include "SessionFile.h"

namespace {

// What a day's answer depends on: the names, sizes and times of its session files
// and lap logs. A session recorded or a lap log moved beside it changes the key.
QByteArray DayFolderKey(const QDate& day, const QString& day_folder) {
    QByteArray key = day.toString(Qt::ISODate).toLatin1() + '\n';
    for (const QString& folder : {day_folder, LapsFolderPath(day_folder)}) {
        const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
        for (const QFileInfo& entry : entries) {
            key += entry.fileName().toUtf8() + '/' + QByteArray::number(entry.size()) + '/' +
                   QByteArray::number(entry.lastModified().toMSecsSinceEpoch()) + '\n';
        }
        key += '|';
    }
    return key;
}

}  // namespace

DayReader::DayReader(QString program_folder, int days_kept)
    : program_folder_(std::move(program_folder)), days_kept_(days_kept) {}

void DayReader::Read(quint64 job, QDate day) {
    if (!day.isValid()) {
        emit Answered(job,
                      QJsonDocument(DayListJson(program_folder_)).toJson(QJsonDocument::Compact));
        return;
    }
    emit Answered(job, DayJson(day));
}

QByteArray DayReader::DayJson(const QDate& day) {
    const QByteArray key = DayFolderKey(day, DayFolderPath(program_folder_, day));
    for (auto it = kept_.begin(); it != kept_.end(); ++it) {
        if (it->key == key) {
            // Used now: to the end, the last to go.
            Kept used = std::move(*it);
            kept_.erase(it);
            kept_.push_back(std::move(used));
            return kept_.back().json;
        }
    }
    ++reads_;
    QByteArray json =
        QJsonDocument(DaySessionsJson(program_folder_, day)).toJson(QJsonDocument::Compact);
    // An older answer of the same day is of no use any more.
    const QByteArray day_prefix = key.left(key.indexOf('\n') + 1);
    std::erase_if(kept_,
                  [&day_prefix](const Kept& kept) { return kept.key.startsWith(day_prefix); });
    if (int(kept_.size()) >= days_kept_) {
        kept_.erase(kept_.begin());
    }
    kept_.push_back({key, json});
    return json;
}
