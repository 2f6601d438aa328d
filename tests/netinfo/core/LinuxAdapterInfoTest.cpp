#include "netinfo/core/LinuxAdapterInfo.h"

#include "netinfo/core/CIpHelper.h"
#include "netinfo/core/ResolverConfig.h"
#include "support/TestSupport.h"

#include <QSysInfo>

#include <algorithm>
#include <gtest/gtest.h>

namespace quendal {
namespace {

// This machine's own interfaces, read as the Client page reads them.
TEST(LinuxAdapterInfo, ReadsTheLoopbackInterfaceHostNameAndResolver)
{
    CIpHelper helper(systemAdapterInfo(), nullptr);
    NetworkInfo info;
    ASSERT_TRUE(helper.ReadNetworkInfo(info));
    EXPECT_EQ(info.AdapterCount, info.Adapters.size());
    EXPECT_EQ(info.HostName, QSysInfo::machineHostName());

    const auto lo =
        std::find_if(info.Adapters.begin(), info.Adapters.end(),
                     [](const AdapterRecord& a) { return a.Description == QLatin1String("lo"); });
    ASSERT_NE(lo, info.Adapters.end());
    const QByteArray ifindex =
        test::readFile(QStringLiteral("/sys/class/net/lo/ifindex")).trimmed();
    EXPECT_EQ(lo->Index, ifindex.toUInt());
    EXPECT_EQ(lo->IpAddress, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(lo->SubnetMask, QStringLiteral("255.0.0.0"));
    EXPECT_EQ(lo->PhysicalAddress, QStringLiteral("00-00-00-00-00-00"));
    EXPECT_TRUE(lo->DefaultGateway.isEmpty());
    EXPECT_FALSE(lo->DhcpEnabled);

    const QStringList servers = chooseDnsServers(
        QString::fromUtf8(test::readFile(QStringLiteral("/etc/resolv.conf"))), std::nullopt);
    // resolved's stub may be replaced by its upstream servers; anything else is shown as listed.
    if (!servers.isEmpty() && !servers[0].startsWith(QLatin1String("127.0.0.5"))) {
        EXPECT_EQ(info.DnsServers[0], servers[0]);
    }
}

TEST(LinuxAdapterInfo, LeaseChangesForAnUnknownAdapterFailWithoutEffect)
{
    LinuxAdapterInfo source;
    // No interface has this index, so nothing is run at all.
    const LeaseOutcome released = source.releaseLease(0x7FFFFFF0);
    EXPECT_FALSE(released.ok);
    EXPECT_EQ(released.error, QStringLiteral("no adapter with index 2147483632"));
    EXPECT_FALSE(source.renewLease(0x7FFFFFF0).ok);
}

} // namespace
} // namespace quendal
