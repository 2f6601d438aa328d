#include "netinfo/core/LeaseControl.h"

#include "netinfo/core/LinuxAdapterInfo.h"

#include <QElapsedTimer>
#include <QNetworkInterface>

#include <gtest/gtest.h>

namespace quendal {
namespace {

// The slow lease manager of the test tree, found before the machine's own dhclient.
QStringList fakeManagerFolder()
{
    return {QStringLiteral(QUENDAL_TEST_SOURCE_DIR "/netinfo/support/fake-lease-manager")};
}

QStringList words(std::initializer_list<const char*> list)
{
    QStringList out;
    for (const char* word : list)
        out << QString::fromLatin1(word);
    return out;
}

// Sets an environment variable for one test and restores it afterwards.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const QByteArray& value) : name_(name), old_(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (old_.isNull())
            qunsetenv(name_);
        else
            qputenv(name_, old_);
    }

private:
    const char* name_;
    QByteArray old_;
};

TEST(LeaseControl, DhclientIsToldTheFilesItMustUseAndTriesOnceOnRenew)
{
    LeaseSetup setup;
    setup.dhclientLeaseFile = QStringLiteral("/t/leases");
    setup.dhclientPidFile = QStringLiteral("/t/pid");
    setup.dhclientScript = QStringLiteral("/t/script");
    EXPECT_EQ(
        leaseCommands(LeaseManager::Dhclient, LeaseAction::Release, QStringLiteral("eth1"), setup),
        QList<QStringList>({words({"dhclient", "-v", "-r", "-lf", "/t/leases", "-pf", "/t/pid",
                                   "-sf", "/t/script", "eth1"})}));
    EXPECT_EQ(leaseCommands(LeaseManager::Dhclient, LeaseAction::Renew, QStringLiteral("eth1")),
              QList<QStringList>({words({"dhclient", "-v", "-1", "eth1"})}));
    EXPECT_EQ(
        leaseCommands(LeaseManager::Dhclient, LeaseAction::Renew, QStringLiteral("eth1"), {}, true),
        QList<QStringList>(
            {words({"dhclient", "-v", "-x", "eth1"}), words({"dhclient", "-v", "-1", "eth1"})}));
    EXPECT_EQ(
        leaseCommands(LeaseManager::Networkd, LeaseAction::Renew, QStringLiteral("en0")).size(), 2);
    EXPECT_TRUE(
        leaseCommands(LeaseManager::None, LeaseAction::Renew, QStringLiteral("en0")).isEmpty());
}

TEST(LeaseControl, FailuresSayWhatWentWrongInTheCommandsOwnWords)
{
    const ScopedEnv quick("QUENDAL_FAKE_LEASE_SECONDS", "0");
    const ScopedEnv refuse("QUENDAL_FAKE_LEASE_STATUS", "2");
    const LeaseOutcome refused =
        runLeaseCommands({words({"dhclient", "-r", "eth9"})}, 5000, fakeManagerFolder());
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.error,
              QStringLiteral("dhclient exited with status 2: fake dhclient: no lease for -r eth9"));

    const LeaseOutcome missing =
        runLeaseCommands({words({"quendal-no-such-lease-tool", "renew"})}, 5000, {});
    EXPECT_EQ(missing.error, QStringLiteral("quendal-no-such-lease-tool is not installed"));
    EXPECT_EQ(runLeaseCommands({}, 5000).error,
              QStringLiteral("no DHCP client or network manager on this machine"));
}

TEST(LeaseControl, ACommandThatHangsIsStoppedAtItsTimeout)
{
    const ScopedEnv slow("QUENDAL_FAKE_LEASE_SECONDS", "10");
    QElapsedTimer clock;
    clock.start();
    const LeaseOutcome outcome =
        runLeaseCommands({words({"dhclient", "eth9"})}, 300, fakeManagerFolder());
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.error, QStringLiteral("dhclient gave no answer within 0.3 s"));
    EXPECT_LT(clock.elapsed(), 5000);
}

// The adapter source runs the injected manager for the interface it is asked about.
TEST(LeaseControl, TheAdapterSourceRunsTheInjectedLeaseManager)
{
    const ScopedEnv quick("QUENDAL_FAKE_LEASE_SECONDS", "0");
    const ScopedEnv refuse("QUENDAL_FAKE_LEASE_STATUS", "1");
    LeaseSetup setup;
    setup.manager = LeaseManager::Dhclient;
    setup.programFolders = fakeManagerFolder();
    setup.dhclientPidFile = QStringLiteral("/nonexistent/pid");
    LinuxAdapterInfo source(setup);
    EXPECT_TRUE(source.canChangeLeases());
    const int lo = QNetworkInterface::interfaceFromName(QStringLiteral("lo")).index();
    ASSERT_GT(lo, 0);
    EXPECT_EQ(source.renewLease(quint32(lo)).error,
              QStringLiteral("dhclient exited with status 1: fake dhclient: no lease for -v -1 -pf "
                             "/nonexistent/pid lo"));
}

} // namespace
} // namespace quendal
