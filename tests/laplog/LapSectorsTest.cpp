#include <gtest/gtest.h>

#include "LapLogFormat.h"
#include "LapSectors.h"

namespace {

// A log built in the order a session writes it.
class LogBuilder {
  public:
    LogBuilder() { bytes_ = LapLogHeader(); }
    LogBuilder& Sector(int slot, int sector, int lap, qint32 time) {
        bytes_ += LapLogLine(SectorRecord{slot, sector, lap, time, 0, 0, QDateTime(), 0});
        return *this;
    }
    LogBuilder& Lap(int slot, qint32 number, qint32 time) {
        LapRecord lap;
        lap.slot = slot;
        lap.lap_number = number;
        lap.lap_time = time;
        bytes_ += LapLogLine(lap);
        return *this;
    }
    std::vector<SectorTimes> Sectors() const { return SectorsOfLaps(ParseLapLog(bytes_)); }

  private:
    QByteArray bytes_;
};

TEST(LapSectors, EachLapTakesTheSectorsReportedForItsNumber) {
    const std::vector<SectorTimes> sectors =
        LogBuilder()
            .Sector(1, 1, 7, 1010)
            .Sector(2, 1, 3, 2010)  // another kart between them
            .Sector(1, 2, 7, 1120)
            .Sector(1, 3, 7, 980)  // in the frame that completes lap 7
            .Lap(1, 7, 3110)
            .Lap(2, 3, 6000)  // kart 2 reported only its first sector
            .Sector(1, 1, 8, 1005)
            .Sector(1, 2, 8, 1100)
            .Lap(1, 8, 3090)
            .Sector(1, 3, 8, 985)   // heard only after lap 8 was entered: still lap 8's
            .Sector(1, 1, 9, 999)   // lap 9 never completed
            .Lap(5, 1, 4000)        // hand-timed: no sectors
            .Sector(1, 1, 0, 1001)  // lap 256: the frame's byte is 0
            .Sector(1, 2, 0, 1101)
            .Sector(1, 3, 0, 981)
            .Lap(1, 256, 3083)
            .Sectors();
    ASSERT_EQ(sectors.size(), 5u);
    EXPECT_EQ(sectors[0], (SectorTimes{1010, 1120, 980}));
    EXPECT_EQ(sectors[1], (SectorTimes{2010, 0, 0}));
    EXPECT_EQ(sectors[2], (SectorTimes{1005, 1100, 985}));
    EXPECT_EQ(sectors[3], (SectorTimes{0, 0, 0}));
    // Lap 9's lone sector was reported before lap 256 and is not lap 256's.
    EXPECT_EQ(sectors[4], (SectorTimes{1001, 1101, 981}));
    EXPECT_TRUE(HasSectorTimes(sectors));
    EXPECT_FALSE(HasSectorTimes(LogBuilder().Lap(1, 1, 3000).Sectors()));
}

}  // namespace
