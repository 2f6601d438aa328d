// A line naming thousands of ports: the index must still give each port the rule's answer (and
// do so in one pass over the line; the time is measured, not asserted).
#include "netinfo/core/PortDefinitions.h"
#include "netinfo/support/PortDefinitionRule.h"

#include <gtest/gtest.h>

namespace quendal {
namespace {

using test::portDefinitionFor;

constexpr int kPortsOnTheLine = 16000;

int digitCount(int n)
{
    int digits = 1;
    while (n >= 10) {
        n /= 10;
        ++digits;
    }
    return digits;
}

TEST(PortDefinitionLongLine, AscendingPortsAreEachAnnotatedByTheirOwnKey)
{
    QByteArray line = "many";
    for (int port = 1; port <= kPortsOnTheLine; ++port)
        line += ' ' + QByteArray::number(port) + "/udp";
    const std::vector<int> index = indexPortDefinitions({line});
    for (int port = 0; port < 65536; ++port)
        ASSERT_EQ(index[size_t(port)], port >= 1 && port <= kPortsOnTheLine ? 0 : -1) << port;
}

TEST(PortDefinitionLongLine, DescendingPortsLoseKeysFirstSeenAsTheSuffixOfALargerPort)
{
    QByteArray line = "many";
    for (int port = kPortsOnTheLine; port >= 1; --port)
        line += ' ' + QByteArray::number(port) + "/udp";
    // A second, short line: ports decided on the first line are decided afresh here.
    const QByteArray second = "again 5/udp 15/udp";
    const std::vector<int> index = indexPortDefinitions({line, second});
    for (int port = 1; port <= kPortsOnTheLine; ++port) {
        // The first "<port>/udp" is the end of 1<port>, 2<port>, ... when such a port is named.
        int power = 1;
        for (int d = digitCount(port); d > 0; --d)
            power *= 10;
        const bool ownKeyFirst = power + port > kPortsOnTheLine;
        const int expected = port == 5 || port == 15 ? 1 : ownKeyFirst ? 0 : -1;
        ASSERT_EQ(index[size_t(port)], expected) << port;
    }
    EXPECT_EQ(index[0], -1);
    EXPECT_EQ(index[kPortsOnTheLine + 1], -1);
    // Spot checks against the plain rule.
    for (const quint16 port : {1, 5, 15, 999, 1000, 6000, 9999, 10000, 16000})
        EXPECT_EQ(portDefinitionFor(port, {line, second}).has_value(), index[port] >= 0) << port;
}

} // namespace
} // namespace quendal
