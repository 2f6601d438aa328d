#include "activity/core/ActivityCsv.h"
#include "activity/core/ActivitySeries.h"
#include "activity/core/ActivityTally.h"
#include "activity/core/LogTime.h"
#include "logs/core/LogRows.h"

#include <QDateTime>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace quendal {
namespace {

constexpr qint64 kMinute = 60000;

qint64 localTime(int year, int month, int day, int h, int m, int s)
{
    return QDateTime(QDate(year, month, day), QTime(h, m, s)).toMSecsSinceEpoch();
}

LogEntryView entry(const char* message, Severity severity = Severity::Unknown,
                   const char* time = "Mar 14 09:26:53")
{
    return {QByteArrayView(time), "gw", QByteArrayView(message), severity};
}

TEST(MinuteActivity, CountsRunOnAcrossMidnightMinuteByMinute)
{
    MinuteActivity a;
    const qint64 beforeMidnight = localTime(2026, 3, 14, 23, 59, 30);
    const qint64 afterMidnight = localTime(2026, 3, 15, 0, 0, 10);
    a.add(minuteOf(beforeMidnight), LogCategory::FireWall, 3, 1);
    a.add(minuteOf(afterMidnight), LogCategory::VPN, 2, 0);
    a.add(minuteOf(afterMidnight), LogCategory::FireWall, 1, 0);

    const auto minutes = a.range(minuteOf(beforeMidnight) - 5, minuteOf(afterMidnight) + 5);
    ASSERT_EQ(minutes.size(), 2u);
    EXPECT_EQ(minutes[0].minute, minuteOf(beforeMidnight));
    EXPECT_EQ(minutes[1].minute, minuteOf(beforeMidnight) + 1);
    EXPECT_EQ(minutes[0].entries[0], 3u);
    EXPECT_EQ(minutes[0].totalEmergencies(), 1u);
    EXPECT_EQ(minutes[1].total(), 3u);
    EXPECT_EQ(a.latestMinute(), minuteOf(afterMidnight));
}

// The entries held for a minute; 0 when none are.
quint64 entriesIn(const MinuteActivity& a, qint64 minute)
{
    const MinuteCounts* m = a.at(minute);
    return m ? m->total() : 0;
}

TEST(MinuteActivity, AClockStepPutsCountsInTheMinutesTheClockSays)
{
    MinuteActivity a;
    const qint64 m = minuteOf(localTime(2026, 3, 14, 12, 0, 0));
    a.add(m, LogCategory::Call, 5, 0);
    a.add(m + 90, LogCategory::Call, 7, 0); // the clock jumps forward by an hour and a half
    a.add(m + 1, LogCategory::Call, 2, 0);  // and back again
    a.add(m + 1, LogCategory::Call, 1, 0);
    EXPECT_EQ(entriesIn(a, m), 5u);
    EXPECT_EQ(entriesIn(a, m + 1), 3u);
    EXPECT_EQ(entriesIn(a, m + 90), 7u);
    EXPECT_EQ(a.range(m, m + 100).size(), 3u);
    EXPECT_EQ(a.latestMinute(), m + 90);
    // A day later the same minute of the day starts afresh.
    a.add(m + MinuteActivity::kMinutes, LogCategory::Call, 4, 0);
    EXPECT_EQ(a.at(m), nullptr);
    EXPECT_EQ(entriesIn(a, m + MinuteActivity::kMinutes), 4u);
}

TEST(MinuteActivity, AWeekOfArrivalsKeepsTheLastDayOnly)
{
    MinuteActivity a;
    const qint64 first = minuteOf(localTime(2026, 3, 1, 0, 0, 0));
    const qint64 week = 7 * MinuteActivity::kMinutes;
    for (qint64 m = first; m < first + week; ++m)
        a.add(m, LogCategory(m % kCategoryCount), 1, m % 97 == 0 ? 1 : 0);
    const auto all = a.all();
    ASSERT_EQ(all.size(), size_t(MinuteActivity::kMinutes));
    EXPECT_EQ(all.front().minute, first + week - MinuteActivity::kMinutes);
    EXPECT_EQ(all.back().minute, first + week - 1);
    EXPECT_EQ(a.range(first, first + week - MinuteActivity::kMinutes - 1).size(), 0u);
}

TEST(ActivityTally, CountsPerMinuteAndMergesLaterTalliesInOrder)
{
    ActivityTally t;
    const qint64 at = localTime(2026, 3, 14, 9, 26, 59);
    t.countEntry(at, LogCategory::FireWall, entry("a"));
    t.countEntry(at, LogCategory::FireWall, entry("boom", Severity::Emergency));
    t.countEntry(at + 1000, LogCategory::Wan, entry("b")); // the next minute
    ASSERT_EQ(t.minutes.size(), 2u);
    EXPECT_EQ(t.minutes[0].entries[0], 2u);
    EXPECT_EQ(t.minutes[0].emergencies[0], 1u);
    ASSERT_EQ(t.emergencies.size(), 1u);
    EXPECT_EQ(t.emergencies[0].entry.message, "boom");
    EXPECT_EQ(t.emergencies[0].minute, minuteOf(at));

    ActivityTally later;
    later.countEntry(at + 2000, LogCategory::Wan, entry("c"));
    later.addReport(QStringLiteral("10.0.0.1"), readLinkReport("BBandTxRate=5 ", at + 2000));
    t.append(std::move(later));
    EXPECT_TRUE(later.isEmpty());
    ASSERT_EQ(t.minutes.size(), 2u); // the same minute goes on
    EXPECT_EQ(t.minutes[1].entries[4], 2u);
    ASSERT_EQ(t.reports.size(), 1u);
}

TEST(ActivityTally, FloodsOfReportsAndEmergenciesStayBounded)
{
    ActivityTally t;
    const qint64 at = localTime(2026, 3, 14, 9, 0, 0);
    for (int i = 0; i < 100000; ++i) {
        t.addReport(QStringLiteral("10.0.0.%1").arg(i % 3),
                    readLinkReport("BBandTxRate=5 ", at + i));
        t.countEntry(at + i, LogCategory::FireWall, entry("boom", Severity::Emergency));
    }
    EXPECT_EQ(t.reports.size(), 3u * 100); // one per sender and second
    EXPECT_EQ(t.emergencies.size(), ActivityTally::kMaxEmergencySamples);
    EXPECT_EQ(t.minutes.size(), 2u);
    EXPECT_EQ(t.minutes[0].totalEmergencies() + t.minutes[1].totalEmergencies(), 100000u);

    ActivityTally senders;
    for (int i = 0; i < 5000; ++i)
        senders.addReport(QStringLiteral("10.0.%1.%2").arg(i / 250).arg(i % 250), {});
    EXPECT_EQ(senders.reports.size(), ActivityTally::kMaxReports);
}

TEST(ActivitySeries, KeepsASeriesPerRouterAndKnowsTheLastToReport)
{
    ActivitySeries series;
    ActivityTally t;
    const qint64 at = localTime(2026, 3, 14, 9, 0, 0);
    t.addReport(QStringLiteral("10.0.0.1"), readLinkReport("BBandTxRate=5 ", at));
    t.addReport(QStringLiteral("10.0.0.2"), readLinkReport("BBandTxRate=7 ", at + 10));
    t.countEntry(at, LogCategory::VPN, entry("boom", Severity::Emergency));
    series.apply(t);
    EXPECT_TRUE(t.isEmpty());
    EXPECT_EQ(series.lastReporter(), QStringLiteral("10.0.0.2"));
    ASSERT_NE(series.link(QStringLiteral("10.0.0.1")), nullptr);
    EXPECT_EQ(series.link(QStringLiteral("10.0.0.1"))->latest()->txRate, 5);
    EXPECT_EQ(series.link(QStringLiteral("10.0.0.9")), nullptr);
    ASSERT_EQ(series.emergenciesIn(minuteOf(at)).size(), 1u);
    EXPECT_EQ(series.emergenciesIn(minuteOf(at))[0]->category, LogCategory::VPN);

    // Many routers: the one silent longest gives way.
    for (int i = 0; i < 40; ++i) {
        ActivityTally more;
        more.addReport(QStringLiteral("192.0.2.%1").arg(i),
                       readLinkReport("BBandTxRate=1 ", at + 1000 + i));
        series.apply(more);
    }
    EXPECT_EQ(series.reporters().size(), qsizetype(ActivitySeries::kMaxRouters));
    EXPECT_EQ(series.link(QStringLiteral("10.0.0.1")), nullptr);
    EXPECT_NE(series.link(QStringLiteral("192.0.2.39")), nullptr);
}

TEST(LogTime, ReadsClassicAndRfc3339Times)
{
    const qint64 now = localTime(2026, 3, 20, 12, 0, 0);
    EXPECT_EQ(readLogTime("Mar 14 09:26:55", now), localTime(2026, 3, 14, 9, 26, 55));
    EXPECT_EQ(readLogTime("Mar  4 09:26:55", now), localTime(2026, 3, 4, 9, 26, 55));
    // A time after tomorrow is last year's.
    EXPECT_EQ(readLogTime("Dec 31 23:59:59", now), localTime(2025, 12, 31, 23, 59, 59));
    EXPECT_EQ(readLogTime("Mar 21 08:00:00", now), localTime(2026, 3, 21, 8, 0, 0));
    EXPECT_EQ(
        readLogTime("2026-03-14T09:26:55.120+01:00", now),
        QDateTime(QDate(2026, 3, 14), QTime(8, 26, 55, 120), QTimeZone::utc()).toMSecsSinceEpoch());
    EXPECT_EQ(
        readLogTime("2026-03-14T09:26:55Z", now),
        QDateTime(QDate(2026, 3, 14), QTime(9, 26, 55), QTimeZone::utc()).toMSecsSinceEpoch());
    for (const char* bad :
         {"", "Mar 14 09:26", "Foo 14 09:26:55", "Mar 34 09:26:55", "Mar 14 25:26:55",
          "Mar 14 09:26:5x", "2026-13-14T09:26:55Z", "yesterday at noon"})
        EXPECT_FALSE(readLogTime(bad, now)) << bad;
}

TEST(ActivitySeries, AFileReadBackFillsItsMinutesFromTheTimeColumn)
{
    ActivitySeries series;
    const qint64 now = localTime(2026, 3, 20, 12, 0, 0);
    LogRows rows; // newest on top, as read back
    rows.prepend(
        entry("old", Severity::Unknown, "Mar 12 09:26:10")); // more than a day before the newest
    rows.prepend(entry("a", Severity::Unknown, "Mar 14 09:26:10"));
    rows.prepend(entry("b", Severity::Emergency, "Mar 14 09:26:50"));
    rows.prepend(entry("c", Severity::Unknown, "garbage"));
    rows.prepend(entry("d", Severity::Unknown, "2026-03-14T09:27:00+01:00"));
    EXPECT_EQ(series.addFile(LogCategory::FireWall, rows, now), 4);
    EXPECT_EQ(series.fileMinutes().all().size(), 2u);
    const qint64 rfc3339Minute = minuteOf(
        QDateTime(QDate(2026, 3, 14), QTime(8, 27, 0), QTimeZone::utc()).toMSecsSinceEpoch());
    ASSERT_NE(series.fileMinutes().at(rfc3339Minute), nullptr);
    EXPECT_EQ(series.fileMinutes().at(rfc3339Minute)->entries[0], 1u);
    const MinuteCounts* classic =
        series.fileMinutes().at(minuteOf(localTime(2026, 3, 14, 9, 26, 0)));
    ASSERT_NE(classic, nullptr);
    EXPECT_EQ(classic->entries[0], 2u);
    EXPECT_EQ(classic->emergencies[0], 1u);
    EXPECT_TRUE(series.minutes().isEmpty()); // arrivals are apart

    // The same category read again replaces its counts; another one adds to them.
    LogRows again;
    again.prepend(entry("e", Severity::Unknown, "Mar 14 09:26:30"));
    series.addFile(LogCategory::FireWall, again, now);
    series.addFile(LogCategory::Call, again, now);
    const MinuteCounts* m = series.fileMinutes().at(minuteOf(localTime(2026, 3, 14, 9, 26, 0)));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->entries[0], 1u);
    EXPECT_EQ(m->entries[3], 1u);
}

TEST(MinuteCsv, OneLinePerMinuteInCategoryOrder)
{
    MinuteCounts m;
    m.minute = 1'780'000'000'000 / kMinute;
    m.entries = {1, 2, 3, 4, 5};
    m.emergencies = {0, 1, 0, 0, 1};
    EXPECT_EQ(minuteCsv({m}), "minute,FireWall,VPN,UserAccess,Call,Wan,emergencies\r\n"
                              "2026-05-28T20:26:00.000Z,1,2,3,4,5,2\r\n");
}

} // namespace
} // namespace quendal
