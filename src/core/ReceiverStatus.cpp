#include "ReceiverStatus.h"

#include <cmath>

QString ReceiverStatusText(const ReceiverStatus& status) {
    switch (status.state) {
        case ReceiverState::kNotFound:
            return QStringLiteral("USB-Key: not found");
        case ReceiverState::kNoAccess:
            return QStringLiteral("USB-Key: no access - see Install drivers");
        case ReceiverState::kNotUsable:
            return QStringLiteral("USB-Key: not usable - %1").arg(status.reason);
        case ReceiverState::kConnected:
            if (status.silent_seconds >= kSilentReceiverSeconds) {
                return QStringLiteral("USB-Key: connected, no frames for %1 s")
                    .arg(status.silent_seconds);
            }
            return QStringLiteral("USB-Key: connected, %1 frames/s")
                .arg(qint64(std::lround(status.frames_per_second)));
    }
    return {};
}
