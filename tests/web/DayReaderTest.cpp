#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "DayReader.h"
#include "SessionRecorder.h"
#include "WebFixture.h"

namespace {

class DayReaderTest : public ::testing::Test, public StationFixture {
  protected:
    static QDate Day(int n) { return QDate(2012, 5, n); }
    void RecordSessionOn(int day, int hour) {
        clock_.SetLocalDateTime(QDateTime(Day(day), QTime(hour, 0)));
        QString error;
        ASSERT_TRUE(WriteSessionFile(station_, &error)) << error.toStdString();
    }
    QJsonObject Read(const QDate& day) {
        QByteArray answer;
        const auto connection =
            QObject::connect(&reader_, &DayReader::Answered,
                             [&](quint64, const QByteArray& json) { answer = json; });
        reader_.Read(7, day);
        QObject::disconnect(connection);
        return QJsonDocument::fromJson(answer).object();
    }

    DayReader reader_{station_.program_folder()};
};

TEST_F(DayReaderTest, KeepsEightDaysAndLetsOnlyTheOneUsedLongestAgoGo) {
    Kart(1, "Ann", 101);
    Laps(1, {6100});
    for (int day = 1; day <= 9; ++day) {
        RecordSessionOn(day, 10);
    }
    for (int day = 1; day <= 8; ++day) {
        EXPECT_EQ(Read(Day(day))["sessions"].toArray().size(), 1);
    }
    EXPECT_EQ(reader_.reads(), 8);
    EXPECT_EQ(Read(Day(1))["day"].toString(), "2012-05-01");  // kept: now used last
    EXPECT_EQ(reader_.reads(), 8);
    // A ninth day sends away day 2 only, not all eight.
    Read(Day(9));
    EXPECT_EQ(reader_.reads(), 9);
    for (int day : {3, 4, 5, 6, 7, 8, 1, 9}) {
        Read(Day(day));
    }
    EXPECT_EQ(reader_.reads(), 9);
    Read(Day(2));
    EXPECT_EQ(reader_.reads(), 10);

    // A session recorded on a kept day is seen at the next request.
    RecordSessionOn(3, 11);
    EXPECT_EQ(Read(Day(3))["sessions"].toArray().size(), 2);

    // The days with sessions, newest first; a day folder without one is not listed.
    ASSERT_TRUE(QDir().mkpath(station_.program_folder() + "Sessions/2012_06_01/laps"));
    const QJsonArray days = Read(QDate())["days"].toArray();
    ASSERT_EQ(days.size(), 9);
    EXPECT_EQ(days.first().toString(), "2012_05_09");
    EXPECT_EQ(days.last().toString(), "2012_05_01");
}

}  // namespace
