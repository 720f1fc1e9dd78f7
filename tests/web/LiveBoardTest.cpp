#include <gtest/gtest.h>

#include <QJsonArray>
#include <functional>
#include <vector>

#include <QFile>

#include "DaySessions.h"
#include "LapLogFormat.h"
#include "LiveBoard.h"
#include "LiveSnapshot.h"
#include "SessionFile.h"
#include "SessionLaps.h"
#include "SessionRecorder.h"
#include "WebFixture.h"

namespace {

class LiveBoardTest : public ::testing::Test, public StationFixture {
  protected:
    // The board as of now_ms_ (the steady clock the pages count from).
    QJsonObject Live() {
        clocks_.Update(station_, now_ms_);
        return LiveBoardJson(station_, clocks_);
    }
    QByteArray Key() {
        clocks_.Update(station_, now_ms_);
        return LiveBoardKey(station_, clocks_);
    }
    // Time passes on the station and the steady clock alike.
    void Pass(qint64 ms) {
        now_ms_ += ms;
        clock_.AdvanceCentiseconds(ms / 10);
    }
    static QJsonObject KartAt(const QJsonObject& live, int index) {
        return live[QStringLiteral("karts")].toArray().at(index).toObject();
    }
    // A logged lap of slot, ended at 9:00 plus number minutes.
    static LapRecord Logged(int slot, qint32 number, qint32 time, bool deleted = false) {
        LapRecord lap;
        lap.slot = slot;
        lap.driver_name = QStringLiteral("Logged %1").arg(slot);
        lap.lap_number = number;
        lap.lap_time = time;
        lap.ended_at = QDateTime(QDate(2012, 5, 31), QTime(9, number, 7));
        lap.deleted = deleted;
        lap.deleted_at = deleted ? lap.ended_at.addSecs(30) : QDateTime();
        return lap;
    }
    SessionRecord RecordOfStation() const {
        SessionRecord record;
        for (int n = 1; n <= kSlotCount; ++n) {
            record.kart(n) = station_.slot(n);
        }
        return record;
    }
    static QList<int> LapNumbers(const QJsonArray& laps) {
        QList<int> numbers;
        for (const auto& lap : laps) {
            numbers << lap.toObject()["lap"].toInt();
        }
        return numbers;
    }
    static QStringList Drivers(const QJsonObject& live) {
        QStringList names;
        for (const auto& kart : live[QStringLiteral("karts")].toArray()) {
            names << kart.toObject()[QStringLiteral("driver")].toString();
        }
        return names;
    }

    LiveClocks clocks_;
    qint64 now_ms_ = 5'000'000;
};

TEST_F(LiveBoardTest, RunningSessionOrdersKartsInUseByBestLapWithGapsToTheFastest) {
    station_.poll_mode = kPollSession;
    Kart(1, "Ann", 101);
    Kart(2, "Bob", 102);
    Kart(3, "Cy", 103);  // in use, no lap yet
    // Slot 4: no serial, no lap: not in use. Slot 5: hand-timed, lap started.
    Kart(5, "Dee", 0, false);
    station_.slot(5).current_lap_number = 1;
    Laps(1, {6500, 6233});  // best 01:02:33, last faster than the best before it
    Laps(2, {6100, 6400});  // best 01:01:00, last slower
    station_.current_lap_time(1) = 1234;

    const QJsonObject live = Live();
    EXPECT_TRUE(live["running"].toBool());
    EXPECT_EQ(live["session"].toString(), "Session: 1");
    EXPECT_EQ(live["message"].toString(), "");
    EXPECT_EQ(Drivers(live), QStringList({"Bob", "Ann", "Cy", "Dee"}));

    const QJsonObject bob = KartAt(live, 0);
    EXPECT_EQ(bob["position"].toInt(), 1);
    EXPECT_EQ(bob["slot"].toInt(), 2);
    EXPECT_EQ(bob["best"].toString(), "01:01:00");
    EXPECT_EQ(bob["best_gap"].toString(), "");
    EXPECT_EQ(bob["last"].toString(), "01:04:00");
    EXPECT_EQ(bob["last_gap_sign"].toString(), "+");
    EXPECT_EQ(bob["last_gap"].toString(), "03:00");
    EXPECT_EQ(bob["lap"].toInt(), 2);

    const QJsonObject ann = KartAt(live, 1);
    EXPECT_EQ(ann["position"].toInt(), 2);
    EXPECT_EQ(ann["best_gap"].toString(), "+01:33");
    EXPECT_EQ(ann["last_gap_sign"].toString(), "-");
    EXPECT_EQ(ann["last_gap"].toString(), "02:67");
    EXPECT_EQ(ann["running"].toString(), "00:12:34");
    EXPECT_EQ(ann["running_cs"].toInt(), 1234);

    const QJsonObject cy = KartAt(live, 2);
    EXPECT_EQ(cy["best"].toString(), "");
    EXPECT_EQ(cy["last"].toString(), "");
    EXPECT_EQ(cy["best_gap"].toString(), "");
}

TEST_F(LiveBoardTest, RaceOrdersByTheScreensPositionsWithGapsInLaps) {
    ScreenStandIn screen;
    station_.session_screen = &screen;
    station_.poll_mode = kPollSession;
    Kart(1, "Ann", 101);
    Kart(2, "Bob", 102);
    Kart(3, "Cy", 103);
    Laps(1, {6000});        // the fastest lap, but a lap down
    Laps(2, {6500, 6400});  // leads the race
    Laps(3, {7000, 7100});  // same laps as Bob, 3.00 s behind
    screen.race_positions = {3, 1, 2, 0, 0};
    screen.race_gaps = {QStringLiteral("+1 LAP"), QString(), QStringLiteral("+3.00"), {}, {}};
    const QJsonObject live = Live();
    EXPECT_EQ(Drivers(live), QStringList({"Bob", "Cy", "Ann"}));
    EXPECT_EQ(KartAt(live, 0)["position"].toInt(), 1);
    EXPECT_EQ(KartAt(live, 1)["position"].toInt(), 2);
    EXPECT_EQ(KartAt(live, 1)["race_gap"].toString(), "+3.00");
    EXPECT_EQ(KartAt(live, 2)["position"].toInt(), 3);
    EXPECT_EQ(KartAt(live, 2)["race_gap"].toString(), "+1 LAP");
    station_.session_screen = nullptr;
}

TEST_F(LiveBoardTest, LastLapOfThePreviousSessionIsNotShownBeforeTheFirstLap) {
    Kart(1, "Ann", 101);
    Laps(1, {6000});
    // Session start clears the lap table but leaves last lap, gap and best.
    station_.slot(1).lap(1) = LapEntry{};
    station_.slot(1).current_lap_number = 1;
    station_.poll_mode = kPollSession;
    const QJsonObject ann = KartAt(Live(), 0);
    EXPECT_EQ(ann["last"].toString(), "");
    EXPECT_EQ(ann["last_gap_sign"].toString(), "");
    EXPECT_EQ(ann["best"].toString(), "");
}

TEST_F(LiveBoardTest, RadioKartNotHeardForMoreThanASecondIsMarked) {
    station_.poll_mode = kPollSession;
    Kart(1, "Heard", 101);
    Kart(2, "Silent", 102);
    Kart(3, "Never", 103);
    Kart(4, "Hand", 0, false);
    station_.slot(4).current_lap_number = 1;
    const qint64 now = clock_.PerformanceCounter();
    station_.link_quality.Heard(101, 1, now - 100 * FakeClock::kCountsPerCentisecond);  // 1.00 s
    station_.link_quality.Heard(102, 1, now - 101 * FakeClock::kCountsPerCentisecond);  // 1.01 s
    const QJsonObject live = Live();
    EXPECT_FALSE(KartAt(live, 0)["stale"].toBool());
    EXPECT_TRUE(KartAt(live, 1)["stale"].toBool());
    EXPECT_TRUE(KartAt(live, 2)["stale"].toBool());   // never heard in this run
    EXPECT_FALSE(KartAt(live, 3)["stale"].toBool());  // a stopwatch is never stale
}

TEST_F(LiveBoardTest, WithoutLinkRecordTheRunningTimesLastChangeTells) {
    station_.poll_mode = kPollSession;
    Kart(1, "Ann", 101);
    const qint64 now = clock_.PerformanceCounter();
    station_.slot(1).last_change_counter = now - 50 * FakeClock::kCountsPerCentisecond;
    EXPECT_FALSE(KartAt(Live(), 0)["stale"].toBool());
    clock_.AdvanceCentiseconds(60);
    EXPECT_TRUE(KartAt(Live(), 0)["stale"].toBool());
}

// What the board shows, without what runs on by itself between two looks.
QJsonObject Shown(QJsonObject live) {
    live.remove("at_ms");
    live.remove("time_of_day_ms");
    QJsonArray karts;
    for (const auto& value : live["karts"].toArray()) {
        QJsonObject kart = value.toObject();
        kart.remove("running");
        kart.remove("running_cs");
        karts.append(kart);
    }
    live["karts"] = karts;
    return live;
}

TEST_F(LiveBoardTest, KeyChangesWithWhatTheBoardShowsButNotWithTheRunningTime) {
    station_.poll_mode = kPollSession;
    Kart(1, "Ann", 101);
    const auto frame = [&](qint32 running) {
        station_.current_lap_time(1) = running;
        station_.link_quality.Heard(101, 1, clock_.PerformanceCounter());
    };
    frame(500);
    QByteArray key = Key();
    QJsonObject json = Live();
    // The running time going on as the page counts it, frames a little late or early
    // included: no update.
    for (const qint32 running : {510, 531, 539, 548}) {
        Pass(100);
        frame(running);
        EXPECT_EQ(Key(), key) << running;
        EXPECT_EQ(Shown(Live()), Shown(json)) << running;
    }
    // Each change must give a new key, and only then may the board differ.
    const std::vector<std::function<void()>> changes = {
        [&] { Laps(1, {6233}); },
        [&] { frame(120); },  // the unit started its lap anew
        [&] { station_.slot(1).driver_name = QStringLiteral("Anna"); },
        [&] { Pass(1010); },  // not heard any more: the time stands
        [&] { Kart(2, "Bob", 102); },
        [&] { station_.poll_mode = kPollIdle; },
    };
    for (size_t i = 0; i < changes.size(); ++i) {
        changes[i]();
        EXPECT_NE(Key(), key) << "change " << i;
        EXPECT_NE(Shown(Live()), Shown(json)) << "change " << i;
        key = Key();
        json = Live();
    }
}

TEST_F(LiveBoardTest, RunningSessionTellsThePagesWhereTheirClocksStart) {
    ScreenStandIn screen;
    station_.session_screen = &screen;
    station_.poll_mode = kPollSession;
    screen.start_counter = clock_.PerformanceCounter();
    Pass(90'000);
    Kart(1, "Radio", 101);
    Kart(2, "Hand", 0, false);
    Kart(3, "Silent", 103);
    station_.current_lap_time(1) = 1234;
    station_.link_quality.Heard(101, 1, clock_.PerformanceCounter());
    KartSlot& hand = station_.slot(2);
    hand.stopwatch_running = true;
    hand.current_lap_number = 1;
    hand.timing_mark = clock_.PerformanceCounter() - 2050 * FakeClock::kCountsPerCentisecond;
    station_.current_lap_time(3) = 4321;
    Laps(1, {6500, 6400, 6450, 6300});
    Laps(3, {6350});
    screen.laps = {14, 0, 1, 0, 0};

    const QJsonObject live = Live();
    EXPECT_EQ(live["session_start_ms"].toDouble(), double(now_ms_ - 90'000));
    EXPECT_EQ(live["at_ms"].toDouble(), double(now_ms_));
    EXPECT_EQ(live["time_of_day_ms"].toInt(), (14 * 3600 + 5 * 60) * 1000);
    const QJsonObject radio = KartAt(live, 0);
    EXPECT_TRUE(radio["ticking"].toBool());
    EXPECT_EQ(radio["lap_start_ms"].toDouble(), double(now_ms_ - 12'340));
    // Laps completed come from the session, not from the table of the ten fastest.
    EXPECT_EQ(radio["laps_completed"].toInt(), 14);
    // Its last lap beat its best and every other kart's: the session's fastest.
    EXPECT_EQ(radio["last_mark"].toString(), "fastest");
    EXPECT_EQ(radio["last_gap_cs"].toInt(), -100);
    const QJsonObject silent = KartAt(live, 1);
    EXPECT_FALSE(silent["ticking"].toBool());  // never heard: its time stands
    EXPECT_EQ(silent["running_cs"].toInt(), 4321);
    EXPECT_EQ(silent["last_mark"].toString(), "pb");  // its first lap, not the fastest
    const QJsonObject stopwatch = KartAt(live, 2);
    EXPECT_TRUE(stopwatch["ticking"].toBool());
    EXPECT_EQ(stopwatch["lap_start_ms"].toDouble(), double(now_ms_ - 20'500));

    // A lap slower than the best sets nothing; one as fast as the best neither.
    Laps(1, {6700});
    EXPECT_EQ(KartAt(Live(), 0)["last_mark"].toString(), "");
    Laps(1, {6300});
    EXPECT_EQ(KartAt(Live(), 0)["last_mark"].toString(), "");
    EXPECT_EQ(KartAt(Live(), 0)["last_gap_cs"].toInt(), 0);
    station_.session_screen = nullptr;
}

TEST_F(LiveBoardTest, BetweenSessionsShowsTheLastRecordedSessionsResult) {
    clock_.SetLocalDateTime(QDateTime(QDate(2012, 5, 31), QTime(14, 5)));
    Kart(1, "First", 101);
    Laps(1, {7000});
    QString error;
    ASSERT_TRUE(WriteSessionFile(station_, &error)) << error.toStdString();
    clock_.SetLocalDateTime(QDateTime(QDate(2012, 5, 31), QTime(14, 30)));
    Kart(2, "Second", 102);
    Laps(2, {6000, 6900});
    ASSERT_TRUE(WriteSessionFile(station_, &error)) << error.toStdString();
    // The slots move on; the board shows what was recorded.
    station_.slot(1).driver_name = QStringLiteral("Changed");

    const QJsonObject live = Live();
    EXPECT_FALSE(live["running"].toBool());
    EXPECT_EQ(live["message"].toString(), "No session is running");
    EXPECT_EQ(live["session"].toString(), "2 : 2012-05-31 14:30");
    EXPECT_EQ(live["today"].toString(), "2012_05_31");
    EXPECT_EQ(Drivers(live), QStringList({"Second", "First"}));
    EXPECT_EQ(KartAt(live, 1)["best_gap"].toString(), "+10:00");
    EXPECT_EQ(KartAt(live, 0)["laps_kept"].toInt(), 2);
    // Without a lap log nothing says how many laps were driven or which came last.
    EXPECT_FALSE(KartAt(live, 0).contains("laps_completed"));
    EXPECT_FALSE(KartAt(live, 0).contains("last"));
}

TEST_F(LiveBoardTest, BetweenSessionsLapsCompletedAndLastLapComeFromTheLapLog) {
    clock_.SetLocalDateTime(QDateTime(QDate(2012, 5, 31), QTime(9, 30)));
    Kart(1, "Ann", 101);
    Kart(2, "Bob", 102);
    std::vector<LapRecord> log;
    for (int i = 1; i <= 12; ++i) {
        const qint32 time = i == 5 ? 6000 : 6500 + i;
        Laps(1, {time});
        log.push_back(Logged(1, i, time));
    }
    Laps(2, {6100, 6050});
    log.push_back(Logged(2, 1, 6100));
    log.push_back(Logged(2, 2, 6050));
    log.push_back(Logged(1, 13, 6600));
    QString error;
    ASSERT_TRUE(WriteSessionFile(station_, &error)) << error.toStdString();
    const QByteArray key_before_log = Key();
    // Lap 13 was taken back by a lap correction.
    LapCorrectionRecord correction;
    correction.slot = 1;
    correction.driver_name = log.back().driver_name;
    correction.lap_number = 13;
    correction.lap_time = 6600;
    correction.at = log.back().ended_at.addSecs(20);
    ASSERT_TRUE(WriteLapLog(clock_.LocalDateTime(), log));
    QFile file(LapLogPathFor(SessionFilePath(station_.program_folder(), clock_.LocalDateTime())));
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write(LapLogLine(correction));
    file.close();
    // The key sees the lap log arrive beside the session file.
    EXPECT_NE(Key(), key_before_log);

    const QJsonObject live = Live();
    EXPECT_FALSE(live.contains("session_start_ms"));
    const QJsonObject ann = KartAt(live, 0);
    EXPECT_EQ(ann["driver"].toString(), "Ann");
    EXPECT_EQ(ann["laps_completed"].toInt(), 12);  // not the ten of the table
    EXPECT_EQ(ann["laps_kept"].toInt(), 10);
    EXPECT_EQ(ann["last_cs"].toInt(), 6512);
    EXPECT_EQ(ann["last_mark"].toString(), "");
    const QJsonObject bob = KartAt(live, 1);
    EXPECT_EQ(bob["laps_completed"].toInt(), 2);
    EXPECT_EQ(bob["last"].toString(), "01:00:50");
    EXPECT_EQ(bob["last_mark"].toString(), "pb");
    EXPECT_FALSE(bob.contains("running"));
}

TEST_F(LiveBoardTest, NoSessionTodayIsAnEmptyBoardWithTheMessage) {
    Kart(1, "Ann", 101);
    const QJsonObject live = Live();
    EXPECT_FALSE(live["running"].toBool());
    EXPECT_EQ(live["message"].toString(), "No session is running");
    EXPECT_TRUE(live["karts"].toArray().isEmpty());
}

TEST_F(LiveBoardTest, DaySessionsListEachKartsTenFastestLapsInFileOrder) {
    clock_.SetLocalDateTime(QDateTime(QDate(2012, 5, 31), QTime(9, 0)));
    Kart(3, "<b>Eve</b>", 103);
    Laps(3, {7000, 6800, 6900, 6700, 6600, 6650, 6640, 6630, 6620, 6610, 6605, 6900});
    QString error;
    ASSERT_TRUE(WriteSessionFile(station_, &error)) << error.toStdString();
    clock_.SetLocalDateTime(QDateTime(QDate(2012, 5, 31), QTime(10, 15)));
    ASSERT_TRUE(WriteSessionFile(station_, &error)) << error.toStdString();

    const QJsonObject day = DaySessionsJson(station_.program_folder(), QDate(2012, 5, 31));
    EXPECT_EQ(day["day"].toString(), "2012-05-31");
    const QJsonArray sessions = day["sessions"].toArray();
    ASSERT_EQ(sessions.size(), 2);
    EXPECT_EQ(sessions[0].toObject()["label"].toString(), "2012-05-31 09:00");
    EXPECT_EQ(sessions[1].toObject()["label"].toString(), "2012-05-31 10:15");
    const QJsonObject eve = sessions[0].toObject()["karts"].toArray()[0].toObject();
    EXPECT_EQ(eve["driver"].toString(), "<b>Eve</b>");
    const QJsonArray laps = eve["fastest_laps"].toArray();
    ASSERT_EQ(laps.size(), 10);
    EXPECT_EQ(laps[0].toObject()["time"].toString(), "01:06:00");
    EXPECT_EQ(laps[0].toObject()["lap"].toInt(), 5);
    EXPECT_EQ(laps[1].toObject()["lap"].toInt(), 11);
    EXPECT_EQ(laps[9].toObject()["time"].toString(), "01:09:00");
    EXPECT_EQ(laps[9].toObject()["gap"].toString(), "+03:00");

    const QJsonObject empty = DaySessionsJson(station_.program_folder(), QDate(2012, 6, 1));
    EXPECT_TRUE(empty["sessions"].toArray().isEmpty());
    EXPECT_EQ(empty["error"].toString(), "");
}

TEST_F(LiveBoardTest, SessionWithALapLogListsEveryLapInTheOrderDriven) {
    clock_.SetLocalDateTime(QDateTime(QDate(2012, 5, 31), QTime(9, 30)));
    Kart(3, "Eve", 103);
    const std::vector<qint32> times = {7000, 6800, 6900, 6700, 6600, 6650,
                                       6640, 6630, 6620, 6610, 6605, 6900};
    for (qint32 time : times) {
        Laps(3, {time});
    }
    QString error;
    ASSERT_TRUE(WriteSessionFile(station_, &error)) << error.toStdString();
    clock_.SetLocalDateTime(QDateTime(QDate(2012, 5, 31), QTime(10, 0)));
    ASSERT_TRUE(WriteSessionFile(station_, &error)) << error.toStdString();  // no lap log

    // The lap log of the first session, with a line a hand edit broke after each lap.
    std::vector<LapRecord> log;
    for (int i = 0; i < int(times.size()); ++i) {
        log.push_back(Logged(3, i + 1, times.at(size_t(i))));
    }
    ASSERT_TRUE(WriteLapLog(QDateTime(QDate(2012, 5, 31), QTime(9, 30)), log,
                            "lap;3;Eve;103;1;x;broken;;;;;;;;\r\n"));

    const QJsonArray sessions =
        DaySessionsJson(station_.program_folder(), QDate(2012, 5, 31))["sessions"].toArray();
    ASSERT_EQ(sessions.size(), 2);
    const QJsonObject logged = sessions[0].toObject();
    EXPECT_TRUE(logged["every_lap"].toBool());
    const QJsonObject eve = logged["karts"][0].toObject();
    const QJsonArray laps = eve["laps"].toArray();
    EXPECT_EQ(LapNumbers(laps), QList<int>({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(laps[0].toObject()["time"].toString(), "01:10:00");
    EXPECT_EQ(laps[0].toObject()["gap"].toString(), "+04:00");
    EXPECT_EQ(laps[0].toObject()["time_of_day"].toString(), "09:01:07");
    EXPECT_TRUE(laps[4].toObject()["best"].toBool());
    EXPECT_FALSE(laps[10].toObject()["best"].toBool());
    EXPECT_EQ(eve["laps_deleted"].toInt(), 0);
    EXPECT_EQ(eve["fastest_laps"].toArray().size(), 10);  // the session file's, as before

    const QJsonObject unlogged = sessions[1].toObject();
    EXPECT_FALSE(unlogged["every_lap"].toBool());
    EXPECT_FALSE(unlogged["karts"][0].toObject().contains("laps"));
    EXPECT_EQ(unlogged["karts"][0]["fastest_laps"].toArray().size(), 10);
}

TEST_F(LiveBoardTest, LapsTheLogMarksDeletedAreLeftOutEverywhere) {
    Kart(1, "Ann", 101);
    Kart(2, "Bob", 102);
    Laps(1, {6500, 6300, 6400});  // Ann's best, lap 2, is taken back
    Laps(2, {6350, 6450});
    SessionLapLog log;
    log.laps = {Logged(1, 1, 6500), Logged(2, 1, 6350), Logged(1, 2, 6300, true),
                Logged(2, 2, 6450), Logged(1, 3, 6400)};

    const QJsonObject session = RecordedSessionJson(RecordOfStation(), "2012-05-31 09:30", log);
    const QJsonArray karts = session["karts"].toArray();
    ASSERT_EQ(karts.size(), 2);
    // Without the deleted lap Bob leads, and Ann's best is her 01:04:00.
    const QJsonObject bob = karts[0].toObject();
    const QJsonObject ann = karts[1].toObject();
    EXPECT_EQ(bob["driver"].toString(), "Bob");
    EXPECT_EQ(ann["position"].toInt(), 2);
    EXPECT_EQ(ann["best"].toString(), "01:04:00");
    EXPECT_EQ(ann["best_gap"].toString(), "+00:50");
    EXPECT_EQ(LapNumbers(ann["laps"].toArray()), QList<int>({1, 3}));
    EXPECT_EQ(LapNumbers(ann["fastest_laps"].toArray()), QList<int>({3, 1}));
    EXPECT_EQ(ann["laps_kept"].toInt(), 2);
    EXPECT_EQ(ann["laps_deleted"].toInt(), 1);
    EXPECT_EQ(ann["laps"][0].toObject()["gap"].toString(), "+01:00");
    EXPECT_EQ(LapNumbers(bob["laps"].toArray()), QList<int>({1, 2}));
    EXPECT_EQ(bob["laps_deleted"].toInt(), 0);

    // A lap of the same number but another time is a different lap: kept.
    log.laps.at(2).lap_time = 6299;
    const QJsonObject kept = RecordedSessionJson(RecordOfStation(), "x", log);
    EXPECT_EQ(kept["karts"][0]["driver"].toString(), "Ann");
    EXPECT_EQ(LapNumbers(kept["karts"][0]["fastest_laps"].toArray()), QList<int>({2, 3, 1}));
}

// The same through the lap log's own bytes: a "deleted" record and an undone one, as
// the session screen's journal writes them, are what the feed reads back.
TEST_F(LiveBoardTest, CorrectionsWrittenToTheLapLogReachTheFeed) {
    Kart(1, "Ann", 101);
    Laps(1, {6500, 6300, 6400});
    std::vector<LapRecord> laps = {Logged(1, 1, 6500), Logged(1, 2, 6300), Logged(1, 3, 6400)};
    QByteArray bytes = LapLogHeader();
    for (LapRecord& lap : laps) {
        lap.session_time = 10000 * lap.lap_number;
        bytes += LapLogLine(lap);
    }
    const auto correction = [&](const LapRecord& lap, bool deleted) {
        LapCorrectionRecord record;
        record.deleted = deleted;
        record.slot = lap.slot;
        record.driver_name = lap.driver_name;
        record.lap_number = lap.lap_number;
        record.lap_time = lap.lap_time;
        record.lap_session_time = lap.session_time;
        record.at = lap.ended_at.addSecs(60);
        return LapLogLine(record);
    };
    bytes += correction(laps[1], true) + correction(laps[0], true) + correction(laps[0], false);

    const SessionLapLog log = ParseLapLog(bytes);
    ASSERT_TRUE(log.skipped.isEmpty()) << log.skipped.join('\n').toStdString();
    const QJsonObject ann =
        RecordedSessionJson(RecordOfStation(), "2012-05-31 09:30", log)["karts"][0].toObject();
    EXPECT_EQ(LapNumbers(ann["laps"].toArray()), QList<int>({1, 3}));
    EXPECT_EQ(ann["best"].toString(), "01:04:00");
    EXPECT_EQ(ann["laps_deleted"].toInt(), 1);
}

}  // namespace

// The board reads the slot table, so a lap correction on the session screen shows
// on it, and the key that tells the clients to update changes with it.
TEST_F(LiveBoardTest, ALapCorrectionShowsAndReachesTheClients) {
    station_.poll_mode = kPollSession;
    Kart(1, "Ann", 101);
    Kart(2, "Bob", 102);
    Laps(1, {6500, 6233});
    SessionLaps laps;
    KartSlot& bob = station_.slot(2);
    int best = 0;
    for (const qint32 time : {6100, 6400}) {
        ++bob.current_lap_number;
        const int id = laps.Add(bob, 2, bob.current_lap_number, time, 0, 0, QDateTime());
        best = best == 0 ? id : best;
        EnterLap(bob, time, 0, 0);
    }
    ASSERT_EQ(Drivers(Live()), QStringList({"Bob", "Ann"}));
    const QByteArray before = Key();

    ASSERT_TRUE(laps.Delete(best, QDateTime()));
    laps.Recompute(bob, 2);
    const QJsonObject live = Live();
    EXPECT_EQ(Drivers(live), QStringList({"Ann", "Bob"}));
    EXPECT_EQ(KartAt(live, 1)["best"].toString(), "01:04:00");
    EXPECT_EQ(KartAt(live, 1)["best_gap"].toString(), "+01:67");
    EXPECT_EQ(KartAt(live, 1)["laps_kept"].toInt(), 1);
    EXPECT_NE(Key(), before);
}

// The records of the index (as the updater's board holds them) with the running
// session's laps: the best of the day and month, and marks on the lap that set one.
TEST_F(LiveBoardTest, RecordsOfTheDayAndMonthAndTheLapsThatSetThem) {
    const QDate today = clock_.LocalDateTime().date();
    RecordsBoard board;
    board.day = today;
    board.day_best = {1,    QStringLiteral("Dora"),         QStringLiteral("dora"),
                      3000, QDateTime(today, QTime(10, 0)), 2};
    board.month_best = {1,
                        QStringLiteral("Edek"),
                        QStringLiteral("edek"),
                        2900,
                        QDateTime(today.addDays(-1), QTime(11, 0)),
                        1};
    board.driver_bests = {{QStringLiteral("ann"), 3300}, {QStringLiteral("bob"), 2990}};
    station_.poll_mode = kPollSession;
    Kart(1, "Ann", 101);
    Kart(2, " BOB", 102);
    Kart(3, "Cy", 103);
    Laps(1, {3400, 3250});  // beats her 33.00 of an earlier day
    Laps(2, {2950});        // the session's fastest, under the day's 30.00
    Laps(3, {3500, 3450});  // a first visit: his own best of the session only
    const auto marks = [this](const QJsonObject& live) {
        QStringList list;
        for (const auto& kart : live["karts"].toArray()) {
            list << kart.toObject()["driver"].toString().trimmed() + "=" +
                        kart.toObject()["last_mark"].toString();
        }
        return list;
    };
    const auto record = [](const QJsonObject& live, const char* kind) {
        return live["records"].toObject()[QLatin1String(kind)].toObject();
    };
    clocks_.Update(station_, now_ms_);
    QJsonObject live = LiveBoardJson(station_, clocks_, &board);
    EXPECT_EQ(marks(live), QStringList({"BOB=record", "Ann=personal", "Cy=pb"}));
    const QJsonObject day = record(live, "day");
    EXPECT_EQ(day["driver"].toString(), " BOB");
    EXPECT_EQ(day["lap_cs"].toInt(), 2950);
    EXPECT_EQ(day["date"].toString(), today.toString(Qt::ISODate));
    EXPECT_EQ(record(live, "month")["driver"].toString(), "Edek");
    EXPECT_EQ(record(live, "month")["lap"].toString(), "00:29:00");
    EXPECT_FALSE(Live().contains("records"));  // no board yet: no records, old marks

    // A board of yesterday: no day's record to beat (Bob's lap is still under his own
    // best), and yesterday's best is not shown as today's.
    board.day = today.addDays(-1);
    live = LiveBoardJson(station_, clocks_, &board);
    EXPECT_EQ(marks(live), QStringList({"BOB=personal", "Ann=personal", "Cy=pb"}));
    EXPECT_EQ(record(live, "day")["driver"].toString(), " BOB");
}
