// The live board and the TV board in headless chromium: what people at the fence
// read on them, what a phone keeps, and what they say when the station goes quiet.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <cstdio>

#include "BrowserFixture.h"
#include "PausableProxy.h"
#include "SessionRecorder.h"

namespace {

const QString kStatus = QStringLiteral("document.getElementById('status').textContent");
const QString kBoard = QStringLiteral("document.getElementById('karts').innerText");

QString Cell(int row, const char* cls) {
    return QStringLiteral(
               "document.querySelectorAll('#karts tr')[%1].querySelector('td.%2').innerText")
        .arg(row)
        .arg(QLatin1String(cls));
}

TEST_F(BrowserTest, TimesAtAGlanceMarksKartNumbersLapsAndClocks) {
    station_.session_screen = &screen_;
    station_.poll_mode = kPollSession;
    screen_.start_counter = clock_.PerformanceCounter() - 9'000 * FakeClock::kCountsPerCentisecond;
    Kart(1, "Ann", 101);
    Kart(3, "Bob", 103);
    Laps(1, {3337, 3267});  // a new best, and the session's fastest
    Laps(3, {6233, 6303});
    screen_.laps = {12, 0, 2, 0, 0};
    station_.current_lap_time(1) = 500;
    station_.current_lap_time(3) = 500;
    RunFrames();
    DevToolsPage page;
    ASSERT_TRUE(page.Open(chromium_, Url("/"), QStringLiteral("412,915")));
    ASSERT_TRUE(page.WaitFor(kBoard, QStringLiteral("1:02.33")))
        << page.Evaluate(kBoard).toStdString();

    EXPECT_EQ(page.Evaluate(Cell(0, "kart")), "1");
    EXPECT_EQ(page.Evaluate(Cell(0, "laps")), "12");
    EXPECT_EQ(page.Evaluate(Cell(0, "last")), "32.67Fastest\n-0.70");
    EXPECT_EQ(page.Evaluate(QStringLiteral("document.querySelector('#karts td.last').className")),
              "last fastest");
    EXPECT_EQ(page.Evaluate(Cell(0, "best")), "32.67");
    EXPECT_EQ(page.Evaluate(Cell(1, "kart")), "3");
    EXPECT_EQ(page.Evaluate(Cell(1, "last")), "1:03.03\n+0.70");
    EXPECT_EQ(page.Evaluate(Cell(1, "best")), "1:02.33\n+29.66");

    // The running time is counted on the page from the lap start it was sent.
    const QString first = page.Evaluate(Cell(0, "running"));
    QTest::qWait(600);
    const QString later = page.Evaluate(Cell(0, "running"));
    EXPECT_NE(first, later);
    EXPECT_GT(later.toDouble(), first.toDouble());
    EXPECT_TRUE(
        page.Evaluate(QStringLiteral("document.getElementById('session-clock').textContent"))
            .startsWith(QStringLiteral("Session time: 00:01:3")));
    EXPECT_TRUE(page.Evaluate(QStringLiteral("document.getElementById('time-of-day').textContent"))
                    .startsWith(QStringLiteral("Actual time: 14:05:0")));
}

TEST_F(BrowserTest, FollowedKartAndLightThemeAreKeptAcrossReloads) {
    FillFiveKarts();
    DevToolsPage page;
    ASSERT_TRUE(page.Open(chromium_, Url("/"), QStringLiteral("412,915")));
    ASSERT_TRUE(page.WaitFor(kBoard, QStringLiteral("Ewa")));
    const QString followed = QStringLiteral(
        "Array.prototype.map.call(document.querySelectorAll('#karts tr.followed'),"
        " function (r) { return r.dataset.slot; }).join(',')");
    const QString light =
        QStringLiteral("String(document.documentElement.classList.contains('light'))");
    page.Evaluate(
        QStringLiteral("document.querySelector('#karts tr[data-slot=\"3\"] td.driver').click();"
                       "document.getElementById('theme').click()"));
    EXPECT_EQ(page.Evaluate(followed), "3");
    EXPECT_EQ(page.Evaluate(light), "true");

    page.Call(QStringLiteral("Page.reload"), {});
    ASSERT_TRUE(page.WaitFor(kBoard, QStringLiteral("Ewa")));
    EXPECT_EQ(page.Evaluate(followed), "3");
    EXPECT_EQ(page.Evaluate(light), "true");
    EXPECT_EQ(page.Evaluate(QStringLiteral("document.getElementById('theme').textContent")),
              "Dark");
    // Another tap lets the kart go.
    page.Evaluate(QStringLiteral("document.querySelector('#karts tr[data-slot=\"3\"]').click()"));
    page.Call(QStringLiteral("Page.reload"), {});
    ASSERT_TRUE(page.WaitFor(kBoard, QStringLiteral("Ewa")));
    EXPECT_EQ(page.Evaluate(followed), "");
}

TEST_F(BrowserTest, PageSaysItsTimesAreOldWhenTheFeedGoesSilentAndDoesNotFlicker) {
    FillFiveKarts();
    // Between the phone and the station: a link that can go dead without a close.
    PausableProxy link;
    ASSERT_TRUE(link.Listen(server_->port()));
    DevToolsPage page;
    ASSERT_TRUE(page.Open(chromium_, QStringLiteral("http://127.0.0.1:%1/").arg(link.port()),
                          QStringLiteral("412,915")));
    ASSERT_TRUE(page.WaitFor(kStatus, QStringLiteral("Live")));
    QTest::qWait(1500);  // heartbeats come and go
    EXPECT_EQ(page.Evaluate(kStatus), "Live");

    link.Pause();
    QElapsedTimer silent;
    silent.start();
    ASSERT_TRUE(page.WaitFor(kStatus, QStringLiteral("No updates since 14:0"), 10'000))
        << page.Evaluate(kStatus).toStdString();
    std::printf("the page went stale %lld ms after the feed went silent (read every few ms)\n",
                silent.elapsed());
    EXPECT_EQ(page.Evaluate(QStringLiteral("String(document.body.classList.contains('stale'))")),
              "true");
    EXPECT_EQ(
        page.Evaluate(QStringLiteral("getComputedStyle(document.getElementById('karts')).opacity")),
        "0.4");
    // Seven more seconds without a word, reconnecting meanwhile: the status stands.
    const QString said = page.Evaluate(kStatus);
    QStringList other;
    for (int i = 0; i < 28; ++i) {
        QTest::qWait(250);
        if (const QString now = page.Evaluate(kStatus); now != said) {
            other << now;
        }
    }
    EXPECT_TRUE(other.isEmpty()) << other.join(" / ").toStdString();

    link.Resume();
    EXPECT_TRUE(page.WaitFor(kStatus, QStringLiteral("Live"), 15'000));
    EXPECT_EQ(page.Evaluate(QStringLiteral("String(document.body.classList.contains('stale'))")),
              "false");
}

TEST_F(BrowserTest, TvBoardShowsFiveKartsWithoutScrollingAtAnySize) {
    clock_.SetLocalDateTime(QDateTime(QDate(2012, 5, 31), QTime(14, 5)));
    FillFiveKarts();
    QString error;
    ASSERT_TRUE(WriteSessionFile(station_, &error)) << error.toStdString();  // a session of today
    const QString fits = QStringLiteral(
        "String(document.documentElement.scrollHeight <= window.innerHeight && "
        "document.documentElement.scrollWidth <= window.innerWidth)");
    // The narrowest name column, in pixels: a phone must not get one letter a line.
    const QString narrowest = QStringLiteral(
        "String(Math.min.apply(null, Array.prototype.map.call(document.querySelectorAll("
        "'#karts td.driver'), function (td) { return td.getBoundingClientRect().width; })))");
    for (const char* size : {"1920,1080", "1280,720", "412,915"}) {
        DevToolsPage page;
        ASSERT_TRUE(page.Open(chromium_, Url("/tv"), QString::fromLatin1(size)));
        ASSERT_TRUE(page.WaitFor(kBoard, QStringLiteral("Ewa")));
        ASSERT_TRUE(page.WaitFor(QStringLiteral("document.getElementById('best-rows').innerText"),
                                 QStringLiteral("Bartek")))
            << size;
        EXPECT_EQ(
            page.Evaluate(QStringLiteral("String(document.querySelectorAll('#karts tr').length)")),
            "5");
        EXPECT_EQ(page.Evaluate(fits), "true") << size;
        EXPECT_GE(page.Evaluate(narrowest).toDouble(), 60) << size;
        EXPECT_EQ(
            page.Evaluate(QStringLiteral("String(document.getElementById('best-of-day').hidden)")),
            "false");
    }
}

TEST_F(BrowserTest, RecordsAndTheLapsThatSetThemOnTvAndToday) {
    FillFiveKarts();
    Laps(2, {6050});  // Bartek: the session's fastest, under Dora's 61.50 of this morning
    RunFrames();
    DevToolsPage tv;
    ASSERT_TRUE(tv.Open(chromium_, Url("/tv"), QStringLiteral("1280,720")));
    ASSERT_TRUE(tv.WaitFor(kBoard, QStringLiteral("Bartek")));
    // The records come after start-up, the karts unchanged: the open page gets them.
    server_->SetRecords(BoardOfToday());
    const QString records = QStringLiteral("document.getElementById('record-rows').innerText");
    ASSERT_TRUE(tv.WaitFor(records, QStringLiteral("Edek")));
    EXPECT_EQ(tv.Evaluate(records).simplified(),
              QStringLiteral(
                  "Best of the day \u00b7 %1 Bartek 1:00.50 Best of the month \u00b7 %2 Edek 59.90")
                  .arg(clock_.LocalDateTime().date().toString(Qt::ISODate),
                       clock_.LocalDateTime().addDays(-3).date().toString(Qt::ISODate)));
    EXPECT_EQ(tv.Evaluate(Cell(0, "last")).simplified(), "1:00.50 Day record -0.70");
    // Celina's 64.22 beats her 64.40 of an earlier day.
    EXPECT_TRUE(tv.Evaluate(kBoard).contains(QStringLiteral("Personal best")));
    EXPECT_EQ(tv.Evaluate(QStringLiteral("String(document.getElementById('best-of-day').hidden)")),
              "false");

    DevToolsPage today;
    ASSERT_TRUE(today.Open(chromium_, Url("/today"), QStringLiteral("412,915")));
    ASSERT_TRUE(today.WaitFor(records, QStringLiteral("Bartek")));
    EXPECT_EQ(today.Evaluate(QStringLiteral("String(document.getElementById('records').hidden)")),
              "false");
}

}  // namespace
