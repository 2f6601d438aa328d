#include "common/core/SocketAddress.h"

#include "common/core/UdpSocket.h"
#include "support/Ipv6Loopback.h"
#include "support/TestSupport.h"

#include <arpa/inet.h>
#include <cstring>
#include <gtest/gtest.h>
#include <net/if.h>

namespace quendal {
namespace {

SocketAddress ipv6(const char* text, quint16 port = 514, quint32 scope = 0)
{
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_port = htons(port);
    a.sin6_scope_id = scope;
    ::inet_pton(AF_INET6, text, &a.sin6_addr);
    SocketAddress s;
    std::memcpy(s.get(), &a, sizeof a);
    return s;
}

SocketAddress ipv4(const char* text, quint16 port = 514)
{
    in_addr a{};
    ::inet_pton(AF_INET, text, &a);
    return SocketAddress::ipv4(a.s_addr, port);
}

TEST(HostAddressText, TypedAddressesTakeTheFormSendersAreShownIn)
{
    const std::pair<const char*, const char*> cases[] = {
        {"192.168.001.010", "192.168.1.10"},
        {"::1", "::1"},
        {"[::1]", "::1"},
        {"0:0:0:0:0:0:0:1", "::1"},
        {"2001:DB8:0:0:0:0:0:A", "2001:db8::a"},
        {"::ffff:192.168.1.1", "192.168.1.1"}, // an IPv4 sender shows as IPv4
        {"[fe80::1%eth0]", "fe80::1%eth0"},
    };
    for (const auto& [typed, shown] : cases)
        EXPECT_EQ(normalizedHostAddress(QString::fromLatin1(typed)), QString::fromLatin1(shown))
            << typed;

    for (const char* bad : {"", "::1 ", " ::1", "1.2.3", "[::1", "::1]", "gateway", "::g",
                            "1.2.3.4.5", "fe80::1%", "1::2::3", "[]", "12345::"})
        EXPECT_FALSE(normalizedHostAddress(QString::fromLatin1(bad))) << bad;
}

TEST(HostAddressText, PortsFollowIpv6AddressesInBrackets)
{
    EXPECT_EQ(addressWithPort(QStringLiteral("10.0.0.1"), 514), QStringLiteral("10.0.0.1:514"));
    EXPECT_EQ(addressWithPort(QStringLiteral("::1"), 514), QStringLiteral("[::1]:514"));
}

TEST(SocketAddress, IpvFourSendersReadAsDottedQuadsWhicheverWayTheyCame)
{
    const SocketAddress plain = ipv4("192.168.1.1", 40000);
    const SocketAddress mapped = ipv6("::ffff:192.168.1.1", 40001);
    EXPECT_EQ(plain.hostText(), QStringLiteral("192.168.1.1"));
    EXPECT_EQ(mapped.hostText(), QStringLiteral("192.168.1.1"));
    EXPECT_TRUE(plain.sameHost(mapped));
    EXPECT_TRUE(mapped.sameHost(plain));
    EXPECT_EQ(mapped.port(), 40001);
    EXPECT_FALSE(plain.sameHost(ipv4("192.168.1.2")));
    EXPECT_FALSE(plain.sameHost(SocketAddress()));
    EXPECT_FALSE(ipv6("::1").sameHost(ipv6("::2")));
}

TEST(SocketAddress, IpvSixSendersReadCompressedWithTheirInterfaceWhenScoped)
{
    EXPECT_EQ(ipv6("::1").hostText(), QStringLiteral("::1"));
    EXPECT_EQ(ipv6("2001:db8:0:0:1:0:0:1").hostText(), QStringLiteral("2001:db8::1:0:0:1"));
    EXPECT_EQ(ipv6("fe80::1").hostText(), QStringLiteral("fe80::1"));
    const unsigned lo = ::if_nametoindex("lo");
    ASSERT_NE(lo, 0u);
    EXPECT_EQ(ipv6("fe80::1", 514, lo).hostText(), QStringLiteral("fe80::1%lo"));
    // An interface that has gone keeps its number.
    EXPECT_EQ(ipv6("fe80::1", 514, 999999).hostText(), QStringLiteral("fe80::1%999999"));
    // The same address on two links is two senders.
    EXPECT_FALSE(ipv6("fe80::1", 514, lo).sameHost(ipv6("fe80::1", 514, 999999)));
}

TEST(SocketAddress, TextsBecomeAddressesOfTheirFamily)
{
    const auto v4 = SocketAddress::fromText(QStringLiteral("127.000.0.1"), 514);
    ASSERT_TRUE(v4);
    EXPECT_EQ(v4->family(), AF_INET);
    EXPECT_EQ(v4->port(), 514);
    EXPECT_EQ(v4->hostText(), QStringLiteral("127.0.0.1"));

    const auto v6 = SocketAddress::fromText(QStringLiteral("[::1]"), 6000);
    ASSERT_TRUE(v6);
    EXPECT_EQ(v6->family(), AF_INET6);
    EXPECT_EQ(v6->port(), 6000);
    EXPECT_EQ(v6->length(), socklen_t(sizeof(sockaddr_in6)));

    // A mapped IPv4 address is taken as the IPv4 address it carries.
    const auto mapped = SocketAddress::fromText(QStringLiteral("::ffff:127.0.0.1"), 1);
    ASSERT_TRUE(mapped);
    EXPECT_EQ(mapped->family(), AF_INET);

    const auto scoped = SocketAddress::fromText(QStringLiteral("fe80::1%lo"), 1);
    ASSERT_TRUE(scoped);
    EXPECT_EQ(scoped->hostText(), QStringLiteral("fe80::1%lo"));

    QString error;
    EXPECT_FALSE(SocketAddress::fromText(QStringLiteral("fe80::1%nosuch9"), 1, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("nosuch9"))) << qPrintable(error);
    EXPECT_FALSE(SocketAddress::fromText(QStringLiteral("router"), 1, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("router"))) << qPrintable(error);
}

TEST(SocketAddress, LoopbackOfEitherFamilyIsKnown)
{
    EXPECT_TRUE(ipv4("127.0.0.2").isLoopback());
    EXPECT_TRUE(ipv6("::ffff:127.0.0.1").isLoopback());
    EXPECT_TRUE(ipv6("::1").isLoopback());
    EXPECT_FALSE(ipv4("192.168.1.1").isLoopback());
    EXPECT_FALSE(ipv6("fe80::1").isLoopback());
    EXPECT_FALSE(ipv6("::").isLoopback());
}

TEST(UdpSocketOnEveryInterface, HearsIpv4AndIpv6SendersAndNamesThemApart)
{
    QUENDAL_SKIP_WITHOUT_IPV6_LOOPBACK();
    UdpSocket socket;
    QString error;
    ASSERT_TRUE(socket.openEveryInterface(0, &error)) << qPrintable(error);
    EXPECT_EQ(socket.family(), AF_INET6);

    test::LoopbackPeer v4;
    test::Ipv6LoopbackPeer v6;
    v4.sendTo(socket.localPort(), "from v4");
    v6.sendTo(socket.localPort(), "from v6");

    QStringList senders;
    char buffer[64];
    ASSERT_TRUE(test::waitUntil([&] {
        SocketAddress from;
        if (const qsizetype n = socket.receive(buffer, sizeof buffer, &from); n > 0)
            senders << QString::fromLatin1(buffer, n) + QLatin1Char(' ') + from.hostText();
        return senders.size() == 2;
    }));
    EXPECT_EQ(senders,
              (QStringList{QStringLiteral("from v4 127.0.0.1"), QStringLiteral("from v6 ::1")}));
}

TEST(UdpSocketOnEveryInterface, APortTakenOnEitherFamilyIsAFailureNotAFallback)
{
    UdpSocket taken;
    ASSERT_TRUE(taken.open(0, htonl(INADDR_ANY)));
    UdpSocket socket;
    QString error;
    EXPECT_FALSE(socket.openEveryInterface(taken.localPort(), &error));
    EXPECT_FALSE(socket.isOpen());
    EXPECT_TRUE(error.contains(QStringLiteral("in use"))) << qPrintable(error);

    // Taken on IPv6 alone: falling back to IPv4 would leave IPv6 senders unheard.
    QUENDAL_SKIP_WITHOUT_IPV6_LOOPBACK();
    ASSERT_TRUE(taken.open(SocketAddress::any(AF_INET6, 0)));
    EXPECT_FALSE(socket.openEveryInterface(taken.localPort(), &error));
    EXPECT_FALSE(socket.isOpen());
}

TEST(UdpSocketOnOneAddress, AnIpv6AddressTakesIpv6Alone)
{
    QUENDAL_SKIP_WITHOUT_IPV6_LOOPBACK();
    // A port kept free of other tests on IPv4, so that only the IPv6 socket can stand in the way.
    const quint16 port = test::freeUdpPort();
    UdpSocket socket;
    QString error;
    ASSERT_TRUE(socket.open(SocketAddress::any(AF_INET6, port), &error)) << qPrintable(error);
    // Binding IPv4 to the same port works: the IPv6 socket left IPv4 alone.
    UdpSocket beside;
    EXPECT_TRUE(beside.open(port, htonl(INADDR_LOOPBACK), &error)) << qPrintable(error);
}

} // namespace
} // namespace quendal
