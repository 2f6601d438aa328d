#include "netinfo/core/DhcpLease.h"
#include "netinfo/core/DnsCycle.h"
#include "netinfo/core/HardwareAddress.h"
#include "netinfo/core/ResolverConfig.h"
#include "netinfo/core/RouteTable.h"
#include "netinfo/support/KernelHex.h"

#include <QtEndian>

#include <gtest/gtest.h>

namespace quendal {
namespace {

using test::kernelHex;

TEST(RouteTable, FirstDefaultRouteWithGatewayFlagPerInterface)
{
    const QString zero = kernelHex(0, 0, 0, 0);
    const QString text =
        QStringLiteral("Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\n") +
        // A network route of eth0 and a default route without the gateway flag: not gateways.
        QStringLiteral("eth0\t%1\t%2\t0001\t0\t0\t0\t%3\t0\n")
            .arg(kernelHex(192, 168, 1, 0), zero, kernelHex(255, 255, 255, 0)) +
        QStringLiteral("tun0\t%1\t%2\t0001\t0\t0\t0\t%1\t0\n").arg(zero, kernelHex(10, 8, 0, 1)) +
        QStringLiteral("eth0\t%1\t%2\t0003\t0\t0\t100\t%1\t0\n")
            .arg(zero, kernelHex(192, 168, 1, 1)) +
        QStringLiteral("eth0\t%1\t%2\t0003\t0\t0\t600\t%1\t0\n")
            .arg(zero, kernelHex(192, 168, 1, 254)) +
        QStringLiteral("wlan0\t%1\t%2\t0003\t0\t0\t600\t%1\t0\n")
            .arg(zero, kernelHex(10, 0, 0, 138)) +
        QStringLiteral("garbage line\n");
    const auto gateways = parseDefaultGateways(text);
    EXPECT_EQ(gateways.size(), 2);
    EXPECT_EQ(gateways.value(QStringLiteral("eth0")), QStringLiteral("192.168.1.1"));
    EXPECT_EQ(gateways.value(QStringLiteral("wlan0")), QStringLiteral("10.0.0.138"));
    EXPECT_FALSE(gateways.contains(QStringLiteral("tun0")));
}

TEST(ResolverConfig, NameserversInOrderAndResolvedStubReplacedByUpstream)
{
    const QString plain = QStringLiteral("# generated\nsearch lan\nnameserver 192.168.1.1\n"
                                         "  nameserver   1.1.1.1  \noptions edns0\n"
                                         "nameserver 2001:db8::53\n");
    EXPECT_EQ(parseNameservers(plain),
              QStringList({QStringLiteral("192.168.1.1"), QStringLiteral("1.1.1.1"),
                           QStringLiteral("2001:db8::53")}));

    const QString stub = QStringLiteral("nameserver 127.0.0.53\noptions edns0 trust-ad\n");
    const QString upstream = QStringLiteral("nameserver 9.9.9.9\nnameserver 149.112.112.112\n");
    EXPECT_EQ(chooseDnsServers(stub, upstream),
              QStringList({QStringLiteral("9.9.9.9"), QStringLiteral("149.112.112.112")}));
    // Without resolved's list the stub is all there is; a real server list is kept as it is.
    EXPECT_EQ(chooseDnsServers(stub, std::nullopt), QStringList{QStringLiteral("127.0.0.53")});
    EXPECT_EQ(chooseDnsServers(plain, upstream).value(0), QStringLiteral("192.168.1.1"));
}

TEST(DhcpLeaseFiles, DhclientTakesTheInterfacesLastLease)
{
    const QString text =
        QStringLiteral(R"(# The format of this file is documented in dhcpd.leases(5).
lease {
  interface "eth0";
  fixed-address 192.168.1.20;
  option subnet-mask 255.255.255.0;
  option dhcp-lease-time 3600;
  option dhcp-server-identifier 192.168.1.1;
  expire 4 2024/01/04 10:00:00;
}
lease {
  interface "wlan0";
  fixed-address 10.0.0.5;
  option dhcp-server-identifier 10.0.0.1;
  expire epoch 1800000000; # Fri Jan 15 08:00:00 2027
}
lease {
  interface "eth0";
  fixed-address 192.168.1.23;
  option dhcp-server-identifier 192.168.1.254;
  option dhcp-lease-time 86400;
  renew 4 2024/01/04 20:00:00;
  expire 5 2024/01/05 22:00:00;
}
)");
    const auto eth0 = parseDhclientLeases(text, QStringLiteral("eth0"));
    ASSERT_TRUE(eth0);
    EXPECT_EQ(eth0->address, QStringLiteral("192.168.1.23"));
    EXPECT_EQ(eth0->server, QStringLiteral("192.168.1.254"));
    EXPECT_EQ(eth0->expires, 1704492000); // 2024-01-05 22:00:00 UTC
    EXPECT_EQ(eth0->obtained, 1704492000 - 86400);

    const auto wlan0 = parseDhclientLeases(text, QStringLiteral("wlan0"));
    ASSERT_TRUE(wlan0);
    EXPECT_EQ(wlan0->expires, 1800000000);
    EXPECT_EQ(wlan0->obtained, -1); // no lease time given
    EXPECT_FALSE(parseDhclientLeases(text, QStringLiteral("eth1")));
}

TEST(DhcpLeaseFiles, NetworkdLeaseAndNetworkManagerOptions)
{
    const QString networkd = QStringLiteral("# This is private data. Do not parse.\n"
                                            "ADDRESS=192.168.7.40\nNETMASK=255.255.255.0\n"
                                            "ROUTER=192.168.7.1\nSERVER_ADDRESS=192.168.7.2\n"
                                            "LIFETIME=7200\n");
    const auto lease = parseNetworkdLease(networkd, 1700000000);
    ASSERT_TRUE(lease);
    EXPECT_EQ(lease->address, QStringLiteral("192.168.7.40"));
    EXPECT_EQ(lease->server, QStringLiteral("192.168.7.2"));
    EXPECT_EQ(lease->obtained, 1700000000);
    EXPECT_EQ(lease->expires, 1700007200);
    EXPECT_FALSE(parseNetworkdLease(QStringLiteral("# nothing\n"), 0));

    const QString nmcli = QStringLiteral("DHCP4.OPTION[1]:broadcast_address = 192.168.1.255\n"
                                         "DHCP4.OPTION[2]:dhcp_lease_time = 86400\n"
                                         "DHCP4.OPTION[3]:dhcp_server_identifier = 192.168.1.1\n"
                                         "DHCP4.OPTION[4]:expiry = 1700086400\n"
                                         "DHCP4.OPTION[5]:ip_address = 192.168.1.77\n");
    const auto managed = parseNmcliDhcp4(nmcli);
    ASSERT_TRUE(managed);
    EXPECT_EQ(managed->server, QStringLiteral("192.168.1.1"));
    EXPECT_EQ(managed->address, QStringLiteral("192.168.1.77"));
    EXPECT_EQ(managed->expires, 1700086400);
    EXPECT_EQ(managed->obtained, 1700000000);
    // A device without DHCP prints no option lines.
    EXPECT_FALSE(parseNmcliDhcp4(QString()));
}

TEST(HardwareAddress, UpperCaseHexPairsJoinedByHyphens)
{
    const QByteArray mac = parseColonHexAddress(QStringLiteral("00:50:7f:a1:b2:c3\n"));
    EXPECT_EQ(formatPhysicalAddress(mac), QStringLiteral("00-50-7F-A1-B2-C3"));
    // Any length the hardware has, and none at all for a tunnel.
    EXPECT_EQ(formatPhysicalAddress(QByteArray::fromHex("0a0b")), QStringLiteral("0A-0B"));
    EXPECT_EQ(formatPhysicalAddress({}), QString());
    EXPECT_TRUE(parseColonHexAddress(QStringLiteral("00:5g:7f")).isEmpty());
}

TEST(DnsCycle, AdvancesAndWrapsAtAnEmptyEntryOrAfterTheTenth)
{
    std::array<QString, kDnsServerSlots> three{QStringLiteral("a"), QStringLiteral("b"),
                                               QStringLiteral("c")};
    EXPECT_EQ(nextDnsIndex(three, 0), 1);
    EXPECT_EQ(nextDnsIndex(three, 1), 2);
    EXPECT_EQ(nextDnsIndex(three, 2), 0);

    std::array<QString, kDnsServerSlots> ten;
    for (int i = 0; i < kDnsServerSlots; ++i)
        ten[size_t(i)] = QString::number(i);
    EXPECT_EQ(nextDnsIndex(ten, 8), 9);
    EXPECT_EQ(nextDnsIndex(ten, 9), 0);
    // An index left over from a longer list falls back to the start.
    EXPECT_EQ(nextDnsIndex(three, 7), 0);
}

} // namespace
} // namespace quendal
