#include "activity/core/ActivitySeries.h"
#include "activity/gui/CActivityPage.h"
#include "activity/gui/RouterChoiceBox.h"
#include "activity/gui/RouterWatch.h"
#include "app/gui/MainWindowFixture.h"
#include "app/gui/StatusPanels.h"
#include "logs/core/LogList.h"
#include "receiver/core/HostList.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>

using namespace quendal;
using namespace quendal::test;

namespace {

QByteArray status(int txRate, const char* mode, const char* gateway)
{
    return "<173>Jul  9 19:03:22 gw: BBandTxRate=" + QByteArray::number(txRate) +
           " BBandMode=" + mode + " GW_IP=" + gateway + " ";
}

class RouterChoiceTest : public MainWindowTest
{
protected:
    QString gateway() const
    {
        return window_->statusPanels()->valueLabel(WanField::GatewayAddress)->text();
    }
};

TEST_F(RouterChoiceTest, WithEverySenderAcceptedThePanelsAndChartStayOnTheChosenRouter)
{
    const quint16 port = startOnFreePort();
    ASSERT_NE(port, 0);
    LoopbackPeer first(QHostAddress(QStringLiteral("127.0.0.1")));
    LoopbackPeer second(QHostAddress(QStringLiteral("127.0.0.2")));
    StatusPanels* panels = window_->statusPanels();
    CActivityPage* page = window_->activityPage();

    // Both report in turn while "Any" is accepted: the first one to report stays shown.
    first.sendTo(port, status(100, "DHCP", "10.0.0.1"));
    ASSERT_TRUE(waitUntil([&] { return gateway() == QStringLiteral("10.0.0.1"); }));
    second.sendTo(port, status(200, "PPPoE", "10.0.0.2"));
    ASSERT_TRUE(waitUntil([&] { return panels->routerBox()->count() == 2; }));
    first.sendTo(port, status(110, "DHCP", "10.0.0.1"));
    second.sendTo(port, status(210, "PPPoE", "10.0.0.2"));
    ASSERT_TRUE(waitUntil([&] {
        const LinkSeries* s = window_->activity()->link(QStringLiteral("127.0.0.2"));
        return s && s->latest()->txRate == 210;
    }));
    EXPECT_EQ(gateway(), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(panels->wanFrame()->title(), QStringLiteral("WAN Status( DHCP )"));
    EXPECT_EQ(panels->routerBox()->currentText(), QStringLiteral("127.0.0.1"));
    window_->sheet()->setCurrentIndex(CSysLogDlg::ActivityPage);
    page->redraw();
    EXPECT_EQ(page->shownRouter(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(page->routerText(), QStringLiteral("Link rates of 127.0.0.1"));

    // Choosing the other router beside the panels moves panels, chart and the tab's own box,
    // and leaves the host list as it was: both routers are still accepted.
    panels->routerBox()->setCurrentIndex(1);
    Q_EMIT panels->routerBox()->activated(1);
    EXPECT_EQ(gateway(), QStringLiteral("10.0.0.2"));
    EXPECT_EQ(panels->wanFrame()->title(), QStringLiteral("WAN Status( PPPoE )"));
    EXPECT_EQ(page->routerBox()->currentText(), QStringLiteral("127.0.0.2"));
    page->redraw();
    EXPECT_EQ(page->shownRouter(), QStringLiteral("127.0.0.2"));
    EXPECT_EQ(window_->hostBox()->currentIndex(), 0);
    first.sendTo(port, "<131>Jul  9 19:03:23 gw: from the first");
    second.sendTo(port, "<131>Jul  9 19:03:23 gw: from the second");
    EXPECT_TRUE(waitUntil([&] { return window_->list(LogCategory::FireWall)->size() == 2; }));
    EXPECT_EQ(gateway(), QStringLiteral("10.0.0.2"));
}

TEST(RouterWatch, KeepsTheLatestStatusOfABoundedNumberOfRouters)
{
    RouterWatch watch(nullptr, nullptr);
    EXPECT_EQ(watch.status()->valueText(WanField::GatewayAddress), QStringLiteral("...."));
    // Keys a report leaves out keep what the router's earlier reports said.
    watch.take(QStringLiteral("10.0.0.1"), "GW_IP=192.168.1.1 Tx=5 ");
    watch.take(QStringLiteral("10.0.0.1"), "Tx=6 ");
    EXPECT_EQ(watch.status()->valueText(WanField::GatewayAddress), QStringLiteral("192.168.1.1"));
    EXPECT_EQ(watch.status()->valueText(WanField::LanTxPackets), QStringLiteral("6"));

    for (int i = 2; i < 40; ++i)
        watch.take(QStringLiteral("10.0.0.%1").arg(i), "Tx=1 ");
    EXPECT_EQ(size_t(watch.routers()->rowCount()), RouterWatch::kMaxRouters);
    // The router watched is kept however long it is silent; the others give way.
    EXPECT_EQ(watch.chosen(), QStringLiteral("10.0.0.1"));
    EXPECT_TRUE(watch.routers()->stringList().contains(QStringLiteral("10.0.0.1")));
    EXPECT_TRUE(watch.routers()->stringList().contains(QStringLiteral("10.0.0.39")));
    EXPECT_FALSE(watch.routers()->stringList().contains(QStringLiteral("10.0.0.2")));
    watch.choose(QStringLiteral("10.0.0.2")); // gone: nothing changes
    EXPECT_EQ(watch.chosen(), QStringLiteral("10.0.0.1"));
}

} // namespace
