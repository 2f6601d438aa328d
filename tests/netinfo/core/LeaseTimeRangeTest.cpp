// Lease times come from files and command output this program does not write: times out of
// range must give an empty field, never a wrapped-round date or undefined behaviour.
#include "netinfo/core/DhcpLease.h"
#include "netinfo/core/LeaseTime.h"

#include <gtest/gtest.h>
#include <limits>

namespace quendal {
namespace {

constexpr qint64 kMaxTime = std::numeric_limits<qint64>::max();

TEST(LeaseTimeRange, FourDigitYearsOnlyLaterTimesAreUnknown)
{
    EXPECT_EQ(formatLeaseTime(kLastLeaseTime), QStringLiteral("Fri Dec 31 23:59:59 9999\n"));
    EXPECT_TRUE(formatLeaseTime(kLastLeaseTime + 1).isEmpty());
    // Around the year 2^31, where the broken-down year plus 1900 overflows an int.
    EXPECT_TRUE(formatLeaseTime(67767976233532799).isEmpty());
    EXPECT_TRUE(formatLeaseTime(67767976233532800).isEmpty());
    EXPECT_TRUE(formatLeaseTime(kMaxTime).isEmpty());
    EXPECT_TRUE(formatLeaseTime(std::numeric_limits<qint64>::min()).isEmpty());
}

TEST(LeaseTimeRange, NetworkdLifetimeThatOverflowsIsAnUnknownExpiry)
{
    const auto lease = parseNetworkdLease(
        QStringLiteral("ADDRESS=192.168.7.40\nLIFETIME=9223372036854775000\n"), 1704067200);
    ASSERT_TRUE(lease);
    EXPECT_EQ(lease->obtained, 1704067200);
    EXPECT_EQ(lease->expires, -1);
    EXPECT_TRUE(formatLeaseTime(lease->expires).isEmpty());

    EXPECT_EQ(parseNetworkdLease(QStringLiteral("ADDRESS=1.2.3.4\nLIFETIME=-7200\n"), 1704067200)
                  ->expires,
              -1);
    EXPECT_EQ(parseNetworkdLease(QStringLiteral("ADDRESS=1.2.3.4\nLIFETIME=7200\n"), -1)->expires,
              -1);
    // A file dated before 1970 says nothing about when the lease began.
    const auto old = parseNetworkdLease(QStringLiteral("ADDRESS=1.2.3.4\nLIFETIME=7200\n"), -7200);
    EXPECT_EQ(old->obtained, -1);
    EXPECT_EQ(old->expires, -1);
    EXPECT_EQ(
        parseNetworkdLease(QStringLiteral("ADDRESS=1.2.3.4\nLIFETIME=7200\n"), 1704067200)->expires,
        1704067200 + 7200);
}

TEST(LeaseTimeRange, DhclientLeaseTimeThatOverflowsIsAnUnknownStart)
{
    const auto lease = parseDhclientLeases(QStringLiteral("lease {\n  interface \"eth0\";\n"
                                                          "  option dhcp-lease-time -1;\n"
                                                          "  expire epoch 9223372036854775807;\n"
                                                          "}\n"),
                                           QStringLiteral("eth0"));
    ASSERT_TRUE(lease);
    EXPECT_EQ(lease->expires, kMaxTime);
    EXPECT_EQ(lease->obtained, -1);
    EXPECT_TRUE(formatLeaseTime(lease->expires).isEmpty());
    EXPECT_TRUE(formatLeaseTime(lease->obtained).isEmpty());

    // Negative times are unknown times.
    const auto negative = parseDhclientLeases(
        QStringLiteral("lease { interface \"eth0\"; expire epoch -5; }"), QStringLiteral("eth0"));
    ASSERT_TRUE(negative);
    EXPECT_EQ(negative->expires, -1);

    // A lease time longer than the time since 1970 gives no start before it either.
    const auto early = parseDhclientLeases(QStringLiteral("lease { interface \"eth0\";\n"
                                                          "option dhcp-lease-time 7200;\n"
                                                          "expire epoch 3600; }\n"),
                                           QStringLiteral("eth0"));
    ASSERT_TRUE(early);
    EXPECT_EQ(early->obtained, -1);
}

TEST(LeaseTimeRange, NetworkManagerLeaseTimeOutOfRangeIsAnUnknownStart)
{
    const auto lease =
        parseNmcliDhcp4(QStringLiteral("DHCP4.OPTION[1]:expiry = 1704067200\n"
                                       "DHCP4.OPTION[2]:dhcp_lease_time = -9223372036854775807\n"));
    ASSERT_TRUE(lease);
    EXPECT_EQ(lease->expires, 1704067200);
    EXPECT_EQ(lease->obtained, -1);
}

} // namespace
} // namespace quendal
