#include <gtest/gtest.h>

#include <QSet>

#include "LapChartPainter.h"

namespace {

TEST(LapChart, LapNumbersAreLabelledAtRoundNumbers) {
    EXPECT_EQ(LapTicks(12, 10), (std::vector<double>{2, 4, 6, 8, 10, 12}));
    EXPECT_EQ(LapTicks(23, 10), (std::vector<double>{1, 5, 10, 15, 20}));
    EXPECT_EQ(LapTicks(300, 10), (std::vector<double>{1, 50, 100, 150, 200, 250, 300}));
    EXPECT_EQ(LapTicks(3, 10), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(LapTicks(1, 10), (std::vector<double>{1}));
}

// However small the spread, no two time labels read the same.
TEST(LapChart, TimeLabelsAreDistinctForAnySpread) {
    struct Case {
        double low, high;
        int decimals;
    };
    for (const Case& c :
         {Case{3125, 3145, 2}, Case{3122, 3150, 1}, Case{3050, 3300, 1}, Case{3000, 4200, 0}}) {
        const TimeTicks ticks = TimeTicksFor(c.low, c.high, 5);
        EXPECT_EQ(ticks.decimals, c.decimals) << c.low << ".." << c.high;
        EXPECT_GE(ticks.values.size(), 3u);
        QSet<QString> labels;
        for (const double t : ticks.values) {
            EXPECT_GE(t, c.low - 1e-9);
            EXPECT_LE(t, c.high + 1e-9);
            labels.insert(QString::number(t / 100.0, 'f', ticks.decimals));
        }
        EXPECT_EQ(labels.size(), qsizetype(ticks.values.size()));
    }
}

}  // namespace
