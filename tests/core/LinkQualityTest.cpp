#include <gtest/gtest.h>

#include "FakeClock.h"
#include "LinkQuality.h"

namespace {

constexpr quint32 kUnit = 0x123456;

struct Link {
    FakeClock clock;
    LinkQuality quality;

    void Hear(std::initializer_list<int> counters, quint32 serial = kUnit) {
        for (const int counter : counters) {
            quality.Heard(serial, quint8(counter), clock.PerformanceCounter());
        }
    }
    UnitLink Unit(quint32 serial = kUnit) const {
        const UnitLink* unit = quality.Find(serial);
        EXPECT_NE(unit, nullptr);
        return unit ? *unit : UnitLink{};
    }
    std::string Text(qint64 serial = kUnit) const {
        return LinkQualityText(quality.Find(serial), clock.PerformanceCounter(),
                               clock.PerformanceFrequency())
            .toStdString();
    }
};

}  // namespace

TEST(LinkQuality, GapsCountAsLostAcrossTheWrapAt256) {
    Link link;
    link.Hear({250, 251, 253, 255, 0, 3});  // lost: 252, 254, 1, 2
    EXPECT_EQ(link.Unit().received, 6);
    EXPECT_EQ(link.Unit().lost, 4);
    EXPECT_EQ(link.Unit().counter, 3);
    EXPECT_EQ(link.Text(), "Radio: 60.0% of packets, last heard 0.0 s ago");

    link.Hear({4, 131});  // the largest step still read as a gap: 126 lost
    EXPECT_EQ(link.Unit().lost, 130);
    EXPECT_EQ(link.Unit().restarts, 0);
}

TEST(LinkQuality, ARestartIsANewPacketAndNeverHundredsLost) {
    Link link;
    link.Hear({100, 101, 102, 0, 1, 2});  // the unit restarted at 0
    UnitLink unit = link.Unit();
    EXPECT_EQ(unit.received, 6);
    EXPECT_EQ(unit.lost, 0);
    EXPECT_EQ(unit.restarts, 1);
    EXPECT_EQ(link.Text(), "Radio: 100.0% of packets, last heard 0.0 s ago");

    link.Hear({1});  // one step back is a restart too, not 255 lost
    EXPECT_EQ(link.Unit().restarts, 2);
    EXPECT_EQ(link.Unit().lost, 0);
    link.Hear({3});  // counting goes on from the new counter: 2 lost
    EXPECT_EQ(link.Unit().lost, 1);
    link.Hear({131});  // 128 ahead reads as a jump back (signed step -128)
    EXPECT_EQ(link.Unit().restarts, 3);
    EXPECT_EQ(link.Unit().lost, 1);
    EXPECT_EQ(link.Unit().received, 9);
}

TEST(LinkQuality, ADuplicateIsNeitherLostNorNewAndDoesNotRefreshLastHeard) {
    Link link;
    link.Hear({7});
    link.clock.AdvanceCentiseconds(30);
    link.Hear({7, 7});
    UnitLink unit = link.Unit();
    EXPECT_EQ(unit.received, 1);
    EXPECT_EQ(unit.lost, 0);
    EXPECT_EQ(unit.duplicates, 2);
    EXPECT_EQ(link.Text(), "Radio: 100.0% of packets, last heard 0.3 s ago");
    link.Hear({8});
    EXPECT_EQ(link.Unit().received, 2);
    EXPECT_EQ(link.Unit().lost, 0);
    EXPECT_EQ(link.Text(), "Radio: 100.0% of packets, last heard 0.0 s ago");
}

TEST(LinkQuality, SilenceShowsAsAGrowingAgeOnTheFakeClock) {
    Link link;
    link.Hear({1, 2});
    link.clock.AdvanceCentiseconds(4);
    EXPECT_EQ(link.Text(), "Radio: 100.0% of packets, last heard 0.0 s ago");
    link.clock.AdvanceCentiseconds(1);  // 0.05 s rounds to 0.1
    EXPECT_EQ(link.Text(), "Radio: 100.0% of packets, last heard 0.1 s ago");
    link.clock.AdvanceCentiseconds(1229);  // 12.34 s
    EXPECT_EQ(link.Text(), "Radio: 100.0% of packets, last heard 12.3 s ago");
    link.clock.AdvanceCentiseconds(360000);  // an hour later
    EXPECT_EQ(link.Text(), "Radio: 100.0% of packets, last heard 3612.3 s ago");
    link.Hear({3});
    EXPECT_EQ(link.Text(), "Radio: 100.0% of packets, last heard 0.0 s ago");
}

TEST(LinkQuality, PercentagesAreRoundedDownToATenth) {
    Link link;
    // 987 packets received, 13 lost: counters step by one, with 13 single gaps.
    int counter = 0;
    link.Hear({counter});
    for (int i = 1; i < 987; ++i) {
        counter += (i % 75 == 0) ? 2 : 1;
        link.Hear({counter % 256});
    }
    EXPECT_EQ(link.Unit().received, 987);
    EXPECT_EQ(link.Unit().lost, 13);
    link.clock.AdvanceCentiseconds(10);
    EXPECT_EQ(link.Text(), "Radio: 98.7% of packets, last heard 0.1 s ago");

    Link thirds;
    thirds.Hear({10, 12});  // 2 of 3: 66.66...%
    EXPECT_EQ(thirds.Text(), "Radio: 66.6% of packets, last heard 0.0 s ago");

    Link almost;  // one lost in 2002: 99.95% must not read 100.0%
    almost.Hear({0});
    for (int i = 1; i <= 2000; ++i) {
        almost.Hear({(i + (i > 1000 ? 1 : 0)) % 256});
    }
    EXPECT_EQ(almost.Unit().lost, 1);
    EXPECT_EQ(almost.Text(), "Radio: 99.9% of packets, last heard 0.0 s ago");
}

TEST(LinkQuality, UnitsAreKeptApartAndUnknownOnesAreNotHeardYet) {
    Link link;
    link.Hear({1, 5}, 0x000001);
    link.Hear({1, 2}, 0xFFFFFF);
    link.Hear({9}, 0x01000002);  // only the low 24 bits name the unit
    EXPECT_EQ(link.Unit(0x000001).lost, 3);
    EXPECT_EQ(link.Unit(0xFFFFFF).lost, 0);
    EXPECT_EQ(link.Unit(0x000002).received, 1);
    EXPECT_EQ(link.Text(0x000003), "Radio: not heard yet");
    EXPECT_EQ(link.Text(0x1000001), "Radio: not heard yet");  // no 24-bit serial
    EXPECT_EQ(link.Text(-1), "Radio: not heard yet");
    EXPECT_EQ(LinkQualityText(nullptr, 0, 0).toStdString(), "Radio: not heard yet");
}

TEST(LinkQuality, TheTableForgetsTheUnitHeardLongestAgoWhenFull) {
    Link link;
    for (quint32 serial = 1; serial <= LinkQuality::kMaxUnits; ++serial) {
        link.Hear({1}, serial);
        link.clock.AdvanceCentiseconds(1);
    }
    link.Hear({2}, 1);  // unit 1 heard again: unit 2 is now the oldest
    link.Hear({1}, 5000);
    EXPECT_EQ(link.quality.size(), LinkQuality::kMaxUnits);
    EXPECT_NE(link.quality.Find(1), nullptr);
    EXPECT_EQ(link.quality.Find(2), nullptr);
    EXPECT_NE(link.quality.Find(3), nullptr);
    EXPECT_NE(link.quality.Find(5000), nullptr);
}
