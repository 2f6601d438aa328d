#include "netinfo/core/DhcpLease.h"
#include "netinfo/core/LeaseTime.h"
#include "netinfo/core/LinuxAdapterInfo.h"
#include "netinfo/support/DhcpTestNetwork.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QNetworkInterface>
#include <QThread>

#include <cstdio>
#include <gtest/gtest.h>

namespace quendal {
namespace {

using test::DhcpTestNetwork;

const AdapterRecord* findAdapter(const NetworkInfo& info, const QString& name)
{
    for (const AdapterRecord& adapter : info.Adapters)
        if (adapter.Description.section(QLatin1Char(' '), 0, 0) == name)
            return &adapter;
    return nullptr;
}

// Release and Renew through the program's own adapter source and lease control, against dnsmasq
// and dhclient in namespaces of the test's own.
class DhcpOverRealServer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString reason = DhcpTestNetwork::unavailableReason();
        if (!reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
        network_ = std::make_unique<DhcpTestNetwork>();
        ASSERT_TRUE(network_->ok()) << network_->error().toStdString();
        inside_ = std::make_unique<DhcpTestNetwork::ClientSide>(*network_);
        ASSERT_TRUE(inside_->entered());
        index_ = quint32(QNetworkInterface::interfaceFromName(client()).index());
        ASSERT_GT(index_, 0u);
    }
    void TearDown() override
    {
        inside_.reset();
        if (network_ &&
            (HasFailure() || qEnvironmentVariableIsSet("QUENDAL_PRINT_FIXTURE_COMMANDS")))
            std::fprintf(stderr, "fixture commands:\n%s\n", qPrintable(network_->commands()));
        network_.reset();
    }

    static QString client() { return QString::fromLatin1(DhcpTestNetwork::kClientInterface); }

    AdapterRecord read(LinuxAdapterInfo& source, NetworkInfo* whole = nullptr)
    {
        NetworkInfo info;
        EXPECT_TRUE(source.readNetworkInfo(info));
        if (whole)
            *whole = info;
        const AdapterRecord* adapter = findAdapter(info, client());
        EXPECT_NE(adapter, nullptr);
        return adapter ? *adapter : AdapterRecord{};
    }

    // Runs a release or renew, and says how long it took.
    LeaseOutcome timed(const char* what, const std::function<LeaseOutcome()>& change)
    {
        QElapsedTimer clock;
        clock.start();
        LeaseOutcome outcome = change();
        std::printf("%s took %lld ms\n", what, static_cast<long long>(clock.elapsed()));
        return outcome;
    }

    std::unique_ptr<DhcpTestNetwork> network_;
    std::unique_ptr<DhcpTestNetwork::ClientSide> inside_;
    quint32 index_ = 0;
};

TEST_F(DhcpOverRealServer, RenewReleaseRenewShowWhatTheServerGave)
{
    LinuxAdapterInfo source(network_->leaseSetup());
    ASSERT_TRUE(source.canChangeLeases());
    EXPECT_TRUE(read(source).IpAddress.isEmpty()); // no lease yet

    const qint64 before = QDateTime::currentSecsSinceEpoch();
    LeaseOutcome outcome = timed("first Renew", [&] { return source.renewLease(index_); });
    ASSERT_TRUE(outcome.ok) << outcome.error.toStdString();
    const qint64 after = QDateTime::currentSecsSinceEpoch();

    NetworkInfo info;
    const AdapterRecord bound = read(source, &info);
    EXPECT_TRUE(bound.IpAddress.startsWith(QStringLiteral("10.213.7.")))
        << bound.IpAddress.toStdString();
    const int host = bound.IpAddress.section(QLatin1Char('.'), 3).toInt();
    EXPECT_TRUE(host >= 50 && host <= 99) << host;
    EXPECT_EQ(bound.SubnetMask, QStringLiteral("255.255.255.0"));
    EXPECT_EQ(bound.DefaultGateway, QString::fromLatin1(DhcpTestNetwork::kServerAddress));
    EXPECT_EQ(bound.DhcpServer, QString::fromLatin1(DhcpTestNetwork::kServerAddress));
    EXPECT_TRUE(bound.DhcpEnabled);
    EXPECT_EQ(bound.PhysicalAddress.size(), 17);

    // The lease times are the lease dhclient recorded: obtained when we asked, for the length
    // dnsmasq gave; dnsmasq's own expiry agrees.
    const auto lease = parseDhclientLeases(
        QString::fromUtf8(test::readFile(network_->leaseSetup().dhclientLeaseFile)), client());
    ASSERT_TRUE(lease.has_value());
    EXPECT_EQ(lease->address, bound.IpAddress);
    EXPECT_EQ(lease->expires - lease->obtained, DhcpTestNetwork::kLeaseSeconds);
    EXPECT_GE(lease->obtained, before - 1);
    EXPECT_LE(lease->obtained, after + 1);
    EXPECT_EQ(bound.LeaseObtained, formatLeaseTime(lease->obtained));
    EXPECT_EQ(bound.LeaseExpires, formatLeaseTime(lease->expires));
    const qint64 serverExpiry = network_->serverLeases().split(' ').value(0).toLongLong();
    EXPECT_NEAR(double(serverExpiry), double(lease->expires), 2.0);

    // The DNS servers of the DHCP options, in their order.
    EXPECT_EQ(info.DnsServers[0], QString::fromLatin1(DhcpTestNetwork::kDnsServers[0]));
    EXPECT_EQ(info.DnsServers[1], QString::fromLatin1(DhcpTestNetwork::kDnsServers[1]));
    EXPECT_TRUE(info.DnsServers[2].isEmpty());

    outcome = timed("Release", [&] { return source.releaseLease(index_); });
    ASSERT_TRUE(outcome.ok) << outcome.error.toStdString();
    const AdapterRecord released = read(source);
    EXPECT_TRUE(released.IpAddress.isEmpty()) << released.IpAddress.toStdString();
    EXPECT_TRUE(released.DefaultGateway.isEmpty());

    // The times shown after a Renew are those of the lease it brought, not of the earlier one
    // (moved back to 2001 so that the two differ even within one second).
    network_->backdateRecordedLeases();
    const qint64 beforeRenew = QDateTime::currentSecsSinceEpoch();
    outcome = timed("Renew", [&] { return source.renewLease(index_); });
    ASSERT_TRUE(outcome.ok) << outcome.error.toStdString();
    const qint64 afterRenew = QDateTime::currentSecsSinceEpoch();
    const AdapterRecord renewed = read(source);
    EXPECT_TRUE(renewed.IpAddress.startsWith(QStringLiteral("10.213.7.")));
    EXPECT_EQ(renewed.DefaultGateway, QString::fromLatin1(DhcpTestNetwork::kServerAddress));
    const auto newest = parseDhclientLeases(
        QString::fromUtf8(test::readFile(network_->leaseSetup().dhclientLeaseFile)), client());
    ASSERT_TRUE(newest.has_value());
    EXPECT_GE(newest->obtained, beforeRenew - 1);
    EXPECT_LE(newest->obtained, afterRenew + 1);
    EXPECT_EQ(renewed.LeaseObtained, formatLeaseTime(newest->obtained));
    EXPECT_EQ(renewed.LeaseExpires, formatLeaseTime(newest->expires));
}

TEST_F(DhcpOverRealServer, FailuresCarryDhclientsOwnWords)
{
    // Without root dhclient cannot open its raw socket.
    LinuxAdapterInfo unprivileged(network_->leaseSetupWithoutRoot());
    LeaseOutcome outcome = unprivileged.renewLease(index_);
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(outcome.error.startsWith(QStringLiteral("dhclient exited with status 1: ")))
        << outcome.error.toStdString();
    EXPECT_TRUE(outcome.error.contains(QStringLiteral("Operation not permitted")))
        << outcome.error.toStdString();

    // With the server gone, one try finds nobody.
    network_->stopServer();
    LinuxAdapterInfo source(network_->leaseSetup());
    outcome = timed("Renew without a server", [&] { return source.renewLease(index_); });
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.error, QStringLiteral("dhclient exited with status 2: Unable to obtain a "
                                            "lease on first try.  Exiting."));
    EXPECT_TRUE(read(source).IpAddress.isEmpty());
}

} // namespace
} // namespace quendal
