#include "receiver/core/WanStatus.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace quendal {
namespace {

QByteArray all(const WanStatus& s)
{
    QByteArray out;
    for (int i = 0; i < kWanFieldCount; ++i)
        out += s.value(WanField(i)) + '|';
    return out;
}

TEST(WanStatus, StartsNeutralAndResetsToNeutral)
{
    WanStatus status;
    EXPECT_EQ(all(status), "0|0|....|....|0|0|0|0|");
    EXPECT_EQ(status.caption(), QStringLiteral("WAN Status"));

    status.apply("<173>x Tx=1 Rx=2 GW_IP=10.0.0.1 BBandIp=10.0.0.2 BBandTxPkt=3 BBandTxRate=4 "
                 "BBandRxPkt=5 BBandRxRate=6 BBandMode=DHCP ");
    EXPECT_EQ(all(status), "1|2|10.0.0.1|10.0.0.2|3|4|5|6|");
    EXPECT_EQ(status.caption(), QStringLiteral("WAN Status( DHCP )"));

    QSignalSpy changed(&status, &WanStatus::changed);
    status.reset();
    EXPECT_EQ(all(status), "0|0|....|....|0|0|0|0|");
    EXPECT_EQ(status.caption(), QStringLiteral("WAN Status"));
    status.reset();
    EXPECT_EQ(changed.size(), 1); // a reset of neutral values changes nothing
}

TEST(WanStatus, TakesEachKeyUpToTheNextBlankAndKeepsTheRest)
{
    WanStatus status;
    status.apply("<173>x Tx=9 BBandTxRate=8 ");
    status.apply("<173>x BBandMode=PPPoE BBandIp=10.0.0.2 GW_IP=10.0.0.1 Tx=5 Rx=7 ");
    EXPECT_EQ(status.caption(), QStringLiteral("WAN Status( PPPoE )"));
    EXPECT_EQ(all(status), "5|7|10.0.0.1|10.0.0.2|0|8|0|0|");

    // The last value has no blank after it: it is not taken.
    status.apply("<173>x Tx=6 Rx=70");
    EXPECT_EQ(status.value(WanField::LanTxPackets), "6");
    EXPECT_EQ(status.value(WanField::LanRxPackets), "7");

    // A key right before a blank gives an empty value; only a key's first occurrence counts,
    // also inside a longer word.
    status.apply("<173>x BBandMode= xTx=1 Tx=2 ");
    EXPECT_EQ(status.caption(), QStringLiteral("WAN Status(  )"));
    EXPECT_EQ(status.value(WanField::LanTxPackets), "1");
}

TEST(WanStatus, LongValuesAreKeptWhole)
{
    WanStatus status;
    const QByteArray longValue(64, '7');
    status.apply("<173>BBandRxPkt=" + longValue + " ");
    EXPECT_EQ(status.value(WanField::WanRxPackets), longValue);
}

} // namespace
} // namespace quendal
