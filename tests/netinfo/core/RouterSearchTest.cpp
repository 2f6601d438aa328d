#include "netinfo/core/RouterSearch.h"

#include "netinfo/core/CSearchSocket.h"
#include "netinfo/core/RouterList.h"
#include "netinfo/support/FakeRouterProcess.h"
#include "support/TestSupport.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace quendal {
namespace {

using test::FakeRouterProcess;
using test::LoopbackPeer;

TEST(RouterSearchMessages, RequestIsFiftyFourBytesWithSignatureLengthAndName)
{
    const QByteArray request = buildSearchRequest();
    QByteArray expected = QByteArray::fromHex("DD800036") + QByteArray("QUENDAL", 8);
    expected.append(QByteArray(42, '\0'));
    EXPECT_EQ(request, expected);
    EXPECT_EQ(request.size(), 54);
}

TEST(RouterSearchMessages, ReplyFieldsAtTheirOffsetsAndShortRepliesZeroFilled)
{
    const auto built =
        buildSearchReply({QStringLiteral("00507fa1b2c3"), QStringLiteral("192.168.1.1"),
                          QStringLiteral("255.255.255.0")});
    ASSERT_TRUE(built);
    EXPECT_EQ(built->mid(4, 14), QByteArray::fromHex("C0A80101FFFFFF0000507FA1B2C3"));
    const auto parsed = parseSearchReply(*built + QByteArray("trailing bytes beyond 54"));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->mac, QStringLiteral("00507FA1B2C3"));
    EXPECT_EQ(parsed->ipAddress, QStringLiteral("192.168.1.1"));
    EXPECT_EQ(parsed->subnetMask, QStringLiteral("255.255.255.0"));

    // Twelve bytes: the address is there, mask and MAC read as zeros.
    const auto shortReply = parseSearchReply(QByteArray::fromHex("DD800000C0A8010A01020304"));
    ASSERT_TRUE(shortReply);
    EXPECT_EQ(shortReply->mac, QStringLiteral("000000000000"));
    EXPECT_EQ(shortReply->ipAddress, QStringLiteral("192.168.1.10"));
    EXPECT_EQ(shortReply->subnetMask, QStringLiteral("1.2.3.4"));
    EXPECT_EQ(parseSearchReply(QByteArray::fromHex("DD80"))->subnetMask, QStringLiteral("0.0.0.0"));

    QByteArray wrong = *built;
    wrong[1] = char(0x81);
    EXPECT_FALSE(parseSearchReply(wrong));
    EXPECT_FALSE(parseSearchReply(QByteArray::fromHex("DD")));
    EXPECT_FALSE(buildSearchReply(
        {QStringLiteral("00507FA1B2"), QStringLiteral("1.2.3.4"), QStringLiteral("255.0.0.0")}));
}

TEST(RouterSearchMessages, TargetFromTheCommandLine)
{
    const auto directed = parseRouterSearchTarget(QStringLiteral("192.168.1.255"));
    ASSERT_TRUE(directed);
    EXPECT_EQ(directed->address, QHostAddress(QStringLiteral("192.168.1.255")));
    EXPECT_EQ(directed->port, 56415);
    const auto local = parseRouterSearchTarget(QStringLiteral("127.0.0.1:9"));
    ASSERT_TRUE(local);
    EXPECT_EQ(local->port, 9);
    for (const char* bad :
         {"", "127.0.0.1:0", "127.0.0.1:65536", "127.1", "::1", "host:80", "127.0.0.1:9:9"})
        EXPECT_FALSE(parseRouterSearchTarget(QString::fromLatin1(bad))) << bad;
}

// The program reaches every router of the segment; a window told nothing reaches none.
TEST(RouterSearchMessages, TheProgramsTargetAndTheQuietOne)
{
    const RouterSearchTarget program = RouterSearchTarget::limitedBroadcast();
    EXPECT_EQ(program.address, QHostAddress(QStringLiteral("255.255.255.255")));
    EXPECT_EQ(program.port, 56415);
    const RouterSearchTarget quiet = RouterSearchTarget::loopbackDiscard();
    EXPECT_EQ(quiet.address, QHostAddress(QStringLiteral("127.0.0.1")));
    EXPECT_EQ(quiet.port, 9);
}

TEST(RouterList, OneRowPerMacIgnoringCaseNewestOnTop)
{
    RouterList list;
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_TRUE(list.addReply({QStringLiteral("00507FA1B2C3"), QStringLiteral("192.168.1.1"),
                               QStringLiteral("255.255.255.0")}));
    EXPECT_TRUE(list.addReply({QStringLiteral("0050AABBCCDD"), QStringLiteral("192.168.2.1"),
                               QStringLiteral("255.255.0.0")}));
    EXPECT_FALSE(list.addReply(
        {QStringLiteral("0050aabbccdd"), QStringLiteral("10.0.0.1"), QStringLiteral("255.0.0.0")}));
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.data(list.index(0, RouterList::MacColumn)).toString(),
              QStringLiteral("0050AABBCCDD"));
    EXPECT_EQ(list.data(list.index(0, RouterList::AddressColumn)).toString(),
              QStringLiteral("192.168.2.1"));
    EXPECT_EQ(list.data(list.index(1, RouterList::MaskColumn)).toString(),
              QStringLiteral("255.255.255.0"));
    EXPECT_EQ(list.headerData(0, Qt::Horizontal).toString(), QStringLiteral("MAC Address"));
    EXPECT_EQ(list.headerData(1, Qt::Horizontal).toString(), QStringLiteral("IP Address"));
    EXPECT_EQ(list.headerData(2, Qt::Horizontal).toString(), QStringLiteral("IP Mask"));
    list.clear();
    EXPECT_EQ(list.rowCount(), 0);
}

TEST(RouterSearchExchange, TheFakeRouterAnswersTheSocketsRequestOnLoopback)
{
    FakeRouterProcess router({QStringLiteral("--mac"), QStringLiteral("0050c2112233"),
                              QStringLiteral("--ip"), QStringLiteral("10.1.2.3"),
                              QStringLiteral("--mask"), QStringLiteral("255.255.252.0")});
    ASSERT_NE(router.port(), 0);
    CSearchSocket socket({QHostAddress(QHostAddress::LocalHost), router.port()});
    QSignalSpy replies(&socket, &CSearchSocket::replyReceived);
    socket.SendRequest();
    ASSERT_TRUE(QTest::qWaitFor([&] { return replies.size() == 1; }, 5000));
    const auto reply = replies[0][0].value<RouterReply>();
    EXPECT_EQ(reply.mac, QStringLiteral("0050C2112233"));
    EXPECT_EQ(reply.ipAddress, QStringLiteral("10.1.2.3"));
    EXPECT_EQ(reply.subnetMask, QStringLiteral("255.255.252.0"));
}

TEST(FakeRouterTool, AnswersOnlySearchRequestsAndRefusesNonLoopbackListening)
{
    FakeRouterProcess router({QStringLiteral("--count"), QStringLiteral("1")});
    ASSERT_NE(router.port(), 0);
    LoopbackPeer searcher;
    searcher.sendTo(router.port(), "<134>not a search request");
    searcher.sendTo(router.port(), buildSearchRequest());
    ASSERT_TRUE(searcher.waitForDatagrams(1));
    EXPECT_EQ(searcher.received().front(),
              *buildSearchReply({QStringLiteral("00507FA1B2C3"), QStringLiteral("192.168.1.1"),
                                 QStringLiteral("255.255.255.0")}));
    // --count 1: it leaves after its one answer.
    EXPECT_TRUE(router.process().waitForFinished(5000));
    EXPECT_EQ(router.process().exitCode(), 0);

    QProcess refused;
    refused.start(QStringLiteral(QUENDAL_FAKE_ROUTER_BINARY),
                  {QStringLiteral("--listen"), QStringLiteral("0.0.0.0:0")});
    ASSERT_TRUE(refused.waitForFinished(5000));
    EXPECT_EQ(refused.exitCode(), 2);
    EXPECT_TRUE(refused.readAllStandardError().contains("loopback"));
}

} // namespace
} // namespace quendal
