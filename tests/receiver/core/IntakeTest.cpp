#include "app/core/CDebugConsole.h"
#include "receiver/core/ReceptionEngine.h"
#include "receiver/core/ShownReception.h"

#include <QAbstractItemModelTester> // its "qt.modeltest" warnings fail the test (TestSupport)
#include <QFile>
#include <QHostAddress>
#include <QUdpSocket>

#include <gtest/gtest.h>

namespace quendal {
namespace {

using test::readFile;
using test::waitUntil;

const QByteArray kFireWall = "<134>Mar 14 09:26:53 gateway: Packet blocked";

// Reception shown as the window shows it, with a second sender on 127.0.0.2.
class Intake : public test::ShownReception
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(second.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0));
        start();
    }

    // Sends from 127.0.0.1 (or 127.0.0.2) and waits until the engine has read it.
    void send(const QByteArray& datagram, bool fromSecond = false)
    {
        const quint64 before = engine.counters().read;
        if (fromSecond)
            second.writeDatagram(datagram, QHostAddress::LocalHost, port);
        else
            first.sendTo(port, datagram);
        ASSERT_TRUE(waitUntil([&] { return engine.counters().read > before; }));
    }

    test::LoopbackPeer first;
    QUdpSocket second;
};

TEST_F(Intake, FacilitiesSixteenToTwentyAreListedNewestFirstAndWritten)
{
    send(kFireWall);
    send("<165>Mar 14 09:26:54 gw: wan five");
    send("<160>Mar 14 09:26:55 gw: x");
    send("<146>Mar 14 09:26:56 gw: user");

    ASSERT_EQ(list(LogCategory::FireWall).size(), 1);
    EXPECT_EQ(LogEntry::from(list(LogCategory::FireWall).entry(0)),
              (LogEntry{"Mar 14 09:26:53", "gateway", "Packet blocked", Severity::Informational,
                        "127.0.0.1"}));
    ASSERT_EQ(list(LogCategory::Wan).size(), 2);
    EXPECT_EQ(LogEntry::from(list(LogCategory::Wan).entry(0)),
              (LogEntry{"Mar 14 09:26:55", "gw", "x", Severity::Emergency, "127.0.0.1"}));
    EXPECT_EQ(list(LogCategory::Wan).entry(1).message, "wan five");
    EXPECT_EQ(list(LogCategory::UserAccess).size(), 1);

    EXPECT_EQ(file(LogCategory::FireWall), "Mar 14 09:26:53\r\ngateway\r\nPacket blocked\r\n");
    EXPECT_EQ(file(LogCategory::Wan),
              "Mar 14 09:26:54\r\ngw\r\nwan five\r\n[Mar 14 09:26:55]\r\ngw\r\nx\r\n");
    EXPECT_FALSE(QFile::exists(filePath(LogCategory::VPN)));
}

TEST_F(Intake, OtherFacilitiesAndStatusMessagesMakeNoRowAndNoFile)
{
    for (const char* d :
         {"<175>Mar 14 09:26:53 gw: Tx=1 ", "<127>Mar 14 09:26:53 gw: a",
          "<176>Mar 14 09:26:53 gw: b", "<13>Mar 14 09:26:53 gw: c", "<>d", "<1a>e", "<999>f"})
        send(d);
    EXPECT_EQ(totalRows(), 0);
    EXPECT_EQ(engine.counters().statusReports, 1u);
    EXPECT_EQ(engine.counters().ignored, 6u);
    for (LogCategory c : kAllCategories)
        EXPECT_FALSE(QFile::exists(filePath(c)));
}

TEST_F(Intake, AnyAcceptsEverySenderAndListsEachOnce)
{
    send(kFireWall);
    send(kFireWall, true);
    send(kFireWall);
    ASSERT_EQ(hosts.size(), 3);
    EXPECT_EQ(hosts.text(0), QStringLiteral("Any"));
    EXPECT_EQ(hosts.text(1), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(hosts.text(2), QStringLiteral("127.0.0.2"));
    EXPECT_EQ(list(LogCategory::FireWall).size(), 3);
}

TEST_F(Intake, SelectedSenderDropsOthersButStillListsThem)
{
    send(kFireWall);
    hosts.setSelectedRow(1); // 127.0.0.1
    send("<134>Mar 14 09:26:53 other: dropped", true);
    EXPECT_EQ(list(LogCategory::FireWall).size(), 1);
    EXPECT_EQ(hosts.size(), 3);
    EXPECT_EQ(engine.counters().filtered, 1u);

    send("<134>Mar 14 09:26:53 gateway: kept");
    EXPECT_EQ(list(LogCategory::FireWall).entry(0).message, "kept");
    EXPECT_EQ(file(LogCategory::FireWall).count("dropped"), 0);

    hosts.resetToFirst();
    EXPECT_EQ(hosts.size(), 1);
    EXPECT_EQ(hosts.selectedRow(), 0);
}

TEST_F(Intake, DatagramsWithoutAPriorityPrefixAreDroppedAfterTheirSenderIsListed)
{
    send("hello", true);
    send("<1345>Mar 14 09:26:53 gw: four digits");
    send("<134");
    EXPECT_EQ(totalRows(), 0);
    EXPECT_EQ(engine.counters().malformed, 3u);
    EXPECT_EQ(hosts.size(), 3);
}

TEST_F(Intake, TextEndsAtTheFirstZeroByteAndLongDatagramsAreCut)
{
    send(QByteArray("<134>Mar 14 09:26:53 gw: ab\0cd", 31));
    EXPECT_EQ(list(LogCategory::FireWall).entry(0).message, "ab");
    // A zero inside the prefix still counts as one of its characters (with value 0).
    send(QByteArray("<16\0>Mar 14 09:26:53 gw: x", 27));
    EXPECT_EQ(list(LogCategory::Wan).size(), 1); // priority 160: facility 20
    EXPECT_EQ(engine.counters().cut, 0u);

    const QByteArray head = "<134>Mar 14 09:26:53 gw: ";
    send(head + QByteArray(2000, 'x'));
    EXPECT_EQ(list(LogCategory::FireWall).entry(0).message.size(), 1500 - head.size());
    EXPECT_EQ(engine.counters().cut, 1u);
}

TEST_F(Intake, ReplayForwardsEveryAcceptedDatagramUnchanged)
{
    test::LoopbackPeer target;
    engine.setReplay(ReplayTarget{QStringLiteral("127.0.0.1"), target.port()});

    const QByteArray withZero("<134>Mar 14 09:26:53 gw: a\0b\xff", 30);
    const QByteArray unlisted = "<13>Mar 14 09:26:53 gw: user facility";
    send(withZero);
    send(unlisted);
    send("<>");
    send("hello");   // no prefix: not forwarded
    send("<1345>x"); // no closing bracket in reach: not forwarded
    hosts.setSelectedRow(1);
    send("<134>Mar 14 09:26:53 gw: filtered", true); // another sender: not forwarded

    // Forwards keep their order: once a last accepted datagram is through, nothing else comes.
    const QByteArray last = "<134>Mar 14 09:26:53 gw: last";
    send(last);
    ASSERT_TRUE(target.waitForDatagrams(4));
    EXPECT_EQ(target.received(), (std::vector<QByteArray>{withZero, unlisted, "<>", last}));
    EXPECT_EQ(engine.counters().forwarded, 4u);
}

TEST_F(Intake, ReplayAimedAtThisReceiverDoesNotLoop)
{
    engine.setReplay(ReplayTarget{QStringLiteral("127.0.0.1"), port});
    send(kFireWall);
    ASSERT_TRUE(waitUntil([&] { return engine.counters().ownForwards >= 1; }));
    // A forward that came round again would be read before the forward of a second datagram.
    send(kFireWall);
    ASSERT_TRUE(waitUntil([&] { return engine.counters().ownForwards >= 2; }));
    EXPECT_EQ(engine.counters().ownForwards, 2u);
    EXPECT_EQ(engine.counters().forwarded, 2u);
    EXPECT_EQ(engine.counters().read, 4u);
    EXPECT_EQ(list(LogCategory::FireWall).size(), 2);
    EXPECT_EQ(hosts.size(), 2); // the forward's own sender is not listed
}

TEST_F(Intake, StatusMessagesFillThePanelsOnlyForASelectedRouter)
{
    const QByteArray status = "<173>Mar 14 09:26:53 gw: BBandMode=PPPoE BBandIp=10.0.0.2 "
                              "GW_IP=10.0.0.1 Tx=5 Rx=7 ";
    send(status);
    EXPECT_EQ(wan.caption(), QStringLiteral("WAN Status"));
    EXPECT_EQ(wan.value(WanField::LanTxPackets), "0");

    hosts.setSelectedRow(1);
    send(status);
    EXPECT_EQ(wan.caption(), QStringLiteral("WAN Status( PPPoE )"));
    EXPECT_EQ(wan.value(WanField::WanAddress), "10.0.0.2");
    EXPECT_EQ(wan.value(WanField::LanRxPackets), "7");

    hosts.setSelectedRow(0);
    EXPECT_EQ(wan.value(WanField::LanRxPackets), "7"); // a new selection alone resets nothing
    send("<173>Mar 14 09:26:53 gw: Tx=9 ");
    EXPECT_EQ(wan.value(WanField::LanRxPackets), "0");
    EXPECT_EQ(wan.value(WanField::GatewayAddress), "....");
}

TEST_F(Intake, DebugConsoleWritesEveryDatagramVerbatim)
{
    QTemporaryDir logDir;
    const QString logPath = logDir.filePath(QStringLiteral("debug.log"));
    {
        QFile old(logPath);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("from an earlier run\r\n");
    }
    CDebugConsole console;
    console.Open(logPath);
    ReceptionEngine withConsole(&console);
    ReceptionSettings settings;
    settings.port = 0;
    settings.address = htonl(INADDR_LOOPBACK);
    ASSERT_TRUE(withConsole.start(settings));

    for (const QByteArray& d :
         {QByteArray("<134>100% %s %n %d%%"), QByteArray("two\nlines"), QByteArray("no prefix")}) {
        const quint64 before = withConsole.counters().read;
        first.sendTo(withConsole.localPort(), d);
        ASSERT_TRUE(waitUntil([&] { return withConsole.counters().read > before; }));
    }
    withConsole.stop();
    EXPECT_EQ(readFile(logPath), "<134>100% %s %n %d%%\r\ntwo\r\nlines\r\nno prefix\r\n");
}

TEST(HostList, KeepsAnyFirstAndEverySenderOnceAsAModel)
{
    HostList hosts(QStringLiteral("Any"));
    QAbstractItemModelTester tester(&hosts,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    EXPECT_EQ(hosts.selectedText(), QStringLiteral("Any"));
    hosts.add(QStringLiteral("192.168.1.1"));
    hosts.add(QStringLiteral("192.168.1.2"));
    hosts.add(QStringLiteral("192.168.1.1"));
    ASSERT_EQ(hosts.rowCount(), 3);
    EXPECT_EQ(hosts.data(hosts.index(2)).toString(), QStringLiteral("192.168.1.2"));

    hosts.setSelectedRow(-1); // nothing selected: the filter takes the first entry
    EXPECT_EQ(hosts.selectedText(), QStringLiteral("Any"));
    hosts.setSelectedRow(2);
    EXPECT_EQ(hosts.selectedText(), QStringLiteral("192.168.1.2"));
    hosts.setSelectedRow(7);
    EXPECT_EQ(hosts.selectedRow(), 2);

    hosts.resetToFirst();
    EXPECT_EQ(hosts.rowCount(), 1);
    EXPECT_EQ(hosts.selectedRow(), 0);
    EXPECT_FALSE(hosts.contains(QStringLiteral("192.168.1.2")));
    hosts.add(QStringLiteral("192.168.1.2"));
    EXPECT_EQ(hosts.rowCount(), 2);
}

TEST(DebugSwitch, FoundAnywhereInTheJoinedCommandLine)
{
    const auto has = [](std::initializer_list<const char*> args) {
        QStringList list;
        for (const char* a : args)
            list << QString::fromUtf8(a);
        return commandLineHasDebugSwitch(list);
    };
    EXPECT_TRUE(has({"quendal-syslog", "-d"}));
    EXPECT_TRUE(has({"quendal-syslog", "-debug"}));
    EXPECT_TRUE(has({"/opt/my -dir/quendal-syslog"}));
    EXPECT_FALSE(has({"quendal-syslog", "/d"}));
    EXPECT_FALSE(has({"quendal-syslog", "-D"}));
    EXPECT_FALSE(has({"quendal-syslog"}));
    EXPECT_FALSE(has({"quendal-syslog", "--debug"}));
}

} // namespace
} // namespace quendal
