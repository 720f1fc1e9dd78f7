#include "LiveBoard.h"

#include <QJsonArray>
#include <algorithm>
#include <memory>
#include <vector>

#include "SessionFile.h"
#include "Station.h"
#include "TimeFormat.h"

namespace {

struct Entry {
    int slot = 0;
    const KartSlot* kart = nullptr;
    qint32 best = 0;  // fastest lap of the session, 0 = none yet
};

// Ordered by best lap; karts without a lap after those with one, by slot.
void SortByBestLap(std::vector<Entry>& entries) {
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if ((a.best > 0) != (b.best > 0)) {
            return a.best > 0;
        }
        if (a.best != b.best) {
            return a.best < b.best;
        }
        return a.slot < b.slot;
    });
}

qint32 FastestOf(const std::vector<Entry>& entries) {
    return entries.empty() ? 0 : entries.front().best;
}

QString TimeText(qint32 centiseconds) {
    return FormatLapTime(quint32(centiseconds));
}

// Position, slot, driver and best lap with the gap to the fastest kart; the same
// for the running session and a recorded one.
QJsonObject KartBase(const Entry& entry, int position, qint32 fastest) {
    QJsonObject kart;
    kart[QStringLiteral("position")] = position;
    kart[QStringLiteral("slot")] = entry.slot;
    kart[QStringLiteral("driver")] = entry.kart->driver_name.str();
    kart[QStringLiteral("radio")] = entry.kart->radio;
    if (entry.best > 0) {
        kart[QStringLiteral("best_cs")] = entry.best;
        kart[QStringLiteral("best")] = TimeText(entry.best);
        kart[QStringLiteral("best_gap")] =
            position == 1 ? QString() : FormatGap(qint64(entry.best) - fastest);
    } else {
        kart[QStringLiteral("best_cs")] = 0;
        kart[QStringLiteral("best")] = QString();
        kart[QStringLiteral("best_gap")] = QString();
    }
    return kart;
}

int LapsInTable(const KartSlot& kart) {
    int count = 0;
    for (int j = 1; j <= kLapEntries; ++j) {
        count += kart.lap(j).lap_time > 0 ? 1 : 0;
    }
    return count;
}

bool InUse(const Station& station, int n) {
    const KartSlot& kart = station.slot(n);
    return kart.serial_number != 0 || kart.current_lap_number > 0 || kart.lap(1).lap_time > 0;
}

// A radio kart not heard for more than a second: from the link's last heard where
// the unit was heard at all, else from when its running time last changed.
bool NotHeard(const Station& station, const KartSlot& kart) {
    if (!kart.radio) {
        return false;
    }
    const qint64 now = station.clock().PerformanceCounter();
    const qint64 frequency = station.clock().PerformanceFrequency();
    qint64 since = kart.last_change_counter;
    if (const UnitLink* unit = station.link_quality.Find(kart.serial_number)) {
        since = unit->last_heard;
    } else if (since == 0) {
        return true;  // never heard in this run
    }
    return CountsToCentiseconds(now - since, frequency) > kNotHeardAfter;
}

QJsonObject RunningSession(const Station& station) {
    std::vector<Entry> entries;
    for (int n = 1; n <= kSlotCount; ++n) {
        if (InUse(station, n)) {
            entries.push_back({n, &station.slot(n), station.slot(n).lap(1).lap_time});
        }
    }
    SortByBestLap(entries);
    const qint32 fastest = FastestOf(entries);
    QJsonArray karts;
    int position = 0;
    for (const Entry& entry : entries) {
        const KartSlot& slot = *entry.kart;
        QJsonObject kart = KartBase(entry, ++position, fastest);
        kart[QStringLiteral("lap")] = slot.current_lap_number;
        kart[QStringLiteral("laps_kept")] = LapsInTable(slot);
        const qint32 running = station.current_lap_time(entry.slot);
        kart[QStringLiteral("running_cs")] = running;
        kart[QStringLiteral("running")] = TimeText(running);
        // The slot's last lap and gap survive a session start; they belong to this
        // session only once it has a lap.
        if (entry.best > 0) {
            kart[QStringLiteral("last_cs")] = slot.last_lap_time;
            kart[QStringLiteral("last")] = TimeText(slot.last_lap_time);
            kart[QStringLiteral("last_gap_sign")] = slot.best_lap_delta_sign;
            kart[QStringLiteral("last_gap")] = FormatGapFields(slot.best_lap_delta);
        } else {
            kart[QStringLiteral("last_cs")] = 0;
            kart[QStringLiteral("last")] = QString();
            kart[QStringLiteral("last_gap_sign")] = QString();
            kart[QStringLiteral("last_gap")] = QString();
        }
        kart[QStringLiteral("stale")] = NotHeard(station, slot);
        karts.append(kart);
    }
    QJsonObject live;
    live[QStringLiteral("running")] = true;
    live[QStringLiteral("session")] =
        QStringLiteral("Session: %1").arg(station.sessions.NextSessionNumber());
    live[QStringLiteral("message")] = QString();
    live[QStringLiteral("karts")] = karts;
    return live;
}

QJsonArray RecordedKarts(const SessionRecord& record, bool all_laps) {
    std::vector<Entry> entries;
    for (int n = 1; n <= kSlotCount; ++n) {
        const KartSlot& kart = record.kart(n);
        if (kart.lap(1).lap_time > 0) {
            entries.push_back({n, &kart, kart.lap(1).lap_time});
        }
    }
    SortByBestLap(entries);
    const qint32 fastest = FastestOf(entries);
    QJsonArray karts;
    int position = 0;
    for (const Entry& entry : entries) {
        QJsonObject kart = KartBase(entry, ++position, fastest);
        kart[QStringLiteral("laps_kept")] = LapsInTable(*entry.kart);
        if (all_laps) {
            QJsonArray laps;
            for (int j = 1; j <= kLapEntries; ++j) {
                const LapEntry& lap = entry.kart->lap(j);
                if (lap.lap_time <= 0) {
                    continue;
                }
                QJsonObject row;
                row[QStringLiteral("lap")] = lap.lap_number;
                row[QStringLiteral("time_cs")] = lap.lap_time;
                row[QStringLiteral("time")] = TimeText(lap.lap_time);
                row[QStringLiteral("gap")] = FormatGap(qint64(lap.lap_time) - entry.best);
                laps.append(row);
            }
            kart[QStringLiteral("fastest_laps")] = laps;
        }
        karts.append(kart);
    }
    return karts;
}

}  // namespace

QByteArray LiveBoardKey(const Station& station) {
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
        // The last recorded session only changes with the count or a reload.
        if (station.sessions.count > 0) {
            add_text(station.sessions.records
                         .at(size_t(std::min(station.sessions.count, kMaxSessions) - 1))
                         .title);
        }
        return key;
    }
    for (int n = 1; n <= kSlotCount; ++n) {
        const KartSlot& slot = station.slot(n);
        add(slot.serial_number);
        add(slot.radio);
        add_text(slot.driver_name.str());
        add(slot.current_lap_number);
        add(slot.last_lap_time);
        add(slot.best_lap_delta);
        add_text(slot.best_lap_delta_sign);
        add(station.current_lap_time(n));
        add(NotHeard(station, slot));
        for (int j = 1; j <= kLapEntries; ++j) {
            add(slot.lap(j).lap_time);
            add(slot.lap(j).lap_number);
        }
    }
    return key;
}

QJsonObject LiveBoardJson(const Station& station) {
    QJsonObject live = station.poll_mode == kPollSession ? RunningSession(station) : QJsonObject();
    // The station's day, for /api/sessions/<today>: a phone's clock may differ.
    live[QStringLiteral("today")] =
        station.clock().LocalDateTime().date().toString(QStringLiteral("yyyy_MM_dd"));
    if (station.poll_mode == kPollSession) {
        return live;
    }
    live[QStringLiteral("running")] = false;
    live[QStringLiteral("message")] = QStringLiteral("No session is running");
    const SessionTable& today = station.sessions;
    if (today.count <= 0) {
        live[QStringLiteral("session")] = QString();
        live[QStringLiteral("karts")] = QJsonArray();
        return live;
    }
    const SessionRecord& last = today.records.at(size_t(std::min(today.count, kMaxSessions) - 1));
    live[QStringLiteral("session")] = last.title;
    live[QStringLiteral("karts")] = RecordedKarts(last, false);
    return live;
}

QJsonObject DaySessionsJson(const QString& program_folder, const QDate& day) {
    // A day's table holds 100 sessions of five slots each: too large for the stack.
    const auto table = std::make_unique<SessionTable>();
    const SessionFolderLoad load =
        LoadSessionFolder(DayFolderPath(program_folder, day), *table, SessionTitles::kHistory);
    QJsonArray sessions;
    for (int k = 0; k < load.file_names.size(); ++k) {
        QJsonObject session;
        session[QStringLiteral("label")] = SessionLabel(load.file_names.at(k));
        session[QStringLiteral("karts")] = RecordedKarts(table->records.at(size_t(k)), true);
        sessions.append(session);
    }
    QJsonObject result;
    result[QStringLiteral("day")] = day.toString(QStringLiteral("yyyy-MM-dd"));
    result[QStringLiteral("sessions")] = sessions;
    // The reason names folders of the station: the operator sees it in the history
    // browser, the network only learns that the day could not be read.
    result[QStringLiteral("error")] =
        load.error.isEmpty() ? QString() : QStringLiteral("The day's sessions could not be read");
    return result;
}
