#include "LinkQuality.h"

#include <algorithm>

namespace {

constexpr quint32 kSerialMask = 0xFFFFFF;

}  // namespace

void LinkQuality::Heard(quint32 serial, quint8 counter, qint64 now) {
    serial &= kSerialMask;
    auto found = units_.find(serial);
    if (found == units_.end()) {
        if (units_.size() >= kMaxUnits) {
            ForgetOldest();
        }
        units_.emplace(serial, UnitLink{counter, 1, 0, 0, 0, now});
        return;
    }
    UnitLink& unit = found->second;
    const auto step = qint8(quint8(counter - unit.counter));
    if (step == 0) {
        ++unit.duplicates;
        return;
    }
    if (step > 0) {
        unit.lost += step - 1;
    } else {
        ++unit.restarts;
    }
    ++unit.received;
    unit.counter = counter;
    unit.last_heard = now;
}

const UnitLink* LinkQuality::Find(qint64 serial) const {
    if (serial < 0 || serial > qint64(kSerialMask)) {
        return nullptr;
    }
    const auto found = units_.find(quint32(serial));
    return found == units_.end() ? nullptr : &found->second;
}

void LinkQuality::ForgetOldest() {
    const auto oldest = std::min_element(units_.begin(), units_.end(), [](auto& a, auto& b) {
        return a.second.last_heard < b.second.last_heard;
    });
    if (oldest != units_.end()) {
        units_.erase(oldest);
    }
}

QString LinkQualityText(const UnitLink* unit, qint64 now, qint64 frequency) {
    if (unit == nullptr || unit->received <= 0) {
        return QStringLiteral("Radio: not heard yet");
    }
    // Tenths of a percent, rounded down: a single lost packet never shows as 100.0%.
    const qint64 total = unit->received + unit->lost;
    const qint64 permille = unit->received * 1000 / total;
    // Tenths of a second, rounded to the nearest; 128-bit so that no age overflows.
    qint64 tenths = 0;
    if (frequency > 0 && now > unit->last_heard) {
        const __int128 age = now - unit->last_heard;
        tenths = qint64((age * 20 + frequency) / (__int128(frequency) * 2));
    }
    return QStringLiteral("Radio: %1.%2% of packets, last heard %3.%4 s ago")
        .arg(permille / 10)
        .arg(permille % 10)
        .arg(tenths / 10)
        .arg(tenths % 10);
}
