#include <gtest/gtest.h>
#include <signal.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <map>
#include <vector>

#include "FakeClock.h"
#include "IniFile.h"
#include "LapJournal.h"
#include "LapLogFormat.h"
#include "TForm1.h"
#include "TempFolder.h"

namespace {

// The serial numbers of the demo karts in slots 1..4 of the demo's own settings.
constexpr quint32 kSerials[] = {662273, 662274, 662275, 662276};
constexpr int kLapsPerKart = 30;

// Four karts lapping every few tens of milliseconds: times from a small set, so
// ties (also at the tenth place) happen; a sector change before every lap.
QByteArray RaceScript() {
    QByteArray script = "receiver\n";
    quint32 seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % 9;
    };
    for (int k = 0; k < 4; ++k) {
        script += QStringLiteral("frame sn=%1 counter=1 cur_lap=1\n").arg(kSerials[k]).toUtf8();
    }
    for (int lap = 1; lap <= kLapsPerKart; ++lap) {
        for (int k = 0; k < 4; ++k) {
            const quint32 time = 3000 + 100 * quint32(k) + 7 * next();
            script += "delay 60\n";
            script += QStringLiteral(
                          "frame sn=%1 counter=%2 cur_lap=%3 sector=2 sector_lap=%3 "
                          "sector_time=%4\n")
                          .arg(kSerials[k])
                          .arg(2 * lap % 256)
                          .arg(lap)
                          .arg(time / 2)
                          .toUtf8();
            script += QStringLiteral(
                          "frame sn=%1 counter=%2 lap=%3 cur_lap=%4 lap_time=%5 "
                          "lap_max=%6 lap_min=%7 sector=3 sector_lap=%3 "
                          "sector_time=%8\n")
                          .arg(kSerials[k])
                          .arg((2 * lap + 1) % 256)
                          .arg(lap)
                          .arg(lap + 1)
                          .arg(time)
                          .arg(12000 + lap)
                          .arg(6000 + k)
                          .arg(time - time / 2)
                          .toUtf8();
        }
    }
    script += "delay 600000\n";  // the session runs on with nothing more to hear
    return script;
}

QString RunningJournal(const QString& home) {
    QDirIterator it(home + "Sessions", {QStringLiteral("*.running.csv")}, QDir::Files,
                    QDirIterator::Subdirectories);
    return it.hasNext() ? it.next() : QString();
}

// The ten fastest laps of a slot by the lap table's rules, worked out from the
// journal alone: fastest first, of equal times the earlier, a lap equal to the
// tenth not taken.
std::vector<std::pair<qint32, qint32>> TenFastest(const SessionLapLog& log, int slot) {
    std::vector<std::pair<qint32, qint32>> laps;  // (time, number)
    for (const LapRecord& lap : log.laps) {
        if (lap.slot == slot) {
            laps.emplace_back(lap.lap_time, lap.lap_number);
        }
    }
    std::stable_sort(laps.begin(), laps.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    laps.resize(std::min<size_t>(laps.size(), size_t(kLapEntries)));
    return laps;
}

TEST(DemoCrash, AKilledDemoRecoversAtItsNextStartToTheTenFastestLapsOfItsJournal) {
    TempFolder home;
    home.Write("race.sim", RaceScript());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("RUVOTIMER_HOME", home.path());
    env.insert("RUVOTIMER_SIM_SCRIPT", home.file("race.sim"));
    env.insert("RUVOTIMER_DEMO_START_SESSION", "1");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess demo;
    demo.setProcessEnvironment(env);
    demo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    demo.start(QStringLiteral(RUVO_DEMO_EXE), {});
    ASSERT_TRUE(demo.waitForStarted(10000));

    // Killed in the middle: more than ten laps of every kart logged, more still coming.
    QString journal;
    QElapsedTimer waited;
    waited.start();
    int logged = 0;
    while (waited.elapsed() < 30000 && demo.state() == QProcess::Running) {
        QTest::qWait(20);
        journal = RunningJournal(home.path());
        logged = journal.isEmpty() ? 0 : int(ReadLapLog(journal).laps.size());
        if (logged >= 48) {
            break;
        }
    }
    ASSERT_GE(logged, 48) << "laps logged before the time ran out";
    // The running program holds its journal: nobody else may take it.
    EXPECT_TRUE(FindUnfinishedJournals(home.path()).isEmpty());
    ::kill(pid_t(demo.processId()), SIGKILL);
    ASSERT_TRUE(demo.waitForFinished(10000));
    EXPECT_EQ(demo.exitStatus(), QProcess::CrashExit);

    const SessionLapLog left = ReadLapLog(journal);
    ASSERT_LT(left.laps.size(), size_t(4 * kLapsPerKart)) << "the session had ended";
    ASSERT_EQ(FindUnfinishedJournals(home.path()), QStringList{journal});

    // The next start: the launcher asks, the operator recovers.
    FakeClock clock;
    QStringList texts;
    QTimer answer;
    answer.setInterval(5);
    QObject::connect(&answer, &QTimer::timeout, [&texts] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box->property("answered").toBool()) {
            return;
        }
        box->setProperty("answered", true);
        texts << box->text();
        box->button(texts.size() == 1 ? QMessageBox::Yes : QMessageBox::Ok)->click();
    });
    answer.start();
    TForm1 launcher(clock, home.path());
    answer.stop();
    ASSERT_EQ(texts.size(), 2);
    const QDateTime last_lap = left.laps.back().ended_at;
    const QString session_file =
        home.path() + "Sessions/" + last_lap.toString("yyyy_MM_dd/yyyy_MM_dd_HH_mm") + ".txt";
    EXPECT_TRUE(texts[1].contains(session_file)) << texts[1].toStdString();

    const IniFile file = IniFile::Load(session_file);
    const QString section = QStringLiteral("Ustawienia");
    for (int slot = 1; slot <= 4; ++slot) {
        const auto expected = TenFastest(left, slot);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(file.ReadInteger(section, QStringLiteral("SN_%1").arg(slot), 0),
                  qint32(kSerials[slot - 1]));
        for (int j = 1; j <= kLapEntries; ++j) {
            const bool filled = size_t(j) <= expected.size();
            EXPECT_EQ(
                file.ReadInteger(section, QStringLiteral("LAPSINT_%1_%2").arg(slot).arg(j), -1),
                filled ? expected[size_t(j - 1)].first : 0)
                << "slot " << slot << " entry " << j;
            EXPECT_EQ(file.ReadInteger(section, QStringLiteral("LAPNR_%1_%2").arg(slot).arg(j), -1),
                      filled ? expected[size_t(j - 1)].second : 0)
                << "slot " << slot << " entry " << j;
        }
    }
    EXPECT_EQ(ReadLapLog(LapLogPathFor(session_file)).laps.size(), left.laps.size());
    EXPECT_TRUE(FindUnfinishedJournals(home.path()).isEmpty());
}

}  // namespace
