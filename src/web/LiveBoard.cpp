#include "LiveBoard.h"

#include <QFileInfo>
#include <QJsonArray>
#include <algorithm>
#include <vector>

#include "BoardRecords.h"
#include "KartRows.h"
#include "LapLogFormat.h"
#include "LiveSnapshot.h"
#include "Station.h"
#include "TimeFormat.h"

namespace {

bool InUse(const Station& station, int n) {
    const KartSlot& kart = station.slot(n);
    return kart.serial_number != 0 || kart.current_lap_number > 0 || kart.lap(1).lap_time > 0;
}

// The last lap set a new personal best: it is the best, and it beat the one before
// (a first lap has none before it; a lap as fast as the best sets nothing).
bool LastLapSetBest(const KartSlot& slot, qint32 best) {
    if (best <= 0 || slot.last_lap_time != best) {
        return false;
    }
    return slot.best_lap_delta_sign.isEmpty() || slot.best_lap_delta > 0;
}

QJsonObject RunningSession(const Station& station, const LiveClocks& clocks,
                           const RecordsBoard* records) {
    std::vector<KartEntry> entries;
    for (int n = 1; n <= kSlotCount; ++n) {
        if (InUse(station, n)) {
            entries.push_back({n, &station.slot(n), station.slot(n).lap(1).lap_time});
        }
    }
    SortByBestLap(entries);
    const qint32 fastest = FastestOf(entries);
    const SessionView* screen = station.session_screen;
    if (screen != nullptr) {
        // A race ranks by laps, not by best lap: its own order, unranked karts last.
        const auto race_key = [screen](const KartEntry& e) {
            const int p = screen->RacePosition(e.slot);
            return p > 0 ? p : kSlotCount + 1;
        };
        std::stable_sort(
            entries.begin(), entries.end(),
            [&](const KartEntry& a, const KartEntry& b) { return race_key(a) < race_key(b); });
    }
    QJsonArray karts;
    int position = 0;
    for (const KartEntry& entry : entries) {
        const KartSlot& slot = *entry.kart;
        const LiveClocks::Kart& clock = clocks.kart(entry.slot);
        QJsonObject kart = KartBase(entry, ++position, fastest);
        if (const int race_position = screen != nullptr ? screen->RacePosition(entry.slot) : 0) {
            kart[QStringLiteral("position")] = race_position;
            kart[QStringLiteral("race_gap")] = screen->RaceGap(entry.slot);
        }
        kart[QStringLiteral("lap")] = slot.current_lap_number;
        kart[QStringLiteral("laps_kept")] = LapsInTable(slot);
        kart[QStringLiteral("laps_completed")] =
            screen != nullptr ? screen->LapsCompleted(entry.slot) : 0;
        const qint32 running = clocks.RunningCs(entry.slot);
        kart[QStringLiteral("running_cs")] = running;
        kart[QStringLiteral("running")] = TimeText(running);
        kart[QStringLiteral("ticking")] = clock.ticking;
        kart[QStringLiteral("lap_start_ms")] = clock.lap_start_ms;
        // The slot's last lap and gap survive a session start; they belong to this
        // session only once it has a lap.
        if (entry.best > 0) {
            const bool set_best = LastLapSetBest(slot, entry.best);
            // Fastest of the session only when no other kart has as fast a lap.
            const bool fastest_of_all =
                set_best && position == 1 &&
                (entries.size() < 2 || entries.at(1).best == 0 || entries.at(1).best > entry.best);
            kart[QStringLiteral("last_cs")] = slot.last_lap_time;
            kart[QStringLiteral("last")] = TimeText(slot.last_lap_time);
            kart[QStringLiteral("last_gap_sign")] = slot.best_lap_delta_sign;
            kart[QStringLiteral("last_gap")] = FormatGapFields(slot.best_lap_delta);
            kart[QStringLiteral("last_gap_cs")] = slot.best_lap_delta_sign.isEmpty() ? 0
                                                  : slot.best_lap_delta_sign == QLatin1String("-")
                                                      ? -slot.best_lap_delta
                                                      : slot.best_lap_delta;
            const QString record =
                records == nullptr ? QString()
                                   : RecordMark(*records, station.clock().LocalDateTime().date(),
                                                slot.driver_name.str(), slot.last_lap_time,
                                                set_best, fastest_of_all);
            kart[QStringLiteral("last_mark")] =
                record.isEmpty() ? LapMark(set_best, fastest_of_all) : record;
        } else {
            kart[QStringLiteral("last_cs")] = 0;
            kart[QStringLiteral("last")] = QString();
            kart[QStringLiteral("last_gap_sign")] = QString();
            kart[QStringLiteral("last_gap")] = QString();
            kart[QStringLiteral("last_gap_cs")] = 0;
            kart[QStringLiteral("last_mark")] = QString();
        }
        kart[QStringLiteral("stale")] = KartNotHeard(station, slot);
        karts.append(kart);
    }
    QJsonObject live;
    live[QStringLiteral("running")] = true;
    live[QStringLiteral("session")] =
        QStringLiteral("Session: %1").arg(station.sessions.NextSessionNumber());
    live[QStringLiteral("session_start_ms")] = clocks.session_start_ms();
    live[QStringLiteral("message")] = QString();
    live[QStringLiteral("karts")] = karts;
    return live;
}

const SessionRecord* LastRecordedSession(const Station& station) {
    const SessionTable& today = station.sessions;
    if (today.count <= 0) {
        return nullptr;
    }
    return &today.records.at(size_t(std::min(today.count, kMaxSessions) - 1));
}

}  // namespace

QByteArray LiveBoardKey(const Station& station, const LiveClocks& clocks) {
    QByteArray key;
    key.reserve(1024);
    const auto add = [&key](qint64 value) {
        key.append(reinterpret_cast<const char*>(&value), sizeof(value));
    };
    const auto add_text = [&key, &add](const QString& text) {
        add(text.size());
        key.append(reinterpret_cast<const char*>(text.constData()),
                   text.size() * qsizetype(sizeof(QChar)));
    };
    add(station.poll_mode);
    add(station.clock().LocalDateTime().date().toJulianDay());
    add(station.sessions.count);
    add(station.sessions.NextSessionNumber());
    if (station.poll_mode != kPollSession) {
        // The last recorded session only changes with the count or a reload, and
        // its lap log when it is moved beside it.
        if (const SessionRecord* last = LastRecordedSession(station)) {
            add_text(last->title);
            add_text(last->file_path);
            const QFileInfo log(LapLogPathFor(last->file_path));
            add(log.exists() ? log.size() : -1);
            add(log.exists() ? log.lastModified().toMSecsSinceEpoch() : -1);
        }
        return key;
    }
    add(clocks.session_start_ms());
    const SessionView* screen = station.session_screen;
    for (int n = 1; n <= kSlotCount; ++n) {
        const KartSlot& slot = station.slot(n);
        const LiveClocks::Kart& clock = clocks.kart(n);
        add(slot.serial_number);
        add(slot.radio);
        add_text(slot.driver_name.str());
        add(slot.current_lap_number);
        add(slot.last_lap_time);
        add(slot.best_lap_delta);
        add_text(slot.best_lap_delta_sign);
        add(clock.ticking);
        add(clock.lap_start_ms);
        add(clock.standing_cs);
        add(screen != nullptr ? screen->LapsCompleted(n) : 0);
        add(KartNotHeard(station, slot));
        for (int j = 1; j <= kLapEntries; ++j) {
            add(slot.lap(j).lap_time);
            add(slot.lap(j).lap_number);
        }
    }
    return key;
}

QJsonObject LiveBoardJson(const Station& station, const LiveClocks& clocks,
                          const RecordsBoard* records) {
    const bool running = station.poll_mode == kPollSession;
    QJsonObject live = running ? RunningSession(station, clocks, records) : QJsonObject();
    const QDateTime now = station.clock().LocalDateTime();
    if (records != nullptr) {
        live[QStringLiteral("records")] = BoardRecordsJson(*records, station, now.date());
    }
    // The station's day, for /api/sessions/<today>: a phone's clock may differ.
    live[QStringLiteral("today")] = now.date().toString(QStringLiteral("yyyy_MM_dd"));
    // The pages run the station's clocks on from here (now_ms says where they are).
    live[QStringLiteral("at_ms")] = clocks.at_ms();
    live[QStringLiteral("time_of_day_ms")] = now.time().msecsSinceStartOfDay();
    live[QStringLiteral("sessions_recorded")] = station.sessions.count;
    if (running) {
        return live;
    }
    live[QStringLiteral("running")] = false;
    live[QStringLiteral("message")] = QStringLiteral("No session is running");
    const SessionRecord* last = LastRecordedSession(station);
    if (last == nullptr) {
        live[QStringLiteral("session")] = QString();
        live[QStringLiteral("karts")] = QJsonArray();
        return live;
    }
    live[QStringLiteral("session")] = last->title;
    live[QStringLiteral("karts")] =
        RecordedResultJson(*last, ReadLapLog(LapLogPathFor(last->file_path)));
    return live;
}

QJsonObject LiveBoardJson(const Station& station) {
    LiveClocks clocks;
    clocks.Update(station, SteadyMs());
    return LiveBoardJson(station, clocks);
}
