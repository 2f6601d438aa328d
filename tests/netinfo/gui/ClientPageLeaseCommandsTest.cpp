#include "app/core/SettingsStore.h"
#include "app/gui/CPortSettingsDlg.h"
#include "app/gui/CSysLogDlg.h"
#include "app/gui/FakeTrayIcon.h"
#include "netinfo/core/LeaseTime.h"
#include "netinfo/core/LinuxAdapterInfo.h"
#include "netinfo/gui/CClientControlPage.h"
#include "netinfo/support/DhcpTestNetwork.h"
#include "netinfo/support/FakeAdapterInfo.h"
#include "receiver/core/CSysLogSocket.h"
#include "receiver/core/ReceptionEngine.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <arpa/inet.h>
#include <cstdio>
#include <gtest/gtest.h>

namespace quendal {
namespace {

using Page = CClientControlPage;
using test::DhcpTestNetwork;

int envOr(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

// Adapters as prepared, but release and renew through the program's real lease control, which
// runs the slow lease manager of the test tree for loopback.
class PreparedAdaptersRealLeases : public test::FakeAdapterInfo
{
public:
    explicit PreparedAdaptersRealLeases(const LeaseSetup& setup) : real_(setup) {}
    LeaseOutcome releaseLease(quint32 adapterIndex) override
    {
        released.push_back(adapterIndex);
        return real_.releaseLease(adapterIndex);
    }
    LeaseOutcome renewLease(quint32 adapterIndex) override
    {
        renewed.push_back(adapterIndex);
        return real_.renewLease(adapterIndex);
    }

private:
    LinuxAdapterInfo real_;
};

// The longest time the event loop went without a turn, watched with a 10 ms timer.
class StallWatch
{
public:
    StallWatch()
    {
        clock_.start();
        QObject::connect(&timer_, &QTimer::timeout,
                         [this] { longest_ = std::max(longest_, clock_.restart()); });
        timer_.start(10);
    }
    qint64 longestMs() const { return longest_; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
};

// The main window receiving on 127.0.0.1, its Client page over `adapters`.
class ClientPageInWindow : public ::testing::Test
{
protected:
    void build(std::shared_ptr<AdapterInfoSource> adapters)
    {
        ASSERT_TRUE(dir_.isValid());
        store_ = std::make_unique<SettingsStore>(dir_.filePath(QStringLiteral("settings.ini")));
        store_->store(dir_.path(), std::nullopt);
        MainWindowOptions options;
        options.store = store_.get();
        options.listenAddress = htonl(INADDR_LOOPBACK);
        options.trayIcon = &tray_;
        options.adapterInfo = std::move(adapters);
        options.routerSearch =
            RouterSearchTarget{QHostAddress(QHostAddress::LocalHost), router_.port()};
        window_ = std::make_unique<CSysLogDlg>(options);
        window_->resize(900, 640);
        window_->show();
        window_->sheet()->setCurrentIndex(CSysLogDlg::ClientPage);
        page_ = qobject_cast<Page*>(window_->sheet()->widget(CSysLogDlg::ClientPage));
        ASSERT_NE(page_, nullptr);
        ASSERT_TRUE(waitIdle());
    }

    // Runs the event loop without pauses (QTest::qWaitFor sleeps 10 ms between turns, and the
    // receiver takes one datagram per turn) until `done`, or for at most `ms`.
    template <typename Done> static bool pumpUntil(Done done, int ms)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > ms)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return true;
    }

    bool waitIdle(int ms = 30000)
    {
        return pumpUntil([&] { return !page_->isBusy(); }, ms);
    }

    quint16 startReceiving()
    {
        const quint16 port = test::freeUdpPort();
        window_->OnStart();
        CPortSettingsDlg* dialog = window_->settingsDialog();
        dialog->syslogPortEdit()->setText(QString::number(port));
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
        return window_->isRunning() ? port : 0;
    }

    QString shown(Page::Field field) const { return page_->value(field)->text(); }
    void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    QTemporaryDir dir_;
    test::FakeTrayIcon tray_;
    test::LoopbackPeer router_;
    std::unique_ptr<SettingsStore> store_;
    std::unique_ptr<CSysLogDlg> window_;
    Page* page_ = nullptr;
};

// While Release waits for a lease manager that takes seconds, the window goes on receiving. The
// full run (QUENDAL_RELEASE_FLOOD_COUNT=50000 QUENDAL_FAKE_LEASE_SECONDS=10) takes 10 s; the
// default is shorter.
TEST_F(ClientPageInWindow, IntakeGoesOnWhileReleaseWaitsForTheLeaseManager)
{
    const int count = envOr("QUENDAL_RELEASE_FLOOD_COUNT", 15000);
    const int rate = 5000;
    const QByteArray seconds = qgetenv("QUENDAL_FAKE_LEASE_SECONDS");
    if (seconds.isEmpty())
        qputenv("QUENDAL_FAKE_LEASE_SECONDS", QByteArray::number(count / rate + 2));

    LeaseSetup setup;
    setup.manager = LeaseManager::Dhclient;
    setup.programFolders = {
        QStringLiteral(QUENDAL_TEST_SOURCE_DIR "/netinfo/support/fake-lease-manager")};
    auto adapters = std::make_shared<PreparedAdaptersRealLeases>(setup);
    AdapterRecord lo;
    lo.Description = QStringLiteral("lo");
    lo.Index = quint32(QNetworkInterface::interfaceFromName(QStringLiteral("lo")).index());
    lo.DhcpEnabled = true;
    lo.IpAddress = QStringLiteral("127.0.0.1");
    adapters->info.Adapters = {lo};
    build(adapters);
    const quint16 port = startReceiving();
    ASSERT_NE(port, 0);

    // Sends the flood and waits until it is all in (or 10 s went by without it); the longest
    // event-loop gap meanwhile.
    auto flood = [&](quint64 storedBefore, qint64* longestGap) {
        StallWatch stalls;
        QProcess generator;
        generator.start(QStringLiteral(QUENDAL_FLOOD_BINARY),
                        {QStringLiteral("--port"), QString::number(port), QStringLiteral("--count"),
                         QString::number(count), QStringLiteral("--rate"), QString::number(rate),
                         QStringLiteral("--facilities"),
                         QStringLiteral("firewall,vpn,useraccess,call,wan")});
        EXPECT_TRUE(pumpUntil([&] { return generator.state() == QProcess::NotRunning; }, 60000));
        EXPECT_EQ(generator.exitCode(), 0) << generator.readAllStandardError().toStdString();
        const bool busyAtTheEnd = page_->isBusy();
        pumpUntil(
            [&] {
                return window_->reception()->counters().stored - storedBefore == quint64(count);
            },
            10000);
        *longestGap = stalls.longestMs();
        return busyAtTheEnd;
    };

    // The anchor: the same flood with no command running.
    qint64 idleGap = 0;
    flood(0, &idleGap);
    const quint64 idleStored = window_->reception()->counters().stored;
    EXPECT_EQ(idleStored, quint64(count));
    std::printf("idle: %llu of %d datagrams stored; longest event-loop gap %lld ms\n",
                static_cast<unsigned long long>(idleStored), count,
                static_cast<long long>(idleGap));

    ASSERT_TRUE(page_->releaseButton()->isEnabled());
    QElapsedTimer releaseClock;
    releaseClock.start();
    click(page_->releaseButton());
    ASSERT_TRUE(page_->isBusy());
    EXPECT_FALSE(page_->releaseButton()->isEnabled());
    EXPECT_FALSE(page_->renewButton()->isEnabled());
    EXPECT_EQ(page_->statusLabel()->text(), QStringLiteral("Releasing the lease of lo..."));

    qint64 releaseGap = 0;
    const bool busyThroughTheFlood = flood(idleStored, &releaseGap);
    const quint64 stored = window_->reception()->counters().stored - idleStored;
    ASSERT_TRUE(waitIdle());
    const qint64 releaseMs = releaseClock.elapsed();
    EXPECT_EQ(stored, quint64(count));
    std::printf("release ran %lld ms; %llu of %d datagrams stored (release still running when "
                "the flood ended: %s); longest event-loop gap %lld ms\n",
                static_cast<long long>(releaseMs), static_cast<unsigned long long>(stored), count,
                busyThroughTheFlood ? "yes" : "no", static_cast<long long>(releaseGap));
    // A page that waited for the command would have held the event loop for all of it, and the
    // flood would not be in: how long the loop stood still is bench/release_flood.sh's figure.
    EXPECT_EQ(page_->statusLabel()->text(), QStringLiteral("Lease released."));
    EXPECT_TRUE(page_->releaseButton()->isEnabled());
    EXPECT_EQ(adapters->released.size(), 1u);
    if (seconds.isEmpty())
        qunsetenv("QUENDAL_FAKE_LEASE_SECONDS");
}

// The window's Client page over dnsmasq and dhclient in namespaces of the test's own; the whole
// window lives in the client's namespace, its router search aimed at loopback there.
TEST_F(ClientPageInWindow, ReleaseAndRenewOverARealDhcpServer)
{
    const QString reason = DhcpTestNetwork::unavailableReason();
    if (!reason.isEmpty())
        GTEST_SKIP() << reason.toStdString();
    DhcpTestNetwork network;
    ASSERT_TRUE(network.ok()) << network.error().toStdString();
    DhcpTestNetwork::ClientSide inside(network);
    ASSERT_TRUE(inside.entered());

    // A DHCP adapter is one with a lease: the first comes through the program's lease control.
    const int index =
        QNetworkInterface::interfaceFromName(QString::fromLatin1(DhcpTestNetwork::kClientInterface))
            .index();
    const LeaseOutcome first = LinuxAdapterInfo(network.leaseSetup()).renewLease(quint32(index));
    ASSERT_TRUE(first.ok) << first.error.toStdString();
    build(systemAdapterInfo(network.leaseSetup()));
    const QString client = QString::fromLatin1(DhcpTestNetwork::kClientInterface);
    // Named "qdl-cli", or "qdl-cli (veth)" where /sys shows this namespace's devices.
    const int position =
        page_->adapterBox()->findText(client, Qt::MatchStartsWith | Qt::MatchCaseSensitive);
    ASSERT_GE(position, 0);
    page_->adapterBox()->setCurrentIndex(position);
    ASSERT_TRUE(page_->renewButton()->isEnabled());
    EXPECT_TRUE(shown(Page::IpAddressField).startsWith(QStringLiteral("10.213.7.")));
    const QString obtainedAtStart = shown(Page::LeaseObtainedField);

    auto change = [&](QPushButton* button, const char* what) {
        QElapsedTimer clock;
        clock.start();
        click(button);
        EXPECT_TRUE(page_->isBusy());
        EXPECT_FALSE(page_->renewButton()->isEnabled());
        EXPECT_TRUE(waitIdle());
        std::printf("%s on the page took %lld ms\n", what, static_cast<long long>(clock.elapsed()));
    };
    // Released first, so that Renew has something to bring back.
    change(page_->releaseButton(), "Release");
    EXPECT_EQ(page_->statusLabel()->text(), QStringLiteral("Lease released."));
    EXPECT_TRUE(shown(Page::IpAddressField).isEmpty());
    EXPECT_EQ(page_->adapterBox()->currentIndex(), position);
    // The lease a Renew brings must show, not an earlier one: those are moved back to 2001.
    network.backdateRecordedLeases();

    change(page_->renewButton(), "Renew");
    EXPECT_EQ(page_->statusLabel()->text(), QStringLiteral("Lease renewed."));
    EXPECT_TRUE(shown(Page::IpAddressField).startsWith(QStringLiteral("10.213.7.")));
    EXPECT_EQ(shown(Page::SubnetMaskField), QStringLiteral("255.255.255.0"));
    EXPECT_EQ(shown(Page::DefaultGatewayField),
              QString::fromLatin1(DhcpTestNetwork::kServerAddress));
    EXPECT_EQ(shown(Page::DhcpServerField), QString::fromLatin1(DhcpTestNetwork::kServerAddress));
    EXPECT_EQ(shown(Page::DnsServerField), QString::fromLatin1(DhcpTestNetwork::kDnsServers[0]));
    click(page_->nextDnsButton());
    EXPECT_EQ(shown(Page::DnsServerField), QString::fromLatin1(DhcpTestNetwork::kDnsServers[1]));
    const QString firstObtained = shown(Page::LeaseObtainedField);
    EXPECT_NE(firstObtained, DhcpTestNetwork::backdatedObtained());
    EXPECT_FALSE(obtainedAtStart.isEmpty());
    EXPECT_FALSE(firstObtained.isEmpty());
    if (const QByteArray folder = qgetenv("QUENDAL_SCREENSHOT_DIR"); !folder.isEmpty())
        window_->grab().save(QString::fromLocal8Bit(folder) +
                             QStringLiteral("/client-page-dhcp.png"));

    network.backdateRecordedLeases();
    change(page_->renewButton(), "Renew of a bound lease");
    EXPECT_TRUE(shown(Page::IpAddressField).startsWith(QStringLiteral("10.213.7.")));
    EXPECT_NE(shown(Page::LeaseObtainedField), DhcpTestNetwork::backdatedObtained());
    EXPECT_FALSE(shown(Page::LeaseObtainedField).isEmpty());

    // The server gone: the page says what dhclient said.
    network.stopServer();
    change(page_->releaseButton(), "Release");
    change(page_->renewButton(), "Renew without a server");
    EXPECT_EQ(
        page_->statusLabel()->text(),
        QStringLiteral("Renew failed: dhclient exited with status 2: Unable to obtain a lease "
                       "on first try.  Exiting."));
    EXPECT_TRUE(shown(Page::IpAddressField).isEmpty());
    EXPECT_TRUE(page_->renewButton()->isEnabled());
    window_.reset();
}

} // namespace
} // namespace quendal
