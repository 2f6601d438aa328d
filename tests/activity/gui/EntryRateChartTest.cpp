#include "activity/gui/EntryRateChart.h"

#include <QAreaSeries>
#include <QLineSeries>
#include <QScatterSeries>

#include <gtest/gtest.h>

namespace quendal {
namespace {

constexpr qint64 kMinuteMs = 60000;

TEST(EntryRateChart, ADayIsDrawnInStepsAtTheirMeanPerMinuteAndEmergenciesStayReachable)
{
    const qint64 last = 29'666'667; // the day's first minute and the one after the last start steps
    std::vector<MinuteCounts> day;
    for (qint64 m = last - 24 * 60 + 1; m <= last; ++m) {
        MinuteCounts c;
        c.minute = m;
        c.entries[0] = 8;
        if (m == last - 100) {
            c.entries[4] = 4;
            c.emergencies[4] = 1;
        }
        day.push_back(c);
    }
    EntryRateChart chart;
    chart.show(day, (last - 24 * 60 + 1) * kMinuteMs, (last + 1) * kMinuteMs);
    EXPECT_EQ(chart.step(), 4);
    // A few hundred steps, each at 8 entries per minute; the WAN step with the emergency a
    // minute's worth higher on average.
    const QList<QPointF> firewall =
        chart.categorySeries(LogCategory::FireWall)->upperSeries()->points();
    EXPECT_LE(firewall.size(), 2 * 370 + 4);
    for (const QPointF& p : firewall)
        EXPECT_TRUE(p.y() == 0 || p.y() == 8) << p.y();
    qreal wanTop = 0;
    for (const QPointF& p : chart.categorySeries(LogCategory::Wan)->upperSeries()->points())
        wanTop = std::max(wanTop, p.y());
    EXPECT_EQ(wanTop, 9);
    ASSERT_EQ(chart.emergencySeries()->count(), 1);
    // Anywhere in that step leads to the minute of the emergency; the tooltip tells exact minutes.
    const QPointF mark = chart.emergencySeries()->at(0);
    const MinuteCounts* near = chart.emergencyNear(mark);
    ASSERT_NE(near, nullptr);
    EXPECT_EQ(near->minute, last - 100);
    EXPECT_EQ(chart.emergencyNear(QPointF(double((last - 200) * kMinuteMs), 0)), nullptr);
    EXPECT_TRUE(chart.tooltipAt(QPointF(double((last - 100) * kMinuteMs + 5), 0))
                    .contains(QStringLiteral("WAN Log: 4")));

    // Fifteen minutes: one step per minute.
    chart.show(day, (last - 14) * kMinuteMs, (last + 1) * kMinuteMs);
    EXPECT_EQ(chart.step(), 1);
}

} // namespace
} // namespace quendal
