// Reception on both IP families: what IPv6 senders look like, and that IPv4 senders look as
// they always have.
#include "common/core/UiText.h"
#include "receiver/core/ReceptionEngine.h"
#include "receiver/core/ShownReception.h"
#include "support/Ipv6Loopback.h"

#include <gtest/gtest.h>

namespace quendal {
namespace {

using test::readFile;
using test::waitUntil;

// Without a header of its own a datagram's Host is its sender.
const QByteArray kHeaderless = "<134>Packet blocked";

// Reception shown as the window shows it, on every interface of both families unless told
// otherwise.
class DualStackIntake : public test::ShownReception
{
protected:
    void SetUp() override
    {
        if (!test::hasIpv6Loopback())
            GTEST_SKIP() << "no IPv6 loopback address (::1) in this network namespace";
        settings.port = test::freeUdpPort();
        settings.address = ReceptionSettings().address;
    }

    void sendFromBoth(const QByteArray& datagram)
    {
        const quint64 before = engine.counters().read;
        v4.sendTo(port, datagram + " v4");
        v6.sendTo(port, datagram + " v6");
        ASSERT_TRUE(waitUntil([&] { return engine.counters().read >= before + 2; }));
    }

    QStringList hostTexts() const
    {
        QStringList texts;
        for (qsizetype i = 0; i < hosts.size(); ++i)
            texts << hosts.text(i);
        return texts;
    }
    LogList& fireWall() { return list(LogCategory::FireWall); }
    QByteArray fireWallFile() { return file(LogCategory::FireWall); }

    test::LoopbackPeer v4;
    test::Ipv6LoopbackPeer v6;
};

TEST_F(DualStackIntake, EveryInterfaceHearsBothFamiliesAndShowsIpv4AsDottedQuads)
{
    start();
    sendFromBoth(kHeaderless);

    EXPECT_EQ(hostTexts(), (QStringList{GetUiText(UiTextId::AnyHost), QStringLiteral("127.0.0.1"),
                                        QStringLiteral("::1")}));
    ASSERT_TRUE(waitUntil([&] { return fireWall().size() == 2; }));
    EXPECT_EQ(fireWall().entry(1).host, "127.0.0.1");
    EXPECT_EQ(fireWall().entry(0).host, "::1");
    engine.stop();
    const QByteArray file = fireWallFile();
    EXPECT_TRUE(file.contains("\r\n127.0.0.1\r\nPacket blocked v4\r\n")) << file.constData();
    EXPECT_TRUE(file.contains("\r\n::1\r\nPacket blocked v6\r\n")) << file.constData();
    EXPECT_FALSE(file.contains("ffff")) << file.constData();
}

TEST_F(DualStackIntake, SelectingTheIpv6SenderKeepsOnlyItsDatagramsAndStatus)
{
    start([](ReceptionSettings& s) { s.selectedHost = QStringLiteral("::1"); });
    sendFromBoth(kHeaderless);
    v4.sendTo(port, "<173>Mar 14 09:26:55 gw: Tx=4 ");
    v6.sendTo(port, "<173>Mar 14 09:26:55 gw: Tx=6 ");
    ASSERT_TRUE(waitUntil([&] { return engine.counters().read == 4; }));

    EXPECT_EQ(engine.counters().filtered, 2u);
    ASSERT_EQ(fireWall().size(), 1);
    EXPECT_EQ(fireWall().entry(0).message, "Packet blocked v6");
    EXPECT_EQ(wan.value(WanField::LanTxPackets), "6");
    // The IPv4 sender is still listed, as every sender is.
    EXPECT_TRUE(hosts.contains(QStringLiteral("127.0.0.1")));
}

TEST_F(DualStackIntake, SelectingAnIpv4SenderStillWorksOnTheSharedSocket)
{
    start([](ReceptionSettings& s) { s.selectedHost = QStringLiteral("127.0.0.1"); });
    sendFromBoth(kHeaderless);
    ASSERT_TRUE(waitUntil([&] { return fireWall().size() == 1; }));
    EXPECT_EQ(fireWall().entry(0).message, "Packet blocked v4");
    EXPECT_EQ(engine.counters().filtered, 1u);
}

TEST_F(DualStackIntake, ReplayAimedAtThisReceiverDoesNotLoopOnEitherFamily)
{
    start();
    for (const QString& address : {QStringLiteral("::1"), QStringLiteral("127.0.0.1")}) {
        engine.setReplay(ReplayTarget{address, port});
        const IntakeCounters before = engine.counters();
        // A forward that came round again would be read before the forward of the second one.
        for (quint64 sent = 1; sent <= 2; ++sent) {
            v6.sendTo(port, "<134>Mar 14 09:26:53 gw: once");
            ASSERT_TRUE(waitUntil([&] {
                return engine.counters().ownForwards == before.ownForwards + sent;
            })) << qPrintable(address);
        }
        EXPECT_EQ(engine.counters().read, before.read + 4) << qPrintable(address);
        EXPECT_EQ(engine.counters().forwarded, before.forwarded + 2) << qPrintable(address);
        EXPECT_EQ(engine.counters().stored, before.stored + 2) << qPrintable(address);
    }
}

} // namespace
} // namespace quendal
