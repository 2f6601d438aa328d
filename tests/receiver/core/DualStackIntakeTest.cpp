// Reception on both IP families: what IPv6 senders look like, and that IPv4 senders look as
// they always have.
#include "common/core/UiText.h"
#include "logs/core/LogCategory.h"
#include "logs/core/LogList.h"
#include "receiver/core/HostList.h"
#include "receiver/core/ReceptionEngine.h"
#include "receiver/core/ReceptionTestSupport.h"
#include "receiver/core/ReceptionView.h"
#include "receiver/core/WanStatus.h"
#include "support/Ipv6Loopback.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quendal {
namespace {

using test::readFile;
using test::waitUntil;

// Without a header of its own a datagram's Host is its sender.
const QByteArray kHeaderless = "<134>Packet blocked";

// A reception engine shown as the window shows it, receiving on every interface of both
// families unless told otherwise.
class DualStackIntake : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!test::hasIpv6Loopback())
            GTEST_SKIP() << "no IPv6 loopback address (::1) in this network namespace";
    }

    void start(const std::function<void(ReceptionSettings&)>& adjust = {})
    {
        ReceptionSettings settings;
        settings.port = test::freeUdpPort();
        settings.folder = dir.path();
        settings.selectedHost = hosts.selectedSender();
        ASSERT_TRUE(test::startEngine(engine, settings, adjust, port));
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
    LogList& fireWall() { return lists[0]; }
    QByteArray fireWallFile()
    {
        return readFile(autoLogFilePath(dir.path(), LogCategory::FireWall));
    }
    std::array<LogList*, kCategoryCount> listPointers()
    {
        std::array<LogList*, kCategoryCount> out{};
        for (int i = 0; i < kCategoryCount; ++i)
            out[size_t(i)] = &lists[size_t(i)];
        return out;
    }

    QTemporaryDir dir;
    HostList hosts{GetUiText(UiTextId::AnyHost)};
    std::array<LogList, kCategoryCount> lists;
    WanStatus wan;
    ReceptionEngine engine;
    ReceptionView view{&engine, &hosts, listPointers(), &wan};
    quint16 port = 0;
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
        v6.sendTo(port, "<134>Mar 14 09:26:53 gw: once");
        ASSERT_TRUE(waitUntil([&] { return engine.counters().ownForwards > before.ownForwards; }))
            << qPrintable(address);
        test::settle();
        EXPECT_EQ(engine.counters().read, before.read + 2) << qPrintable(address);
        EXPECT_EQ(engine.counters().forwarded, before.forwarded + 1) << qPrintable(address);
        EXPECT_EQ(engine.counters().stored, before.stored + 1) << qPrintable(address);
    }
}

} // namespace
} // namespace quendal
