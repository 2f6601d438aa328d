#include "app/core/ActivityStats.h"

#include "app/core/HeadlessOptions.h"
#include "receiver/core/CSysLogSocket.h"
#include "support/TestSupport.h"

#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <gtest/gtest.h>

namespace quendal {
namespace {

LogEntryView entry(Severity severity = Severity::Unknown)
{
    return {"Mar 14 09:26:53", "gw", "text", severity};
}

TEST(ActivityStats, OneLinePerIntervalWithItsOwnCountsAndTheLatestLink)
{
    ActivityStats stats;
    IntakeCounters counters;
    EXPECT_EQ(stats.takeLine(60, counters),
              "stats 60 s: 0 entries (FireWall 0, VPN 0, UserAccess 0, Call 0, Wan 0), "
              "0 emergencies, 0 dropped by the system; no link report yet");

    ActivityTally tally;
    const qint64 at = 1'780'000'000'000;
    tally.countEntry(at, LogCategory::FireWall, entry());
    tally.countEntry(at, LogCategory::FireWall, entry(Severity::Emergency));
    tally.countEntry(at + 60000, LogCategory::Wan, entry());
    tally.addReport(QStringLiteral("192.0.2.1"),
                    readLinkReport("BBandTxRate=1311 BBandRxRate=6451 BBandMode=PP\x1bPoE ", at));
    stats.add(tally);
    // Only the rates in a later report: the mode stays known.
    ActivityTally later;
    later.addReport(QStringLiteral("192.0.2.1"), readLinkReport("BBandTxRate=12 ", at + 5000));
    stats.add(later);
    counters.kernelDrops = 7;
    EXPECT_EQ(stats.takeLine(60, counters),
              "stats 60 s: 3 entries (FireWall 2, VPN 0, UserAccess 0, Call 0, Wan 1), "
              "1 emergency, 7 dropped by the system; link of 192.0.2.1: tx 12, rx -, "
              "mode PP\\x1bPoE");
    // The next interval starts from nothing; the link stays the latest known.
    counters.kernelDrops = 9;
    EXPECT_EQ(stats.takeLine(60, counters),
              "stats 60 s: 0 entries (FireWall 0, VPN 0, UserAccess 0, Call 0, Wan 0), "
              "0 emergencies, 2 dropped by the system; link of 192.0.2.1: tx 12, rx -, "
              "mode PP\\x1bPoE");
}

TEST(HeadlessOptions, StatsTakesWholeSecondsFromOneToADay)
{
    QString error;
    const auto options =
        parseHeadlessOptions({QStringLiteral("--stats"), QStringLiteral("60")}, &error);
    ASSERT_TRUE(options) << error.toStdString();
    EXPECT_EQ(options->statsSeconds, 60);
    EXPECT_EQ(parseHeadlessOptions({QStringLiteral("--stats=5")}, &error)->statsSeconds, 5);
    EXPECT_FALSE(parseHeadlessOptions({}, &error)->statsSeconds);
    for (const char* bad : {"0", "-1", "1.5", "ten", "86401"}) {
        EXPECT_FALSE(
            parseHeadlessOptions({QStringLiteral("--stats"), QString::fromLatin1(bad)}, &error))
            << bad;
        EXPECT_TRUE(error.startsWith(QStringLiteral("--stats needs"))) << error.toStdString();
    }
    EXPECT_FALSE(parseHeadlessOptions({QStringLiteral("--stats")}, &error));
    EXPECT_TRUE(headlessUsage().contains(QStringLiteral("--stats SECONDS")));
}

TEST(HeadlessStats, TheServicePrintsAStatsLinePerIntervalOnStandardError)
{
    QTemporaryDir dir;
    const quint16 port = test::freeUdpPort();
    QProcess receiver;
    receiver.start(QStringLiteral(QUENDAL_SYSLOGD_BINARY),
                   {QStringLiteral("--port"), QString::number(port), QStringLiteral("--log-dir"),
                    dir.path(), QStringLiteral("--stats"), QStringLiteral("1")});
    QByteArray errors;
    ASSERT_TRUE(test::waitUntil([&] {
        errors += receiver.readAllStandardError();
        return errors.contains("receiving syslog");
    })) << errors.constData();

    test::LoopbackPeer router;
    router.sendTo(port, "<128>Mar 14 09:26:53 gw: SYN flood");
    router.sendTo(port, "<142>Mar 14 09:26:53 gw: tunnel up");
    router.sendTo(port, "<174>Mar 14 09:26:53 gw: BBandTxRate=5 BBandRxRate=7 BBandMode=DHCP ");
    // Sent within one interval or across two: the lines add up to them.
    ASSERT_TRUE(test::waitUntil(
        [&] {
            errors += receiver.readAllStandardError();
            return errors.contains("link of 127.0.0.1: tx 5, rx 7, mode DHCP");
        },
        std::chrono::seconds(10)))
        << errors.constData();
    test::sendSignal(receiver.processId(), SIGTERM);
    ASSERT_TRUE(receiver.waitForFinished(5000));
    errors += receiver.readAllStandardError();
    int firewall = 0, vpn = 0, emergencies = 0;
    for (const QByteArray& line : errors.split('\n')) {
        if (!line.startsWith("quendal-syslogd: stats 1 s: "))
            continue;
        const auto number = [&line](const QByteArray& before) {
            const qsizetype at = line.indexOf(before);
            return at < 0
                       ? 0
                       : line.mid(at + before.size()).split(',').first().split(' ').first().toInt();
        };
        firewall += number("FireWall ");
        vpn += number("VPN ");
        emergencies += number("), ");
    }
    EXPECT_EQ(firewall, 1) << errors.constData();
    EXPECT_EQ(vpn, 1);
    EXPECT_EQ(emergencies, 1);
}

} // namespace
} // namespace quendal
