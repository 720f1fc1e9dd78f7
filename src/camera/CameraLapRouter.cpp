#include "CameraLapRouter.h"

#include <QFile>
#include <QFileInfo>
#include <cstdlib>

int CameraLapRouter::OnCrossing(int marker_id, bool band, qint64 counter) {
    if (band) {
        waiting_.push_back(counter);
        return 0;
    }
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        if (marker_of_slot_[size_t(slot - 1)] == marker_id) {
            return slot;
        }
    }
    unknown_.push_back(CameraLogLine(0, marker_id, false, double(counter) / double(frequency_)));
    return 0;
}

std::optional<qint64> CameraLapRouter::TakeForKey(qint64 now) {
    const qint64 window = static_cast<qint64>(kAssignSeconds * double(frequency_));
    auto best = waiting_.end();
    for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
        if (std::llabs(now - *it) <= window &&
            (best == waiting_.end() || std::llabs(now - *it) < std::llabs(now - *best))) {
            best = it;
        }
    }
    if (best == waiting_.end()) {
        return std::nullopt;
    }
    const qint64 taken = *best;
    waiting_.erase(best);
    return taken;
}

std::vector<QString> CameraLapRouter::Expire(qint64 now, bool flush) {
    std::vector<QString> lines;
    lines.swap(unknown_);
    const qint64 window = static_cast<qint64>(kAssignSeconds * double(frequency_));
    while (!waiting_.empty() && (flush || now - waiting_.front() > window)) {
        lines.push_back(CameraLogLine(0, -1, true, double(waiting_.front()) / double(frequency_)));
        waiting_.pop_front();
    }
    return lines;
}

QString CameraLogLine(int slot, int marker_id, bool band, double seconds) {
    return QStringLiteral("camera;%1;%2;%3;%4")
        .arg(slot > 0 ? QString::number(slot) : QStringLiteral("unassigned"),
             marker_id >= 0 ? QString::number(marker_id) : QStringLiteral("-"),
             band ? QStringLiteral("band") : QStringLiteral("marker"),
             QString::number(seconds, 'f', 6));
}

QString CameraLogPathFor(const QString& lap_log_path) {
    const QFileInfo info(lap_log_path);
    return info.path() + QStringLiteral("/") + info.completeBaseName() +
           QStringLiteral("-camera.csv");
}

bool AppendCameraLogLine(const QString& path, const QString& line) {
    QFile file(path);
    if (!file.open(QIODevice::Append | QIODevice::Text)) {
        return false;
    }
    return file.write((line + QLatin1Char('\n')).toUtf8()) > 0;
}

bool MoveCameraLog(const QString& from_lap_log_path, const QString& to_lap_log_path) {
    const QString from = CameraLogPathFor(from_lap_log_path);
    const QString to = CameraLogPathFor(to_lap_log_path);
    if (from == to || !QFileInfo::exists(from)) {
        return true;
    }
    // An older log under the new name belongs to no session any more.
    QFile::remove(to);
    if (QFile::rename(from, to)) {
        return true;
    }
    // Another file system (the laps folder on a stick): copied, then removed.
    return QFile::copy(from, to) && QFile::remove(from);
}
