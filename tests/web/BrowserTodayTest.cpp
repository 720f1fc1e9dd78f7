// /today in headless chromium, and the pictures of every page for docs/.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>

#include "BrowserFixture.h"
#include "LiveBoard.h"
#include "SessionRecorder.h"

namespace {

const QString kSessions = QStringLiteral("document.getElementById('sessions').innerText");
const QString kTitle = QStringLiteral("document.getElementById('day').textContent");

TEST_F(BrowserTest, TodayRefreshesWhenASessionEndsAndShowsAnotherDayFromTheList) {
    QString error;
    clock_.SetLocalDateTime(QDateTime(QDate(2012, 5, 30), QTime(16, 0)));
    Kart(1, "Eve", 101);
    Laps(1, {6400});
    ASSERT_TRUE(WriteSessionFile(station_, &error)) << error.toStdString();
    clock_.SetLocalDateTime(QDateTime(QDate(2012, 5, 31), QTime(10, 0)));
    Kart(1, "Ann", 101);
    Laps(1, {6300});
    ASSERT_TRUE(WriteSessionFile(station_, &error)) << error.toStdString();

    DevToolsPage page;
    ASSERT_TRUE(page.Open(chromium_, Url("/today"), QStringLiteral("412,915")));
    ASSERT_TRUE(page.WaitFor(kSessions, QStringLiteral("2012-05-31 10:00")));
    EXPECT_EQ(page.Evaluate(kTitle), "Sessions of 2012-05-31");
    EXPECT_TRUE(page.Evaluate(kSessions).contains(QStringLiteral("Best of the day")));

    // A session ends at the station: the open page shows it without a reload, and
    // the best of the day is now Bob's.
    clock_.SetLocalDateTime(QDateTime(QDate(2012, 5, 31), QTime(11, 0)));
    Kart(2, "Bob", 102);
    Laps(2, {6100});
    ASSERT_TRUE(WriteSessionFile(station_, &error)) << error.toStdString();
    ASSERT_TRUE(page.WaitFor(kSessions, QStringLiteral("2012-05-31 11:00")));
    EXPECT_TRUE(page.Evaluate(QStringLiteral("document.querySelector('table.best-of-day td.driver')"
                                             ".textContent"))
                    .contains(QStringLiteral("Bob")));

    // Another day from the list of days with sessions, kept on reload.
    const QString options = QStringLiteral(
        "Array.prototype.map.call(document.getElementById('days').options,"
        " function (o) { return o.value + '=' + o.text; }).join(',')");
    ASSERT_TRUE(page.WaitFor(options, QStringLiteral("2012_05_30")));
    EXPECT_EQ(page.Evaluate(options), "2012_05_31=Today,2012_05_30=2012-05-30");
    page.Evaluate(
        QStringLiteral("var s = document.getElementById('days'); s.value = '2012_05_30';"
                       "s.dispatchEvent(new Event('change'))"));
    ASSERT_TRUE(page.WaitFor(kTitle, QStringLiteral("2012-05-30")));
    EXPECT_TRUE(page.WaitFor(kSessions, QStringLiteral("Eve")));
    EXPECT_EQ(page.Evaluate(QStringLiteral("location.search")), "?day=2012_05_30");
    page.Call(QStringLiteral("Page.reload"), {});
    ASSERT_TRUE(page.WaitFor(kSessions, QStringLiteral("Eve")));
    EXPECT_EQ(page.Evaluate(kTitle), "Sessions of 2012-05-30");
}

// Pictures for docs/ when RUVO_SCREENSHOT_DIR names a folder: the phone board, the TV
// board and today's sessions, dark and light, and the TV board on a phone, with
// records and a day's record and a personal best marked.
TEST_F(BrowserTest, Screenshots) {
    const QString folder = qEnvironmentVariable("RUVO_SCREENSHOT_DIR");
    if (folder.isEmpty()) {
        GTEST_SKIP() << "RUVO_SCREENSHOT_DIR not set";
    }
    FillFiveKarts();
    Laps(2, {6050});  // Bartek's day record
    server_->SetRecords(BoardOfToday());
    RunFrames();
    // Today with one session of every lap recorded before this one: the five karts'
    // laps as recorded.
    std::vector<LapRecord> logged;
    const QDateTime now = clock_.LocalDateTime();
    for (int n = 1; n <= kSlotCount; ++n) {
        const KartSlot& kart = station_.slot(n);
        for (int number = 1; number <= kart.current_lap_number; ++number) {
            for (int j = 1; j <= kLapEntries; ++j) {
                if (kart.lap(j).lap_time > 0 && kart.lap(j).lap_number == number) {
                    LapRecord lap;
                    lap.slot = n;
                    lap.driver_name = kart.driver_name.str();
                    lap.lap_number = number;
                    lap.lap_time = kart.lap(j).lap_time;
                    lap.ended_at = now.addSecs(-60 * (kart.current_lap_number - number));
                    logged.push_back(lap);
                }
            }
        }
    }
    QString error;
    ASSERT_TRUE(WriteSessionFile(station_, &error)) << error.toStdString();
    ASSERT_TRUE(WriteLapLog(now, logged));
    struct Picture {
        const char* path;
        const char* size;
        const char* file;
        const char* wait_for;
    };
    const Picture pictures[] = {
        {"/", "412,915", "live-board-phone", "Ewa"},
        {"/tv", "1280,720", "live-board-tv", "Ewa"},
        {"/today", "412,915", "today-phone", "Best of the day"},
    };
    for (const Picture& picture : pictures) {
        for (const bool light : {false, true}) {
            DevToolsPage page;
            ASSERT_TRUE(page.Open(chromium_, Url(QString::fromLatin1(picture.path)),
                                  QString::fromLatin1(picture.size)));
            ASSERT_TRUE(page.WaitFor(QStringLiteral("document.body.innerText"),
                                     QString::fromLatin1(picture.wait_for)));
            if (light) {
                page.Evaluate(QStringLiteral("document.getElementById('theme').click()"));
            }
            QTest::qWait(500);  // the best of the day, the clocks' next tick
            const QString file = folder + QLatin1Char('/') + QString::fromLatin1(picture.file) +
                                 (light ? QStringLiteral("-light.png") : QStringLiteral(".png"));
            EXPECT_TRUE(page.Screenshot(file)) << file.toStdString();
        }
    }
    DevToolsPage tv_on_phone;
    ASSERT_TRUE(tv_on_phone.Open(chromium_, Url("/tv"), QStringLiteral("412,915")));
    ASSERT_TRUE(tv_on_phone.WaitFor(QStringLiteral("document.body.innerText"), "Best of the day"));
    QTest::qWait(500);
    EXPECT_TRUE(tv_on_phone.Screenshot(folder + QStringLiteral("/live-board-tv-phone.png")));
    // The feeds the pictures show, for the samples in docs/live-timing.md.
    QFile day_sample(folder + "/day-sample.json");
    ASSERT_TRUE(day_sample.open(QIODevice::WriteOnly));
    day_sample.write(QJsonDocument(DaySessionsJson(station_.program_folder(), now.date()))
                         .toJson(QJsonDocument::Indented));
    QFile sample(folder + "/live-sample.json");
    ASSERT_TRUE(sample.open(QIODevice::WriteOnly));
    sample.write(QJsonDocument(LiveBoardJson(station_)).toJson(QJsonDocument::Indented));
}

}  // namespace
