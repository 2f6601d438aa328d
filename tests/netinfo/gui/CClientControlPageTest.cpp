#include "netinfo/gui/CClientControlPage.h"

#include "app/gui/CSysLogDlg.h"
#include "netinfo/core/CSearchSocket.h"
#include "netinfo/core/LeaseTime.h"
#include "netinfo/core/RouterList.h"
#include "netinfo/support/FakeAdapterInfo.h"
#include "netinfo/support/FakeRouterProcess.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>
#include <memory>

namespace quendal {
namespace {

using test::FakeAdapterInfo;
using test::LoopbackPeer;
using Page = CClientControlPage;

AdapterRecord adapter(const char* description, quint32 index, bool dhcp, const char* ip)
{
    AdapterRecord a;
    a.Description = QString::fromLatin1(description);
    a.Index = index;
    a.DhcpEnabled = dhcp;
    a.IpAddress = QString::fromLatin1(ip);
    a.SubnetMask = QStringLiteral("255.255.255.0");
    a.PhysicalAddress = QStringLiteral("00-1B-21-0A-0B-%1").arg(index, 2, 10, QLatin1Char('0'));
    return a;
}

// A page over a fake machine with three adapters (DHCP, not DHCP, DHCP), searching towards a
// loopback peer that plays a silent router.
class ClientPageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fake_->info.HostName = QStringLiteral("workstation");
        fake_->info.DnsServers = {QStringLiteral("192.168.1.1"), QStringLiteral("9.9.9.9"),
                                  QStringLiteral("1.1.1.1")};
        AdapterRecord eth0 = adapter("eth0 (e1000e)", 2, true, "192.168.1.23");
        eth0.DefaultGateway = QStringLiteral("192.168.1.1");
        eth0.DhcpServer = QStringLiteral("192.168.1.254");
        eth0.PrimaryWinsServer = QStringLiteral("192.168.1.5");
        eth0.SecondaryWinsServer = QStringLiteral("192.168.1.6");
        eth0.LeaseObtained = formatLeaseTime(1709622489);
        eth0.LeaseExpires = formatLeaseTime(1709708889);
        AdapterRecord lo = adapter("lo", 1, false, "127.0.0.1");
        // What a machine reports for an adapter without a lease.
        lo.LeaseObtained = lo.LeaseExpires = formatLeaseTime(0);
        fake_->info.Adapters = {eth0, lo, adapter("wlan0 (iwlwifi)", 3, true, "10.0.0.7")};
    }

    Page& makePage(const RouterSearchTarget& target)
    {
        page_ = std::make_unique<Page>(CIpHelper(fake_, nullptr), target);
        page_->resize(760, 420);
        page_->show();
        waitIdle();
        return *page_;
    }
    Page& makePage() { return makePage({QHostAddress(QHostAddress::LocalHost), router_.port()}); }

    // The adapters are read, and any release or renew is over.
    void waitIdle()
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !page_->isBusy(); }, 10000));
    }
    QString shown(Page::Field field) const { return page_->value(field)->text(); }
    void select(int adapterIndex) { page_->adapterBox()->setCurrentIndex(adapterIndex); }
    void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    std::shared_ptr<FakeAdapterInfo> fake_ = std::make_shared<FakeAdapterInfo>();
    LoopbackPeer router_;
    std::unique_ptr<Page> page_;
};

TEST_F(ClientPageTest, SetUpSearchesOnceAndShowsTheFirstAdapterWithEveryText)
{
    Page& page = makePage();
    ASSERT_TRUE(router_.waitForDatagrams(1));
    EXPECT_EQ(router_.received().front().size(), 54);
    EXPECT_EQ(fake_->reads, 1);

    EXPECT_EQ(page.windowTitle(), QStringLiteral("Client"));
    EXPECT_EQ(page.label(Page::HostNameField)->text(), QStringLiteral("Host Name:"));
    EXPECT_EQ(page.descriptionLabel()->text(), QStringLiteral("Description:"));
    EXPECT_EQ(page.label(Page::LeaseExpiresField)->text(), QStringLiteral("Lease Expires:"));
    EXPECT_EQ(page.searchButton()->text(), QStringLiteral("Search..."));
    EXPECT_EQ(page.releaseButton()->text(), QStringLiteral("Release"));
    EXPECT_EQ(page.renewButton()->text(), QStringLiteral("Renew"));
    EXPECT_EQ(page.nextDnsButton()->text(), QStringLiteral("..."));
    EXPECT_TRUE(page.releaseButton()->isDefault());

    EXPECT_EQ(shown(Page::HostNameField), QStringLiteral("workstation"));
    EXPECT_EQ(shown(Page::DnsServerField), QStringLiteral("192.168.1.1"));
    EXPECT_EQ(shown(Page::PhysicalAddressField), QStringLiteral("00-1B-21-0A-0B-02"));
    EXPECT_EQ(shown(Page::IpAddressField), QStringLiteral("192.168.1.23"));
    EXPECT_EQ(shown(Page::SubnetMaskField), QStringLiteral("255.255.255.0"));
    EXPECT_EQ(shown(Page::DefaultGatewayField), QStringLiteral("192.168.1.1"));
    EXPECT_EQ(shown(Page::DhcpServerField), QStringLiteral("192.168.1.254"));
    EXPECT_EQ(shown(Page::LeaseObtainedField), QStringLiteral("Tue Mar 05 07:08:09 2024"));
    EXPECT_EQ(shown(Page::LeaseExpiresField), QStringLiteral("Wed Mar 06 07:08:09 2024"));
    // WINS: set like the others, never shown.
    EXPECT_EQ(shown(Page::PrimaryWinsField), QStringLiteral("192.168.1.5"));
    EXPECT_EQ(shown(Page::SecondaryWinsField), QStringLiteral("192.168.1.6"));
    EXPECT_FALSE(page.value(Page::PrimaryWinsField)->isVisible());
    EXPECT_FALSE(page.label(Page::SecondaryWinsField)->isVisible());
    EXPECT_TRUE(page.value(Page::DhcpServerField)->isVisible());

    ASSERT_EQ(page.adapterBox()->count(), 3);
    EXPECT_EQ(page.adapterBox()->itemText(2), QStringLiteral("wlan0 (iwlwifi)"));
    EXPECT_EQ(page.adapterBox()->currentIndex(), 0);
    EXPECT_TRUE(page.releaseButton()->isEnabled());
    EXPECT_TRUE(page.renewButton()->isEnabled());

    for (int c = 0; c < 2; ++c)
        EXPECT_EQ(page.routerView()->columnWidth(c), 105);
    EXPECT_GE(page.routerView()->columnWidth(2), 105); // the last one fills the header
    EXPECT_EQ(page.routerView()->model()->headerData(0, Qt::Horizontal).toString(),
              QStringLiteral("MAC Address"));
}

TEST_F(ClientPageTest, SelectingAnAdapterShowsItAndAllowsLeaseChangesOnlyForDhcp)
{
    Page& page = makePage();
    click(page.nextDnsButton());
    select(1);
    EXPECT_EQ(shown(Page::IpAddressField), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(shown(Page::LeaseObtainedField), QStringLiteral("Thu Jan 01 00:00:00 1970"));
    EXPECT_EQ(shown(Page::LeaseExpiresField), QStringLiteral("Thu Jan 01 00:00:00 1970"));
    EXPECT_TRUE(shown(Page::DefaultGatewayField).isEmpty());
    EXPECT_TRUE(shown(Page::PrimaryWinsField).isEmpty());
    EXPECT_FALSE(page.releaseButton()->isEnabled());
    EXPECT_FALSE(page.renewButton()->isEnabled());
    // Host and DNS stay as they were.
    EXPECT_EQ(shown(Page::DnsServerField), QStringLiteral("9.9.9.9"));
    EXPECT_EQ(shown(Page::HostNameField), QStringLiteral("workstation"));

    select(2);
    EXPECT_EQ(shown(Page::IpAddressField), QStringLiteral("10.0.0.7"));
    EXPECT_TRUE(page.releaseButton()->isEnabled());
    EXPECT_TRUE(page.renewButton()->isEnabled());
    EXPECT_EQ(fake_->reads, 1); // selection is display only
}

TEST_F(ClientPageTest, LeaseButtonsStayOffWhereNoOneCanChangeLeasesOrAdapterZeroIsStatic)
{
    fake_->leasesChangeable = false;
    Page& page = makePage();
    EXPECT_FALSE(page.releaseButton()->isEnabled());
    EXPECT_EQ(
        page.statusLabel()->text(),
        QStringLiteral("No DHCP client or network manager here to release or renew a lease."));
    select(2);
    EXPECT_FALSE(page.renewButton()->isEnabled());

    fake_->leasesChangeable = true;
    std::swap(fake_->info.Adapters[0], fake_->info.Adapters[1]);
    Page& staticFirst = makePage();
    EXPECT_EQ(staticFirst.adapterBox()->currentText(), QStringLiteral("lo"));
    EXPECT_FALSE(staticFirst.releaseButton()->isEnabled());
    EXPECT_FALSE(staticFirst.renewButton()->isEnabled());
}

TEST_F(ClientPageTest, ReleaseAndRenewAskForTheSelectedAdapterAndShowTheStateAfterwards)
{
    Page& page = makePage();
    fake_->onLeaseChange = [](NetworkInfo& info) {
        // The lease is gone after a release and back with a new address after a renew.
        AdapterRecord& wlan0 = info.Adapters[2];
        wlan0.IpAddress = wlan0.IpAddress.isEmpty() ? QStringLiteral("10.0.0.99") : QString();
    };
    select(2);
    click(page.releaseButton());
    waitIdle();
    EXPECT_EQ(fake_->released, std::vector<quint32>{3});
    EXPECT_TRUE(fake_->renewed.empty());
    EXPECT_EQ(fake_->reads, 2);
    EXPECT_TRUE(shown(Page::IpAddressField).isEmpty());
    EXPECT_EQ(page.adapterBox()->currentIndex(), 2);

    EXPECT_EQ(page.statusLabel()->text(), QStringLiteral("Lease released."));

    fake_->leaseOutcome = {false, QStringLiteral("dhclient exited with status 2: no lease")};
    click(page.renewButton());
    waitIdle();
    EXPECT_EQ(page.statusLabel()->text(),
              QStringLiteral("Renew failed: dhclient exited with status 2: no lease"));
    EXPECT_TRUE(page.renewButton()->isEnabled());
    EXPECT_EQ(fake_->renewed, std::vector<quint32>{3});
    EXPECT_EQ(fake_->reads, 3);
    EXPECT_EQ(shown(Page::IpAddressField), QStringLiteral("10.0.0.99"));
    EXPECT_EQ(page.adapterBox()->currentText(), QStringLiteral("wlan0 (iwlwifi)"));
}

TEST_F(ClientPageTest, AFailedReadLeavesEmptyFieldsAndTheSearchWorking)
{
    fake_->readSucceeds = false;
    Page& page = makePage();
    EXPECT_EQ(page.adapterBox()->count(), 0);
    EXPECT_TRUE(shown(Page::IpAddressField).isEmpty());
    EXPECT_FALSE(page.releaseButton()->isEnabled());
    click(page.releaseButton()); // disabled: no request reaches the machine
    EXPECT_TRUE(fake_->released.empty());
    click(page.searchButton());
    EXPECT_TRUE(router_.waitForDatagrams(2));
}

TEST_F(ClientPageTest, DnsButtonCyclesThroughThreeServersAndEachPageKeepsItsOwnIndex)
{
    Page& page = makePage();
    QStringList seen;
    for (int i = 0; i < 4; ++i) {
        click(page.nextDnsButton());
        seen << shown(Page::DnsServerField);
    }
    EXPECT_EQ(seen, QStringList({QStringLiteral("9.9.9.9"), QStringLiteral("1.1.1.1"),
                                 QStringLiteral("192.168.1.1"), QStringLiteral("9.9.9.9")}));
    EXPECT_EQ(page.dnsIndex(), 1);
    // Another page starts at entry 0 and goes on from its own index.
    Page& next = makePage();
    EXPECT_EQ(shown(Page::DnsServerField), QStringLiteral("192.168.1.1"));
    click(next.nextDnsButton());
    EXPECT_EQ(shown(Page::DnsServerField), QStringLiteral("9.9.9.9"));
}

TEST_F(ClientPageTest, DnsButtonWrapsAfterTheTenthServer)
{
    for (int i = 0; i < kDnsServerSlots; ++i)
        fake_->info.DnsServers[size_t(i)] = QStringLiteral("10.0.0.%1").arg(i + 1);
    Page& page = makePage();
    for (int i = 1; i < kDnsServerSlots; ++i)
        click(page.nextDnsButton());
    EXPECT_EQ(shown(Page::DnsServerField), QStringLiteral("10.0.0.10"));
    click(page.nextDnsButton());
    EXPECT_EQ(shown(Page::DnsServerField), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(page.dnsIndex(), 0);
}

TEST_F(ClientPageTest, RoutersThatAnswerAreListedOnceEachNewestOnTop)
{
    test::FakeRouterProcess fakeRouter({QStringLiteral("--mac"), QStringLiteral("00507FA1B2C3")});
    ASSERT_NE(fakeRouter.port(), 0);
    Page& page = makePage({QHostAddress(QHostAddress::LocalHost), fakeRouter.port()});
    RouterList& routers = *page.routers();
    ASSERT_TRUE(QTest::qWaitFor([&] { return routers.rowCount() == 1; }, 5000));
    auto cell = [&](int row, int column) {
        return page.routerView()->model()->index(row, column).data().toString();
    };
    EXPECT_EQ(cell(0, 0), QStringLiteral("00507FA1B2C3"));
    EXPECT_EQ(cell(0, 1), QStringLiteral("192.168.1.1"));
    EXPECT_EQ(cell(0, 2), QStringLiteral("255.255.255.0"));

    // A second router, and the first one again in lower case: one new row, on top.
    LoopbackPeer other;
    const quint16 pagePort = page.searchSocket()->localPort();
    other.sendTo(pagePort,
                 *buildSearchReply({QStringLiteral("0050AABBCCDD"), QStringLiteral("192.168.2.1"),
                                    QStringLiteral("255.255.0.0")}));
    other.sendTo(pagePort,
                 *buildSearchReply({QStringLiteral("00507fa1b2c3"), QStringLiteral("192.168.9.9"),
                                    QStringLiteral("255.0.0.0")}));
    // Wrong signature, then two 12-byte replies of one all-zero MAC.
    other.sendTo(pagePort, QByteArray::fromHex("DD810036C0A80301FFFFFF00AABBCCDDEEFF"));
    other.sendTo(pagePort, QByteArray::fromHex("DD800000C0A8040100000000"));
    other.sendTo(pagePort, QByteArray::fromHex("DD800000C0A8050100000000"));
    // Replies are taken in order: once a last new router is listed, the ones before it are in.
    other.sendTo(pagePort,
                 *buildSearchReply({QStringLiteral("0050FFEEDDCC"), QStringLiteral("192.168.6.1"),
                                    QStringLiteral("255.255.255.0")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return routers.rowCount() >= 4; }, 5000));
    ASSERT_EQ(routers.rowCount(), 4);
    EXPECT_EQ(cell(0, 0), QStringLiteral("0050FFEEDDCC"));
    EXPECT_EQ(cell(1, 0), QStringLiteral("000000000000"));
    EXPECT_EQ(cell(1, 1), QStringLiteral("192.168.4.1"));
    EXPECT_EQ(cell(1, 2), QStringLiteral("0.0.0.0"));
    EXPECT_EQ(cell(2, 0), QStringLiteral("0050AABBCCDD"));
    EXPECT_EQ(cell(3, 0), QStringLiteral("00507FA1B2C3"));
    EXPECT_EQ(cell(3, 1), QStringLiteral("192.168.1.1"));

    // Search... empties the list and asks again; only the fake router answers this time.
    click(page.searchButton());
    EXPECT_TRUE(QTest::qWaitFor([&] { return routers.rowCount() == 1; }, 5000));
    EXPECT_EQ(cell(0, 0), QStringLiteral("00507FA1B2C3"));
}

// The window's Client tab: built over the given adapter source, searching where it is told; a
// window told nothing searches loopback's discard port, never the segment.
TEST_F(ClientPageTest, TheClientTabSearchesTheInjectedTargetOnly)
{
    MainWindowOptions options;
    const RouterSearchTarget unset = options.routerSearch;
    EXPECT_EQ(unset.address, QHostAddress(QHostAddress::LocalHost));
    EXPECT_EQ(unset.port, 9);
    options.adapterInfo = fake_;
    options.routerSearch =
        RouterSearchTarget{QHostAddress(QHostAddress::LocalHost), router_.port()};
    auto window = std::make_unique<CSysLogDlg>(options);
    ASSERT_TRUE(router_.waitForDatagrams(1));
    EXPECT_EQ(router_.received().front(), buildSearchRequest());

    auto* page = qobject_cast<Page*>(window->sheet()->widget(CSysLogDlg::ClientPage));
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !page->isBusy(); }, 10000));
    EXPECT_EQ(page->value(Page::HostNameField)->text(), QStringLiteral("workstation"));
    EXPECT_EQ(window->sheet()->tabText(CSysLogDlg::ClientPage), QStringLiteral("Client"));

    LoopbackPeer chosen;
    options.routerSearch = RouterSearchTarget{QHostAddress(QHostAddress::LocalHost), chosen.port()};
    window = std::make_unique<CSysLogDlg>(options);
    EXPECT_TRUE(chosen.waitForDatagrams(1));
    // Sent in the same go as the request that reached `chosen`, one to the default target would
    // be queued there by now (loopback delivers at once).
    EXPECT_EQ(router_.received().size(), 1u);
}

} // namespace
} // namespace quendal
