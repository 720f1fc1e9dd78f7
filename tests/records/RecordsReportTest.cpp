#include <gtest/gtest.h>

#include "RecordsReport.h"

TEST(RecordsReport, MonthsMarkOnlyTheBestsThatBeatEveryMonthBefore) {
    DriverHistory history;
    history.name = QStringLiteral("<u>Ola</u>");
    history.month_bests = {{QDate(2026, 1, 1), 6300},
                           {QDate(2026, 2, 1), 6300},
                           {QDate(2026, 3, 1), 6400},
                           {QDate(2026, 4, 1), 6299}};
    QStringList marked;
    for (const MonthLine& line : MonthLines(history)) {
        marked << line.month + (line.personal_best ? QStringLiteral(" PB") : QString());
    }
    // Equalling a best is no new one.
    EXPECT_EQ(marked, (QStringList{QStringLiteral("2026-01 PB"), QStringLiteral("2026-02"),
                                   QStringLiteral("2026-03"), QStringLiteral("2026-04 PB")}));
    // Names are printed as typed, never as markup.
    const QString page = DriverHtml(QStringLiteral("Tor & Co"), history);
    EXPECT_TRUE(page.contains(QStringLiteral("&lt;u&gt;Ola&lt;/u&gt;")));
    EXPECT_TRUE(page.contains(QStringLiteral("Tor &amp; Co")));
    RecordRow row{
        1, history.name, QStringLiteral("ola"), 6299, QDateTime(QDate(2026, 4, 2), QTime(10, 5)),
        3};
    EXPECT_EQ(RecordCells(row),
              (QStringList{QStringLiteral("1"), history.name, QStringLiteral("01:02:99"),
                           QStringLiteral("2026-04-02 10:05"), QStringLiteral("3")}));
    EXPECT_FALSE(RecordsHtml(QString(), QStringLiteral("Today"), {row}).contains(history.name));
}
