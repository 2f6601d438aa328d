#include "activity/core/ActivitySeries.h"
#include "receiver/core/ReceptionEngine.h"
#include "support/TestSupport.h"

#include <QDateTime>

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace quendal {
namespace {

using test::LoopbackPeer;
using test::waitUntil;

QByteArray status(int txRate, const char* mode = "DHCP")
{
    return "<174>Jul  9 19:03:22 gateway: Tx=1 Rx=2 BBandTxPkt=10 BBandTxRate=" +
           QByteArray::number(txRate) + " BBandRxPkt=20 BBandRxRate=7 BBandMode=" + mode + " ";
}

// A real receiver on loopback, its batches feeding an activity series.
class ActivityIntake : public ::testing::Test
{
protected:
    void start(bool batchesWanted = true, const QString& host = {})
    {
        engine_.setBatchesWanted(batchesWanted);
        ReceptionSettings settings;
        settings.port = 0;
        settings.address = htonl(INADDR_LOOPBACK);
        settings.selectedHost = host;
        QObject::connect(&engine_, &ReceptionEngine::batchArrived, &series_,
                         [this](ReceptionBatch* batch) { series_.apply(batch->activity); });
        ASSERT_TRUE(engine_.start(settings));
    }

    ReceptionEngine engine_;
    ActivitySeries series_;
};

TEST_F(ActivityIntake, StatusReportsOfEverySenderReachTheirOwnSeriesByArrivalTime)
{
    start();
    LoopbackPeer first(QHostAddress(QStringLiteral("127.0.0.1")));
    LoopbackPeer second(QHostAddress(QStringLiteral("127.0.0.2")));
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    first.sendTo(engine_.localPort(), status(100));
    ASSERT_TRUE(waitUntil([&] { return series_.link(QStringLiteral("127.0.0.1")); }));
    second.sendTo(engine_.localPort(), status(200, "PPPoE"));
    ASSERT_TRUE(waitUntil([&] { return series_.link(QStringLiteral("127.0.0.2")); }));
    const qint64 after = QDateTime::currentMSecsSinceEpoch();

    const LinkPoint* p = series_.link(QStringLiteral("127.0.0.2"))->latest();
    EXPECT_EQ(p->txRate, 200);
    EXPECT_EQ(p->rxRate, 7);
    // The receiver's clock, not the router's "Jul  9 19:03:22".
    EXPECT_GE(p->at, before);
    EXPECT_LE(p->at, after);
    EXPECT_EQ(series_.lastReporter(), QStringLiteral("127.0.0.2"));
    EXPECT_EQ(series_.link(QStringLiteral("127.0.0.1"))->mode(), QByteArray("DHCP"));
}

TEST_F(ActivityIntake, EntriesAreCountedPerMinuteWithTheirEmergencies)
{
    start();
    LoopbackPeer router;
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    router.sendTo(engine_.localPort(), "<134>Mar 14 09:26:53 gw: blocked");   // FireWall, info
    router.sendTo(engine_.localPort(), "<128>Mar 14 09:26:53 gw: SYN flood"); // FireWall, emerg
    router.sendTo(engine_.localPort(), "<160>Mar 14 09:26:53 gw: line down"); // Wan, emerg
    ASSERT_TRUE(waitUntil([&] { return engine_.counters().stored == 3; }));
    ASSERT_TRUE(waitUntil([&] {
        const auto m = series_.minutes().range(minuteOf(before), minuteOf(before) + 1);
        quint64 n = 0;
        for (const MinuteCounts& c : m)
            n += c.total();
        return n == 3;
    }));
    quint64 firewall = 0, emergencies = 0;
    for (const MinuteCounts& c : series_.minutes().range(minuteOf(before), minuteOf(before) + 1)) {
        firewall += c.entries[0];
        emergencies += c.totalEmergencies();
    }
    EXPECT_EQ(firewall, 2u);
    EXPECT_EQ(emergencies, 2u);
}

TEST_F(ActivityIntake, WithOneSenderChosenOnlyItsReportsCountAndBatchesNeedNoRows)
{
    // Counts only, as the receiver without a window takes them.
    start(false, QStringLiteral("127.0.0.2"));
    LoopbackPeer other(QHostAddress(QStringLiteral("127.0.0.1")));
    LoopbackPeer chosen(QHostAddress(QStringLiteral("127.0.0.2")));
    other.sendTo(engine_.localPort(), status(1));
    chosen.sendTo(engine_.localPort(), status(2));
    ASSERT_TRUE(waitUntil([&] { return series_.link(QStringLiteral("127.0.0.2")); }));
    EXPECT_EQ(series_.link(QStringLiteral("127.0.0.1")), nullptr);
    EXPECT_EQ(series_.reporters(), QStringList{QStringLiteral("127.0.0.2")});
}

TEST_F(ActivityIntake, NothingIsCountedWhenTheActivityIsNotWanted)
{
    engine_.setActivityWanted(false);
    start(false);
    QObject::connect(&engine_, &ReceptionEngine::batchArrived, &engine_,
                     [](ReceptionBatch* batch) { EXPECT_TRUE(batch->activity.isEmpty()); });
    LoopbackPeer router;
    router.sendTo(engine_.localPort(), status(1));
    router.sendTo(engine_.localPort(), "<128>Mar 14 09:26:53 gw: SYN flood");
    // The counters come with the batch that would carry the counts.
    ASSERT_TRUE(waitUntil([&] { return engine_.counters().read == 2; }));
    EXPECT_TRUE(series_.reporters().isEmpty());
    EXPECT_TRUE(series_.minutes().isEmpty());
}

} // namespace
} // namespace quendal
