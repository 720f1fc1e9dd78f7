// The lap-to-page delay as a user sees it, measured on the running program:
//   lap_to_page URL DATA_FOLDER SECONDS
// opens URL (a live board of ruvotimer-demo, say) in headless chromium, notes in
// the page when each kart's "Last" time changes (just before the frame that paints
// it), and after SECONDS matches those changes with the laps of the running
// session's lap journal under DATA_FOLDER/Sessions/*/laps/, whose times of day say
// when the station recorded each lap. Prints the delays: page time minus lap time,
// both read from this machine's clock.
#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "DevToolsPage.h"
#include "LapLogFormat.h"

namespace {

// Run in the page: a log of (driver, last lap text, when) for every change of a row's
// "Last" time, taken in the animation frame that shows it.
constexpr char kObserver[] = R"js(
(function () {
  window.lapLog = [];
  var seen = {};
  var karts = document.getElementById('karts');
  new MutationObserver(function () {
    requestAnimationFrame(function () {
      var at = performance.timeOrigin + performance.now();
      Array.prototype.forEach.call(karts.rows, function (row) {
        var driver = row.querySelector('td.driver');
        var last = row.querySelector('td.last');
        if (!driver || !last || !last.firstChild) { return; }
        var name = driver.firstChild ? driver.firstChild.nodeValue : '';
        var text = last.firstChild.nodeValue || '';
        if (text && seen[name] !== text) {
          if (seen[name] !== undefined) { window.lapLog.push([name, text, at]); }
          seen[name] = text;
        }
      });
    });
  }).observe(karts, { childList: true, subtree: true, characterData: true });
  return 'watching';
})()
)js";

// "00:32:67" (the station's form) and "32.67" or "1:02.33" (the web's) in centiseconds.
qint64 Centiseconds(const QString& text) {
    const QStringList parts =
        text.split(QRegularExpression(QStringLiteral("[^0-9]+")), Qt::SkipEmptyParts);
    if (parts.size() < 2) {
        return -1;
    }
    const qint64 minutes = parts.size() > 2 ? parts.at(parts.size() - 3).toLongLong() : 0;
    return (minutes * 60 + parts.at(parts.size() - 2).toLongLong()) * 100 +
           parts.last().toLongLong();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "lap_to_page URL DATA_FOLDER SECONDS\n");
        return 2;
    }
    DevToolsPage page;
    if (!page.Open(QStringLiteral("chromium"), QString::fromLocal8Bit(argv[1]),
                   QStringLiteral("412,915"))) {
        std::fprintf(stderr, "chromium did not open the page\n");
        return 1;
    }
    if (!page.WaitFor(QStringLiteral("String(document.querySelectorAll('#karts tr').length)"),
                      QStringLiteral("4"), 20'000) ||
        page.Evaluate(QString::fromLatin1(kObserver)) != QStringLiteral("watching")) {
        std::fprintf(stderr, "the board did not fill\n");
        return 1;
    }
    QTest::qWait(std::atoi(argv[3]) * 1000);
    const QJsonArray changes =
        QJsonDocument::fromJson(
            page.Evaluate(QStringLiteral("JSON.stringify(window.lapLog)")).toUtf8())
            .array();
    std::vector<LapRecord> laps;
    QDirIterator journals(QString::fromLocal8Bit(argv[2]) + QStringLiteral("/Sessions"),
                          {QStringLiteral("*.running.csv")}, QDir::Files,
                          QDirIterator::Subdirectories);
    while (journals.hasNext()) {
        const SessionLapLog log = ReadLapLog(journals.next());
        laps.insert(laps.end(), log.laps.begin(), log.laps.end());
    }
    std::vector<qint64> delays;
    for (const auto& value : changes) {
        const QJsonArray change = value.toArray();
        const QString driver = change.at(0).toString();
        const qint64 time = Centiseconds(change.at(1).toString());
        const qint64 shown_at = qint64(change.at(2).toDouble());
        // The latest lap of that driver and time recorded before it showed.
        qint64 best = -1;
        for (const LapRecord& lap : laps) {
            const qint64 recorded = lap.ended_at.toMSecsSinceEpoch();
            if (lap.driver_name == driver && lap.lap_time == time && recorded <= shown_at + 5) {
                best = std::max(best, recorded);
            }
        }
        if (best >= 0) {
            delays.push_back(shown_at - best);
        }
    }
    if (delays.empty()) {
        std::printf("no lap matched (%d changes, %d laps)\n", int(changes.size()),
                    int(laps.size()));
        return 1;
    }
    std::sort(delays.begin(), delays.end());
    std::printf("laps=%d median_ms=%lld p90_ms=%lld max_ms=%lld min_ms=%lld\n", int(delays.size()),
                delays.at(delays.size() / 2), delays.at(delays.size() * 9 / 10), delays.back(),
                delays.front());
    return 0;
}
