#include "CallOutText.h"

#include <QRegularExpression>
#include <QStringList>

#include "LapTimeWords.h"

namespace {

bool IsInitial(const QString& word) {
    QString letters = word;
    letters.remove(QLatin1Char('.'));
    return letters.size() <= 1;
}

}  // namespace

QString SpokenName(const QString& driver_name, int slot_number) {
    static const QRegularExpression kBlanks(QStringLiteral("\\s+"));
    const QStringList words = driver_name.split(kBlanks, Qt::SkipEmptyParts);
    for (auto word = words.crbegin(); word != words.crend(); ++word) {
        if (!IsInitial(*word)) {
            return *word;
        }
    }
    // Initials only: better said as written than not at all.
    if (!words.isEmpty()) {
        return words.join(QLatin1Char(' '));
    }
    return QStringLiteral("Kart %1").arg(slot_number);
}

QString CallOutText(const QString& spoken_name, qint32 lap_time, bool new_best) {
    QString text = spoken_name + QStringLiteral(", ") + LapTimeInWords(lap_time);
    if (new_best) {
        text += QStringLiteral(", best lap");
    }
    return text;
}

bool IsNewBest(const KartSlot& slot) {
    // The lap table leaves "-" and the margin when the lap was at least as fast as
    // the best before it, and no sign on a first lap.
    return slot.best_lap_delta_sign == QStringLiteral("-") && slot.best_lap_delta > 0;
}

QString CallOutForLap(const KartSlot& slot, int slot_number, qint32 lap_time) {
    return CallOutText(SpokenName(slot.driver_name.str(), slot_number), lap_time, IsNewBest(slot));
}
