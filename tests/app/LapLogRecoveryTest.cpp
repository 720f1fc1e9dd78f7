#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <random>
#include <vector>

#include "DiskFull.h"
#include "FakeClock.h"
#include "LapJournal.h"
#include "LapLogFormat.h"
#include "LapLogRecovery.h"
#include "LapTable.h"
#include "SessionFile.h"
#include "TForm1.h"
#include "TempFolder.h"

namespace {

// Answers the modal windows that open while it lives, in order.
class RecoveryScript {
  public:
    explicit RecoveryScript(std::vector<std::function<void(QMessageBox*)>> answers)
        : answers_(std::move(answers)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            // A new box may take the address of the one answered before: marked instead.
            if (!box || !box->isVisible() || box->property("answered").toBool() ||
                next_ >= answers_.size()) {
                return;
            }
            box->setProperty("answered", true);
            texts_ << box->text();
            answers_[next_++](box);
        });
        timer_.start();
    }
    const QStringList& texts() const { return texts_; }

  private:
    std::vector<std::function<void(QMessageBox*)>> answers_;
    size_t next_ = 0;
    QStringList texts_;
    QTimer timer_;
};

std::function<void(QMessageBox*)> Press(QMessageBox::StandardButton which) {
    return [which](QMessageBox* box) {
        if (const char* folder = std::getenv("RUVO_SCREENSHOTS");
            folder && which == QMessageBox::Yes) {
            box->grab().save(QString::fromLocal8Bit(folder) + "/lap-log-recovery.png");
        }
        box->button(which)->click();
    };
}

// A session as the launcher runs it: slots reset at "Session start", each lap
// entered by the lap table and logged. Kart 5 carries a best lap of an earlier
// session of the same run and completes no lap.
class RecoveryTest : public ::testing::Test {
  protected:
    RecoveryTest() : live_(clock_, folder_.path()) {
        clock_.SetLocalDateTime(QDateTime(QDate(2012, 5, 31), QTime(14, 0, 0)));
        for (int n = 1; n <= kSlotCount; ++n) {
            KartSlot& slot = live_.slot(n);
            slot.driver_name = QStringLiteral("Kierowca, \"%1\" Żółć").arg(n);
            slot.serial_number = 662272 + n;
            slot.radio = n <= 3;
        }
        live_.slot(5).best_lap_time = 4444;
    }

    // Runs laps through the live lap table and the journal; returns the journal.
    QString RunSession(int laps_per_kart, unsigned seed) {
        QString error;
        std::unique_ptr<LapJournal> journal = LapJournal::Start(live_, &error);
        EXPECT_TRUE(journal) << error.toStdString();
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> spread(0, 40);
        for (int lap = 1; lap <= laps_per_kart; ++lap) {
            for (int n = 1; n <= 4; ++n) {
                KartSlot& slot = live_.slot(n);
                // Few distinct times, so equal laps and ties at the tenth place occur.
                const qint32 time = 3000 + 10 * n + spread(random) / 4 * 7;
                slot.current_lap_number = lap;
                clock_.AdvanceCentiseconds(time / 4);
                clock_.SetLocalDateTime(clock_.LocalDateTime().addMSecs(time * 10 / 4));
                const BestLapsDrawing drawing = EnterLap(slot, time, 12000 + lap, 6000 - lap);
                journal->RecordLap(live_, n, lap, time, 12000 + lap, 6000 - lap,
                                   drawing.entered_top_ten);
            }
            if (lap == 3) {
                live_.slot(2).driver_name = QStringLiteral("Zmiana");
                journal->RecordKart(live_, 2);
            }
        }
        const QString path = journal->path();
        journal.reset();  // the program dies: the journal stays unfinished
        return path;
    }

    QString LiveSessionFileText() const { return SessionFileText(live_); }
    // The journal of a short session, its file removed.
    QByteArray RunSessionBytes() {
        const QString path = RunSession(2, 5);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        file.close();
        QFile::remove(path);
        return bytes;
    }

    TempFolder folder_;
    FakeClock clock_;
    Station live_;
};

TEST_F(RecoveryTest, ReplayingTheLogGivesTheLapTablesOfTheLiveScreen) {
    for (const int laps : {1, 9, 10, 11, 37}) {
        for (int n = 1; n <= kSlotCount; ++n) {
            for (int j = 1; j <= kLapEntries; ++j) {
                live_.slot(n).lap(j) = LapEntry{};
            }
        }
        const QString journal = RunSession(laps, unsigned(laps));
        const std::array<KartSlot, kSlotCount> replayed = ReplayLapLog(ReadLapLog(journal));
        std::array<const KartSlot*, kSlotCount> pointers{};
        for (size_t i = 0; i < replayed.size(); ++i) {
            pointers[i] = &replayed[i];
        }
        EXPECT_EQ(SessionFileText(pointers), LiveSessionFileText()) << laps << " laps";
        EXPECT_EQ(replayed[4].best_lap_time, 4444);
        if (laps >= 3) {
            EXPECT_EQ(replayed[1].driver_name.str(), "Zmiana");  // changed during the session
        }
        QFile::remove(journal);
    }
}

TEST_F(RecoveryTest, TheNextStartOffersRecoveryAndWritesWhatEndSessionWould) {
    const QString journal = RunSession(14, 7);
    const QDateTime last_lap = clock_.LocalDateTime();
    clock_.SetLocalDateTime(QDateTime(QDate(2012, 5, 31), QTime(16, 0)));

    RecoveryScript script({Press(QMessageBox::Yes), Press(QMessageBox::Ok)});
    TForm1 launcher(clock_, folder_.path());
    ASSERT_EQ(script.texts().size(), 2);
    const QString question = script.texts().at(0);
    EXPECT_TRUE(question.contains("Started: 2012-05-31 14:00:00")) << question.toStdString();
    EXPECT_TRUE(question.contains("Laps in its lap log: 56 (karts 1, 2, 3, 4)"))
        << question.toStdString();
    EXPECT_TRUE(question.contains("2012_05_31_14_00_00.declined.csv")) << question.toStdString();

    const QString session_file = SessionFilePath(folder_.path(), last_lap);
    EXPECT_TRUE(script.texts().at(1).contains(session_file)) << script.texts()[1].toStdString();
    EXPECT_EQ(QString::fromUtf8(folder_.Read(session_file.mid(folder_.path().size()))),
              LiveSessionFileText());
    EXPECT_EQ(ReadLapLog(LapLogPathFor(session_file)).laps.size(), 56u);
    EXPECT_FALSE(QFileInfo::exists(journal));
    EXPECT_EQ(launcher.station().sessions.count, 1);
}

TEST_F(RecoveryTest, DeclinedJournalIsKeptAsideAndNotOfferedAgain) {
    const QString journal = RunSession(3, 1);
    {
        RecoveryScript script({Press(QMessageBox::No)});
        TForm1 launcher(clock_, folder_.path());
        EXPECT_EQ(script.texts().size(), 1);
        EXPECT_EQ(launcher.station().sessions.count, 0);
    }
    EXPECT_FALSE(QFileInfo::exists(journal));
    EXPECT_EQ(ReadLapLog(SetAsidePath(journal, "declined")).laps.size(), 12u);
    RecoveryScript none({Press(QMessageBox::Yes)});
    TForm1 again(clock_, folder_.path());
    EXPECT_TRUE(none.texts().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(folder_.path() + "Sessions/2012_05_31/2012_05_31_14_00.txt"));
}

// A journal with no lap this program can read is never deleted: it is kept under a
// name that says so, and the operator is told once.
TEST_F(RecoveryTest, AnUnreadableJournalIsKeptAsideAndToldOnce) {
    const QString laps = folder_.path() + "Sessions/2012_05_31/laps/";
    QByteArray commas = RunSessionBytes();
    commas.replace(';', ',');
    folder_.Write(laps.mid(folder_.path().size()) + "2012_05_31_10_00_00.running.csv", commas);
    folder_.Write(laps.mid(folder_.path().size()) + "2012_05_31_11_00_00.running.csv",
                  QByteArray(4096, '\0'));
    folder_.Write(laps.mid(folder_.path().size()) + "2012_05_31_12_00_00.running.csv",
                  LapLogHeader());  // ended before its first lap: nothing to keep
    {
        RecoveryScript script({Press(QMessageBox::Ok)});
        TForm1 launcher(clock_, folder_.path());
        ASSERT_EQ(script.texts().size(), 1);
        EXPECT_TRUE(script.texts()[0].contains("2012_05_31_10_00_00.unreadable.csv"));
        EXPECT_TRUE(script.texts()[0].contains("2012_05_31_11_00_00.unreadable.csv"));
    }
    EXPECT_EQ(
        QDir(laps).entryList(QDir::Files),
        (QStringList{"2012_05_31_10_00_00.unreadable.csv", "2012_05_31_11_00_00.unreadable.csv"}));
    EXPECT_EQ(folder_.Read("Sessions/2012_05_31/laps/2012_05_31_10_00_00.unreadable.csv"), commas);
    RecoveryScript none({Press(QMessageBox::Ok)});
    TForm1 again(clock_, folder_.path());
    EXPECT_TRUE(none.texts().isEmpty());
}

// A session that ended in the minute of the last lap keeps its file; the recovered
// one takes the next free minute.
TEST_F(RecoveryTest, AnExistingSessionFileIsNeverReplaced) {
    const QString journal = RunSession(2, 3);
    const QString taken = SessionFilePath(folder_.path(), clock_.LocalDateTime());
    folder_.Write(taken.mid(folder_.path().size()), "[Ustawienia]\r\nNAZWA_1=Other\r\n");
    RecoveredSession recovered;
    QString error;
    ASSERT_TRUE(RecoverSession(folder_.path(), journal, &recovered, &error)) << error.toStdString();
    EXPECT_EQ(recovered.session_file,
              SessionFilePath(folder_.path(), clock_.LocalDateTime().addSecs(60)));
    EXPECT_EQ(folder_.Read(taken.mid(folder_.path().size())),
              QByteArray("[Ustawienia]\r\nNAZWA_1=Other\r\n"));
}

}  // namespace
