#include "activity/core/LinkSeries.h"

#include "activity/core/ActivityCsv.h"

#include <gtest/gtest.h>

namespace quendal {
namespace {

constexpr qint64 kStart = 1'780'000'000'000; // some day in 2026
constexpr qint64 kSecond = 1000;

QByteArray statusText(quint64 txPackets, int txRate, quint64 rxPackets, int rxRate,
                      const char* mode = "PPPoE")
{
    return "<174>Jul  9 19:03:22 gateway: Tx=1 Rx=2 GW_IP=198.51.100.1 BBandIp=198.51.100.202 "
           "BBandTxPkt=" +
           QByteArray::number(txPackets) + " BBandTxRate=" + QByteArray::number(txRate) +
           " BBandRxPkt=" + QByteArray::number(rxPackets) +
           " BBandRxRate=" + QByteArray::number(rxRate) + " BBandMode=" + mode + " seq=5";
}

TEST(LinkReport, ReadsRatesCountersAndModeByThePanelsRule)
{
    const LinkReport r = readLinkReport(statusText(1538563, 1311, 7032282, 6451), kStart);
    EXPECT_EQ(r.at, kStart);
    EXPECT_EQ(r.txRate, 1311);
    EXPECT_EQ(r.rxRate, 6451);
    EXPECT_EQ(r.txPackets, 1538563u);
    EXPECT_EQ(r.rxPackets, 7032282u);
    EXPECT_EQ(r.mode, QByteArray("PPPoE"));

    // Missing keys, a value that is no number, and a last value without a blank after it.
    const LinkReport partial =
        readLinkReport("<174>gw: BBandTxRate=fast BBandRxPkt=12 BBandRxRate=40", kStart);
    EXPECT_FALSE(isKnown(partial.txRate));
    EXPECT_FALSE(isKnown(partial.rxRate));
    EXPECT_FALSE(partial.txPackets);
    EXPECT_EQ(partial.rxPackets, 12u);
    EXPECT_FALSE(partial.mode);

    // Each key at its first occurrence, also inside a longer word and after another key's start;
    // a value that is a number only in part is none.
    const LinkReport twice = readLinkReport(
        "xBBandTxRate=1 BBandRxRate=2e3 BBandTxRate=9 BBandBBandMode=A B BBandRxPkt=12x ", kStart);
    EXPECT_EQ(twice.txRate, 1);
    EXPECT_EQ(twice.rxRate, 2000);
    EXPECT_EQ(twice.mode, QByteArray("A"));
    EXPECT_FALSE(twice.rxPackets);
}

TEST(LinkSeries, PointsCarryTheRatesAndPacketRatesFromCounterDifferences)
{
    LinkSeries s;
    s.add(readLinkReport(statusText(1000, 10, 5000, 50), kStart));
    s.add(readLinkReport(statusText(1500, 11, 6000, 51), kStart + 5 * kSecond));
    ASSERT_EQ(s.points().size(), 2u);
    EXPECT_FALSE(isKnown(s.points()[0].txPacketRate)); // nothing to compare with yet
    EXPECT_EQ(s.points()[1].txRate, 11);
    EXPECT_DOUBLE_EQ(s.points()[1].txPacketRate, 100.0);
    EXPECT_DOUBLE_EQ(s.points()[1].rxPacketRate, 200.0);
    EXPECT_TRUE(s.events().empty());

    // A report without rates still is a point, its rates unknown, its counters used.
    s.add(readLinkReport("gw: BBandTxPkt=2500 BBandRxPkt=7000 ", kStart + 10 * kSecond));
    ASSERT_EQ(s.points().size(), 3u);
    EXPECT_FALSE(isKnown(s.points()[2].txRate));
    EXPECT_DOUBLE_EQ(s.points()[2].txPacketRate, 200.0);
}

TEST(LinkSeries, ACounterGoingBackIsAResetNotANegativeRate)
{
    LinkSeries s;
    s.add(readLinkReport(statusText(90000, 10, 90000, 50), kStart));
    s.add(readLinkReport(statusText(120, 10, 95000, 50), kStart + 5 * kSecond)); // router restarted
    s.add(readLinkReport(statusText(620, 10, 96000, 50), kStart + 10 * kSecond));
    ASSERT_EQ(s.points().size(), 3u);
    EXPECT_FALSE(isKnown(s.points()[1].txPacketRate));
    EXPECT_FALSE(isKnown(s.points()[1].rxPacketRate));
    EXPECT_DOUBLE_EQ(s.points()[2].txPacketRate, 100.0); // counted from the reset on
    ASSERT_EQ(s.events().size(), 1u);
    EXPECT_EQ(s.events()[0].kind, LinkEvent::CounterReset);
    EXPECT_EQ(s.events()[0].at, kStart + 5 * kSecond);
}

TEST(LinkSeries, ModeChangesAndGapsAreMarkedWhereTheyHappen)
{
    LinkSeries s;
    qint64 t = kStart;
    for (int i = 0; i < 6; ++i, t += 5 * kSecond)
        s.add(readLinkReport(statusText(100 * i, 10, 100 * i, 10, "DHCP"), t));
    EXPECT_EQ(s.reportInterval(), 5 * kSecond);
    EXPECT_FALSE(s.silentAt(t));
    EXPECT_TRUE(s.silentAt(t - 5 * kSecond + 16 * kSecond)); // more than three intervals
    // Silent for a minute, then back in another mode.
    const qint64 lastBefore = t - 5 * kSecond;
    t = lastBefore + 60 * kSecond;
    s.add(readLinkReport(statusText(700, 10, 700, 10, "PPPoE"), t));
    s.add(readLinkReport(statusText(800, 10, 800, 10, "PPPoE"), t + 5 * kSecond));

    ASSERT_EQ(s.events().size(), 2u);
    EXPECT_EQ(s.events()[0].kind, LinkEvent::ModeChange);
    EXPECT_EQ(s.events()[0].mode, QByteArray("PPPoE"));
    EXPECT_EQ(s.events()[0].at, t);
    EXPECT_EQ(s.events()[1].kind, LinkEvent::Gap);
    EXPECT_EQ(s.events()[1].at, lastBefore);
    EXPECT_EQ(s.events()[1].until, t);
    // A report a bit late is no gap.
    s.add(readLinkReport(statusText(900, 10, 900, 10, "PPPoE"), t + 17 * kSecond));
    EXPECT_EQ(s.events().size(), 2u);
}

TEST(LinkSeries, AWeekOfReportsKeepsOneDayAndAddsInConstantSteps)
{
    LinkSeries s;
    const qint64 week = 7 * 24 * 3600 * kSecond;
    quint64 packets = 0;
    for (qint64 t = kStart; t < kStart + week; t += 5 * kSecond) {
        packets += 1000;
        s.add(readLinkReport(statusText(packets, 10, packets, 20), t));
        // The bound holds at every step, not just at the end.
        ASSERT_LE(s.points().size(), size_t(LinkSeries::kWindowMs / (5 * kSecond)) + 1);
    }
    const qint64 last = s.points().back().at;
    EXPECT_GE(s.points().front().at, last - LinkSeries::kWindowMs);
    EXPECT_EQ(s.points().size(), size_t(LinkSeries::kWindowMs / (5 * kSecond)) + 1);
}

TEST(LinkSeries, ReportsCloserThanASecondShareAPointAndAFloodStaysBounded)
{
    LinkSeries s;
    for (int i = 0; i < 200000; ++i)
        s.add(readLinkReport(statusText(quint64(i), i % 100, quint64(i), 0), kStart + i * 10));
    EXPECT_EQ(s.points().size(), 2000u); // 2000 s of reports, one point per second
    EXPECT_LE(s.points().size(), LinkSeries::kMaxPoints);
    EXPECT_EQ(s.points().back().txRate, 99); // the latest values of each second
}

TEST(LinkSeries, AClockSteppingBackDropsWhatLiesAfterItAndKeepsTheAxisInOrder)
{
    LinkSeries s;
    for (int i = 0; i < 10; ++i)
        s.add(readLinkReport(statusText(100 * quint64(i), i, 0, 0), kStart + i * 5 * kSecond));
    // The clock goes back by 22 s: the points after the new time go.
    s.add(readLinkReport(statusText(1000, 77, 0, 0), kStart + 23 * kSecond));
    EXPECT_EQ(s.droppedByClockStep(), 5u);
    ASSERT_EQ(s.points().size(), 6u);
    for (size_t i = 1; i < s.points().size(); ++i)
        EXPECT_LT(s.points()[i - 1].at, s.points()[i].at);
    EXPECT_EQ(s.points().back().txRate, 77);
}

TEST(LinkSeries, TheViewMergesPointsKeepingThePeaks)
{
    LinkSeries s;
    for (int i = 0; i < 3600; ++i)
        s.add(readLinkReport(statusText(0, i == 1234 ? 9999 : 10, 0, 20), kStart + i * kSecond));
    const auto all = s.view(kStart, kStart + 3600 * kSecond, 5000);
    EXPECT_EQ(all.size(), 3600u);
    const auto few = s.view(kStart, kStart + 3600 * kSecond, 100);
    EXPECT_LE(few.size(), 100u);
    EXPECT_GE(few.size(), 90u);
    double peak = 0;
    for (const LinkPoint& p : few)
        peak = std::max(peak, p.txRate);
    EXPECT_EQ(peak, 9999);
    const auto part = s.view(kStart + 10 * kSecond, kStart + 19 * kSecond, 100);
    ASSERT_EQ(part.size(), 10u);
    EXPECT_EQ(part.front().at, kStart + 10 * kSecond);
    EXPECT_EQ(s.nearest(kStart + 10 * kSecond + 400)->at, kStart + 10 * kSecond);
    EXPECT_EQ(s.nearest(kStart + 10 * kSecond + 600)->at, kStart + 11 * kSecond);
}

TEST(LinkCsv, OneLinePerPointWithItsMarks)
{
    LinkSeries s;
    s.add(readLinkReport(statusText(0, 10, 0, 20, "DHCP"), kStart));
    s.add(readLinkReport(statusText(500, 11, 0, 21, "PPPoE,x"), kStart + 5 * kSecond));
    s.add(readLinkReport("gw: BBandRxRate=7 ", kStart + 10 * kSecond));
    const QList<QByteArray> lines = linkCsv(s).split('\n');
    ASSERT_EQ(lines.size(), 5); // header, three points, the empty piece after the last CR LF
    EXPECT_EQ(lines[0], "time,tx_rate,rx_rate,tx_packets_per_s,rx_packets_per_s,event\r");
    EXPECT_EQ(lines[1], "2026-05-28T20:26:40.000Z,10,20,,,\r");
    EXPECT_EQ(lines[2], "2026-05-28T20:26:45.000Z,11,21,100,0,\"mode PPPoE,x\"\r");
    EXPECT_EQ(lines[3], "2026-05-28T20:26:50.000Z,,7,,,\r");
}

} // namespace
} // namespace quendal
