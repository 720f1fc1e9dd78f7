#include "LiveBoard.h"

#include <QJsonArray>
#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "LapLogFormat.h"
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

// The laps a lap log has for a slot, in the order driven.
std::vector<const LapRecord*> LoggedLaps(const SessionLapLog& log, int slot) {
    std::vector<const LapRecord*> laps;
    for (const LapRecord& lap : log.laps) {
        if (lap.slot == slot) {
            laps.push_back(&lap);
        }
    }
    return laps;
}

// A lap taken back by a lap correction is listed nowhere: out of the kart's ten
// fastest too, the ones behind it moving up.
void TakeOutDeletedLaps(KartSlot& kart, const std::vector<const LapRecord*>& logged) {
    std::vector<LapEntry> kept;
    for (int j = 1; j <= kLapEntries; ++j) {
        const LapEntry& entry = kart.lap(j);
        if (entry.lap_time <= 0) {
            continue;
        }
        const bool deleted =
            std::any_of(logged.begin(), logged.end(), [&entry](const LapRecord* lap) {
                return lap->deleted && lap->lap_number == entry.lap_number &&
                       lap->lap_time == entry.lap_time;
            });
        if (!deleted) {
            kept.push_back(entry);
        }
    }
    for (int j = 1; j <= kLapEntries; ++j) {
        kart.lap(j) = size_t(j - 1) < kept.size() ? kept.at(size_t(j - 1)) : LapEntry{};
    }
}

QJsonArray LapRows(const KartSlot& kart, qint32 best) {
    QJsonArray laps;
    for (int j = 1; j <= kLapEntries; ++j) {
        const LapEntry& lap = kart.lap(j);
        if (lap.lap_time <= 0) {
            continue;
        }
        QJsonObject row;
        row[QStringLiteral("lap")] = lap.lap_number;
        row[QStringLiteral("time_cs")] = lap.lap_time;
        row[QStringLiteral("time")] = TimeText(lap.lap_time);
        row[QStringLiteral("gap")] = FormatGap(qint64(lap.lap_time) - best);
        laps.append(row);
    }
    return laps;
}

// Every lap of the lap log that was not taken back, in the order driven, with its
// gap to the kart's best lap of them.
QJsonArray EveryLapRows(const std::vector<const LapRecord*>& logged, int* deleted) {
    qint32 best = 0;
    for (const LapRecord* lap : logged) {
        if (!lap->deleted && lap->lap_time > 0 && (best == 0 || lap->lap_time < best)) {
            best = lap->lap_time;
        }
    }
    QJsonArray laps;
    for (const LapRecord* lap : logged) {
        if (lap->deleted) {
            ++*deleted;
            continue;
        }
        if (lap->lap_time <= 0) {
            continue;
        }
        QJsonObject row;
        row[QStringLiteral("lap")] = lap->lap_number;
        row[QStringLiteral("time_cs")] = lap->lap_time;
        row[QStringLiteral("time")] = TimeText(lap->lap_time);
        row[QStringLiteral("gap")] = FormatGap(qint64(lap->lap_time) - best);
        row[QStringLiteral("best")] = lap->lap_time == best;
        row[QStringLiteral("time_of_day")] =
            lap->ended_at.isValid() ? lap->ended_at.time().toString(QStringLiteral("HH:mm:ss"))
                                    : QString();
        laps.append(row);
    }
    return laps;
}

// The karts of a recorded session in finishing order. With a lap log (log not
// null) each kart also lists every lap; without laps (the live board between
// sessions) only the result.
QJsonArray RecordedKarts(const SessionRecord& record, bool with_laps,
                         const SessionLapLog* log = nullptr) {
    std::array<KartSlot, kSlotCount> karts = record.karts_;
    std::array<std::vector<const LapRecord*>, kSlotCount> logged;
    if (log != nullptr) {
        for (int n = 1; n <= kSlotCount; ++n) {
            logged.at(size_t(n - 1)) = LoggedLaps(*log, n);
            TakeOutDeletedLaps(karts.at(size_t(n - 1)), logged.at(size_t(n - 1)));
        }
    }
    std::vector<Entry> entries;
    for (int n = 1; n <= kSlotCount; ++n) {
        const KartSlot& kart = karts.at(size_t(n - 1));
        if (kart.lap(1).lap_time > 0) {
            entries.push_back({n, &kart, kart.lap(1).lap_time});
        }
    }
    SortByBestLap(entries);
    const qint32 fastest = FastestOf(entries);
    QJsonArray result;
    int position = 0;
    for (const Entry& entry : entries) {
        QJsonObject kart = KartBase(entry, ++position, fastest);
        kart[QStringLiteral("laps_kept")] = LapsInTable(*entry.kart);
        if (with_laps) {
            kart[QStringLiteral("fastest_laps")] = LapRows(*entry.kart, entry.best);
        }
        if (log != nullptr) {
            int deleted = 0;
            kart[QStringLiteral("laps")] =
                EveryLapRows(logged.at(size_t(entry.slot - 1)), &deleted);
            kart[QStringLiteral("laps_deleted")] = deleted;
        }
        result.append(kart);
    }
    return result;
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

QJsonObject RecordedSessionJson(const SessionRecord& record, const QString& label,
                                const SessionLapLog& log) {
    // A log without a single readable lap knows less than the session file.
    const bool every_lap = !log.laps.empty();
    QJsonObject session;
    session[QStringLiteral("label")] = label;
    session[QStringLiteral("every_lap")] = every_lap;
    session[QStringLiteral("karts")] = RecordedKarts(record, true, every_lap ? &log : nullptr);
    return session;
}

QJsonObject DaySessionsJson(const QString& program_folder, const QDate& day) {
    // A day's table holds 100 sessions of five slots each: too large for the stack.
    const auto table = std::make_unique<SessionTable>();
    const SessionFolderLoad load =
        LoadSessionFolder(DayFolderPath(program_folder, day), *table, SessionTitles::kHistory);
    QJsonArray sessions;
    for (int k = 0; k < load.file_names.size(); ++k) {
        const SessionRecord& record = table->records.at(size_t(k));
        const SessionLapLog log = ReadLapLog(LapLogPathFor(record.file_path));
        sessions.append(RecordedSessionJson(record, SessionLabel(load.file_names.at(k)), log));
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
