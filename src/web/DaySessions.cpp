#include "DaySessions.h"

#include <QDir>
#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "HttpRequest.h"
#include "KartRows.h"
#include "LapLogFormat.h"
#include "SessionFile.h"
#include "TimeFormat.h"

namespace {

// A recorded session with the laps that stand: the kart tables without the laps the
// lap log marks deleted, and what the log holds of each slot.
struct StandingSession {
    std::array<KartSlot, kSlotCount> karts;
    std::array<std::vector<const LapRecord*>, kSlotCount> logged;  // deleted ones too
    std::vector<KartEntry> entries;                                // finishing order
    bool every_lap = false;

    const std::vector<const LapRecord*>& Logged(int slot) const {
        return logged.at(size_t(slot - 1));
    }
    // The first standing lap of the slot's log with the kart's best time: the lap
    // that set it.
    const LapRecord* BestLap(const KartEntry& entry) const {
        for (const LapRecord* lap : Logged(entry.slot)) {
            if (!lap->deleted && lap->lap_time == entry.best) {
                return lap;
            }
        }
        return nullptr;
    }
};

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

// The log (not null) counts only when it holds laps: a log without a single
// readable lap knows less than the session file.
std::unique_ptr<StandingSession> Standing(const SessionRecord& record, const SessionLapLog& log) {
    auto session = std::make_unique<StandingSession>();
    session->karts = record.karts_;
    session->every_lap = !log.laps.empty();
    if (session->every_lap) {
        for (const LapRecord& lap : log.laps) {
            if (IsValidSlot(lap.slot)) {
                session->logged.at(size_t(lap.slot - 1)).push_back(&lap);
            }
        }
        for (int n = 1; n <= kSlotCount; ++n) {
            TakeOutDeletedLaps(session->karts.at(size_t(n - 1)), session->Logged(n));
        }
    }
    for (int n = 1; n <= kSlotCount; ++n) {
        const KartSlot& kart = session->karts.at(size_t(n - 1));
        if (kart.lap(1).lap_time > 0) {
            session->entries.push_back({n, &kart, kart.lap(1).lap_time});
        }
    }
    SortByBestLap(session->entries);
    return session;
}

QJsonArray TenFastestRows(const KartSlot& kart, qint32 best, bool leader) {
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
        row[QStringLiteral("fastest")] = leader && j == 1;
        laps.append(row);
    }
    return laps;
}

// Every lap of the log that was not taken back, in the order driven, with its gap to
// the kart's best lap; the lap that set the session's fastest time is marked.
QJsonArray EveryLapRows(const std::vector<const LapRecord*>& logged, qint32 best,
                        const LapRecord* session_fastest, int* deleted) {
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
        row[QStringLiteral("fastest")] = lap == session_fastest;
        row[QStringLiteral("time_of_day")] =
            lap->ended_at.isValid() ? lap->ended_at.time().toString(QStringLiteral("HH:mm:ss"))
                                    : QString();
        laps.append(row);
    }
    return laps;
}

int StandingCount(const std::vector<const LapRecord*>& logged) {
    return int(std::count_if(logged.begin(), logged.end(), [](const LapRecord* lap) {
        return !lap->deleted && lap->lap_time > 0;
    }));
}

QJsonArray SessionKarts(const StandingSession& session) {
    const qint32 fastest = FastestOf(session.entries);
    const LapRecord* fastest_lap =
        session.entries.empty() ? nullptr : session.BestLap(session.entries.front());
    QJsonArray result;
    int position = 0;
    for (const KartEntry& entry : session.entries) {
        QJsonObject kart = KartBase(entry, ++position, fastest);
        kart[QStringLiteral("laps_kept")] = LapsInTable(*entry.kart);
        kart[QStringLiteral("fastest_laps")] =
            TenFastestRows(*entry.kart, entry.best, position == 1);
        if (session.every_lap) {
            int deleted = 0;
            kart[QStringLiteral("laps")] =
                EveryLapRows(session.Logged(entry.slot), entry.best, fastest_lap, &deleted);
            kart[QStringLiteral("laps_deleted")] = deleted;
            kart[QStringLiteral("laps_completed")] = StandingCount(session.Logged(entry.slot));
        }
        result.append(kart);
    }
    return result;
}

// One driver's fastest lap of one session.
struct DriverBest {
    QString driver;
    int slot = 0;
    qint32 time = 0;
    qint32 lap = 0;
    QString session;
};

void CollectBests(const StandingSession& session, const QString& label,
                  std::vector<DriverBest>* bests) {
    for (const KartEntry& entry : session.entries) {
        const LapRecord* logged = session.BestLap(entry);
        DriverBest best{entry.kart->driver_name.str().trimmed(), entry.slot, entry.best,
                        logged != nullptr ? logged->lap_number : entry.kart->lap(1).lap_number,
                        label};
        // A driver is known by name; karts without one by their number.
        const auto same = std::find_if(bests->begin(), bests->end(), [&best](const auto& b) {
            return best.driver.isEmpty() ? b.driver.isEmpty() && b.slot == best.slot
                                         : b.driver == best.driver;
        });
        if (same == bests->end()) {
            bests->push_back(best);
        } else if (best.time < same->time) {
            *same = best;
        }
    }
}

QJsonArray BestOfDayRows(std::vector<DriverBest> bests) {
    std::stable_sort(bests.begin(), bests.end(),
                     [](const DriverBest& a, const DriverBest& b) { return a.time < b.time; });
    QJsonArray rows;
    for (size_t i = 0; i < bests.size(); ++i) {
        const DriverBest& best = bests.at(i);
        const qint64 gap = qint64(best.time) - bests.front().time;
        QJsonObject row;
        row[QStringLiteral("position")] = int(i) + 1;
        row[QStringLiteral("driver")] = best.driver;
        row[QStringLiteral("slot")] = best.slot;
        row[QStringLiteral("time_cs")] = best.time;
        row[QStringLiteral("time")] = TimeText(best.time);
        row[QStringLiteral("gap_cs")] = gap;
        row[QStringLiteral("gap")] = i == 0 ? QString() : FormatGap(gap);
        row[QStringLiteral("session")] = best.session;
        row[QStringLiteral("lap")] = best.lap;
        rows.append(row);
    }
    return rows;
}

}  // namespace

QJsonObject RecordedSessionJson(const SessionRecord& record, const QString& label,
                                const SessionLapLog& log) {
    const auto session = Standing(record, log);
    QJsonObject json;
    json[QStringLiteral("label")] = label;
    json[QStringLiteral("every_lap")] = session->every_lap;
    json[QStringLiteral("karts")] = SessionKarts(*session);
    return json;
}

QJsonArray RecordedResultJson(const SessionRecord& record, const SessionLapLog& log) {
    const auto session = Standing(record, log);
    const qint32 fastest = FastestOf(session->entries);
    QJsonArray result;
    int position = 0;
    for (const KartEntry& entry : session->entries) {
        QJsonObject kart = KartBase(entry, ++position, fastest);
        kart[QStringLiteral("laps_kept")] = LapsInTable(*entry.kart);
        const std::vector<const LapRecord*>& logged = session->Logged(entry.slot);
        const auto last = std::find_if(logged.rbegin(), logged.rend(), [](const LapRecord* lap) {
            return !lap->deleted && lap->lap_time > 0;
        });
        if (session->every_lap && last != logged.rend()) {
            const bool set_best = *last == session->BestLap(entry);
            kart[QStringLiteral("laps_completed")] = StandingCount(logged);
            kart[QStringLiteral("last_cs")] = (*last)->lap_time;
            kart[QStringLiteral("last")] = TimeText((*last)->lap_time);
            kart[QStringLiteral("last_mark")] = LapMark(set_best, set_best && position == 1);
        }
        result.append(kart);
    }
    return result;
}

QJsonObject DaySessionsJson(const QString& program_folder, const QDate& day) {
    // A day's table holds 100 sessions of five slots each: too large for the stack.
    const auto table = std::make_unique<SessionTable>();
    const SessionFolderLoad load =
        LoadSessionFolder(DayFolderPath(program_folder, day), *table, SessionTitles::kHistory);
    QJsonArray sessions;
    std::vector<DriverBest> bests;
    for (int k = 0; k < load.file_names.size(); ++k) {
        const SessionRecord& record = table->records.at(size_t(k));
        const SessionLapLog log = ReadLapLog(LapLogPathFor(record.file_path));
        const QString label = SessionLabel(load.file_names.at(k));
        const auto session = Standing(record, log);
        QJsonObject json;
        json[QStringLiteral("label")] = label;
        json[QStringLiteral("every_lap")] = session->every_lap;
        json[QStringLiteral("karts")] = SessionKarts(*session);
        sessions.append(json);
        CollectBests(*session, label, &bests);
    }
    QJsonObject result;
    result[QStringLiteral("day")] = day.toString(QStringLiteral("yyyy-MM-dd"));
    result[QStringLiteral("sessions")] = sessions;
    result[QStringLiteral("best_of_day")] = BestOfDayRows(std::move(bests));
    // The reason names folders of the station: the operator sees it in the history
    // browser, the network only learns that the day could not be read.
    result[QStringLiteral("error")] =
        load.error.isEmpty() ? QString() : QStringLiteral("The day's sessions could not be read");
    return result;
}

QJsonObject DayListJson(const QString& program_folder) {
    QDir sessions(SessionsFolderPath(program_folder));
    QStringList names = sessions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    std::reverse(names.begin(), names.end());
    QJsonArray days;
    for (const QString& name : names) {
        // Only folders named as days that hold a session file; a session that is
        // running has its lap log's folder there already, and no file yet.
        if (ParseDayName(name.toLatin1()).isValid() &&
            !QDir(sessions.filePath(name)).entryList(QDir::Files).isEmpty()) {
            days.append(name);
        }
    }
    QJsonObject result;
    result[QStringLiteral("days")] = days;
    return result;
}
