#include "netinfo/core/ProcSocketTables.h"

#include "support/TestSupport.h"

#include <QHostAddress>

#include <algorithm>
#include <gtest/gtest.h>

namespace quendal {
namespace {

constexpr quint32 kLoopback = 0x7F000001;

TEST(ProcSocketTables, SystemTablesShowLoopbackSocketsOfThisProcess)
{
    test::LoopbackSockets sockets;
    ASSERT_TRUE(sockets.open());
    const QTcpServer& server = sockets.server;
    const QTcpSocket& client = sockets.client;
    const QUdpSocket& udp = sockets.udp;

    const auto tables = systemSocketTables();
    std::vector<TcpRow> tcp;
    ASSERT_TRUE(tables->readTcpTable(tcp));
    const auto has = [&](int state, quint16 localPort, quint32 remote, quint16 remotePort) {
        return std::any_of(tcp.begin(), tcp.end(), [&](const TcpRow& r) {
            return r.state == state && r.localAddress == kLoopback && r.localPort == localPort &&
                   r.remoteAddress == remote && r.remotePort == remotePort;
        });
    };
    EXPECT_TRUE(has(TcpListen, server.serverPort(), 0, 0));
    EXPECT_TRUE(has(TcpEstablished, client.localPort(), kLoopback, server.serverPort()));

    std::vector<UdpRow> udpRows;
    ASSERT_TRUE(tables->readUdpTable(udpRows));
    EXPECT_TRUE(std::any_of(udpRows.begin(), udpRows.end(), [&](const UdpRow& r) {
        return r.localAddress == kLoopback && r.localPort == udp.localPort();
    }));
}

TEST(ProcSocketTables, MissingFileFailsAndLeavesRowsAlone)
{
    ProcSocketTables tables(QStringLiteral("/nonexistent/tcp"), QStringLiteral("/nonexistent/udp"));
    std::vector<TcpRow> tcp = {TcpRow{TcpListen, 1, 2, 3, 4}};
    EXPECT_FALSE(tables.readTcpTable(tcp));
    EXPECT_EQ(tcp.size(), 1u);
    std::vector<UdpRow> udp = {UdpRow{1, 2}};
    EXPECT_FALSE(tables.readUdpTable(udp));
    EXPECT_EQ(udp.size(), 1u);
}

} // namespace
} // namespace quendal
