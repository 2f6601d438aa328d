#include "receiver/core/StreamListener.h"

#include "receiver/core/ShownReception.h"
#include "support/Ipv6Loopback.h"
#include "support/TestSupport.h"

#include <QTcpSocket>

#include <arpa/inet.h>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace quendal {
namespace {

using test::waitUntil;

struct Taken : IntakeSink
{
    std::vector<QByteArray> messages;
    QStringList senders;
    std::vector<Transport> transports;
    void entryStored(LogCategory, const LogEntryView&) override {}
    void messageTaken(const IncomingMessage& m, const IntakeOutcome&) override
    {
        messages.push_back(m.bytes.toByteArray());
        senders << m.from.hostText();
        transports.push_back(m.transport);
    }
};

// A TCP listener on 127.0.0.1 whose intake runs on the test's thread, on a clock the test moves.
class Listener : public ::testing::Test
{
protected:
    void SetUp() override
    {
        tcp.setReport([this](const QString& peer, const QString& reason) {
            reports << peer + u": "_s + reason;
        });
        tcp.setLimits({100, 201, 60'000});
        QString error;
        ASSERT_TRUE(tcp.listen(QHostAddress::LocalHost, 0, &error)) << error.toStdString();
    }

    std::unique_ptr<QTcpSocket> connectClient()
    {
        auto client = std::make_unique<QTcpSocket>();
        // Not waited for: the listener takes it on this thread's event loop.
        client->connectToHost(QHostAddress::LocalHost, tcp.localPort());
        return client;
    }
    const ConnectionCounters& connections() { return step.counters().connections; }

    ManualClock clock;
    Taken sink;
    IntakeStep step{sink, {}, clock};
    StreamListener tcp{Transport::Tcp, step, sink, nullptr, clock};
    QStringList reports;
};

TEST_F(Listener, IdleConnectionsCloseAtTheirTimeoutWhileATricklingPeerStaysAndExcessIsRefused)
{
    // In groups within the listen backlog, which is taken in on this thread.
    std::vector<std::unique_ptr<QTcpSocket>> idle;
    for (int group = 1; group <= 5; ++group) {
        for (int i = 0; i < 40; ++i)
            idle.push_back(connectClient());
        ASSERT_TRUE(waitUntil([&] { return connections().accepted == quint64(group) * 40; }));
    }
    auto trickler = connectClient();
    ASSERT_TRUE(waitUntil([&] { return connections().accepted == 201; }));
    // Over the limit: taken and closed at once.
    auto excess1 = connectClient();
    auto excess2 = connectClient();
    ASSERT_TRUE(waitUntil([&] { return connections().refused == 2; }));
    EXPECT_TRUE(waitUntil([&] { return excess2->state() == QAbstractSocket::UnconnectedState; }));

    // One byte each ten seconds: twice the timeout for the whole message, and never closed.
    const QByteArray message = "<13>slow one\n";
    for (const char byte : message) {
        const quint64 before = tcp.bytesRead();
        trickler->write(&byte, 1);
        ASSERT_TRUE(waitUntil([&] { return tcp.bytesRead() > before; }));
        clock.advance(10'000);
        tcp.closeIdle();
    }
    EXPECT_EQ(connections().idle, 200u);
    EXPECT_EQ(connections().open, 1u);
    EXPECT_EQ(sink.messages, std::vector<QByteArray>{"<13>slow one"});
    EXPECT_EQ(sink.senders, QStringList{u"127.0.0.1"_s});
    EXPECT_EQ(sink.transports, std::vector<Transport>{Transport::Tcp});
    EXPECT_TRUE(
        waitUntil([&] { return idle.back()->state() == QAbstractSocket::UnconnectedState; }));
}

TEST_F(Listener, ABurstOfConnectionsWaitsInTheKernelUpToTheLimitWhileNoneIsTaken)
{
    // This thread's event loop does not run meanwhile: the listener takes none of them, so each
    // must have its handshake completed in the listen backlog rather than its SYN dropped.
    constexpr int kBurst = 150;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(tcp.localPort());
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::vector<int> fds;
    for (int i = 0; i < kBurst; ++i) {
        fds.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        ASSERT_GE(fds.back(), 0);
        ::connect(fds.back(), reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + 10s;
    int connected = 0;
    for (const int fd : fds) {
        pollfd wanted{fd, POLLOUT, 0};
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        int error = 0;
        socklen_t size = sizeof error;
        if (::poll(&wanted, 1, int(std::max<decltype(left)>(left, 0))) == 1 &&
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0)
            ++connected;
    }
    EXPECT_EQ(connected, kBurst);
    EXPECT_TRUE(waitUntil([&] { return connections().accepted == quint64(kBurst); }));
    for (const int fd : fds)
        ::close(fd);
}

TEST_F(Listener, ABadFrameClosesItsConnectionAfterTheMessagesBeforeAndIsToldOncePerInterval)
{
    const auto sendBad = [&] {
        auto client = connectClient();
        client->write("5 <13>a99999999999 <13>absurd");
        return client;
    };
    auto first = sendBad();
    auto second = sendBad();
    ASSERT_TRUE(waitUntil([&] { return connections().badFrames == 2; }));
    EXPECT_EQ(sink.messages, (std::vector<QByteArray>{"<13>a", "<13>a"}));
    EXPECT_EQ(connections().open, 0u);
    EXPECT_EQ(reports, QStringList{u"127.0.0.1: a message longer than the limit"_s});
    EXPECT_TRUE(waitUntil([&] { return second->state() == QAbstractSocket::UnconnectedState; }));

    clock.advance(StreamListener::kReportIntervalMs);
    auto third = sendBad();
    ASSERT_TRUE(waitUntil([&] { return connections().badFrames == 3; }));
    EXPECT_EQ(reports.size(), 2);

    // A peer that closes in the middle of a message: what came before is kept, the rest counted.
    auto cut = connectClient();
    cut->write("<13>whole\n40 <13>half");
    cut->disconnectFromHost();
    ASSERT_TRUE(waitUntil([&] { return connections().unfinished == 1; }));
    EXPECT_EQ(sink.messages.back(), "<13>whole");
    EXPECT_EQ(connections().open, 0u);
}

class StalledStreams : public test::ShownReception
{};

TEST_F(StalledStreams, DatagramsKeepArrivingWhileOnePeerStallsMidFrameAndAnotherSendsAHugeLine)
{
    start([](ReceptionSettings& s) { s.tcpPort = 0; });
    QTcpSocket stalled;
    QTcpSocket huge;
    for (QTcpSocket* client : {&stalled, &huge}) {
        client->connectToHost(QHostAddress::LocalHost, engine.tcpPort());
        ASSERT_TRUE(client->waitForConnected(5000));
    }
    stalled.write("1000 <134>only the start");
    huge.write("<134>" + QByteArray(1024 * 1024, 'x') + '\n');
    std::vector<QByteArray> datagrams;
    for (int i = 0; i < 200; ++i)
        datagrams.push_back(test::numbered(i));
    test::sendAll(port, datagrams);
    ASSERT_TRUE(waitUntil([&] {
        const IntakeCounters c = engine.counters();
        return c.read >= 200 && c.connections.badFrames == 1;
    }));
    IntakeCounters c = engine.counters();
    EXPECT_EQ(c.stored, 200u);
    EXPECT_EQ(c.readTcp, 0u);
    EXPECT_EQ(c.connections.open, 1u);

    stalled.disconnectFromHost();
    ASSERT_TRUE(waitUntil([&] { return engine.counters().connections.unfinished == 1; }));
    EXPECT_EQ(engine.counters().connections.open, 0u);
}

TEST_F(StalledStreams, TcpListensOnBothFamiliesAndNamesEachPeerByItsOwnAddress)
{
    QUENDAL_SKIP_WITHOUT_IPV6_LOOPBACK();
    start([](ReceptionSettings& s) {
        s.address = INADDR_ANY;
        s.tcpPort = 0;
    });
    QTcpSocket ipv4;
    QTcpSocket ipv6;
    ipv4.connectToHost(QHostAddress::LocalHost, engine.tcpPort());
    ipv6.connectToHost(QHostAddress::LocalHostIPv6, engine.tcpPort());
    ipv4.write("<134>Mar 14 09:26:53 gw: four\n");
    ipv6.write("<134>Mar 14 09:26:53 gw: six\n");
    ASSERT_TRUE(waitUntil([&] { return engine.counters().readTcp == 2; }));
    ASSERT_TRUE(waitUntil([&] { return hosts.size() >= 3; }));
    EXPECT_TRUE(hosts.contains(u"127.0.0.1"_s));
    EXPECT_TRUE(hosts.contains(u"::1"_s));
}

} // namespace
} // namespace quendal
