#include "app/gui/HiddenAlerts.h"

#include "app/gui/MainWindowFixture.h"
#include "logs/core/LogList.h"

#include <QAction>

using namespace quendal;
using namespace quendal::test;

namespace {

class HiddenAlertsTest : public MainWindowTest
{
protected:
    void emergency(LogCategory c, const char* message)
    {
        window_->list(c)->prepend({"Mar 14 09:26:53", "gw", message, Severity::Emergency});
    }
};

} // namespace

TEST_F(HiddenAlertsTest, EmergenciesWhileHiddenAreToldAtMostOncePerPeriod)
{
    // The period is measured by a clock the test moves; what waits is told when the period's
    // timer fires, which the test waits for.
    window_->alerts()->setClock(clock_);
    window_->alerts()->setPeriod(std::chrono::milliseconds(400));
    emergency(LogCategory::Wan, "seen on screen");
    EXPECT_TRUE(tray_.messages.isEmpty()); // the window is there to see it

    window_->showMinimized();
    ASSERT_TRUE(waitUntil([this] { return !window_->isVisible(); }));
    window_->list(LogCategory::Wan)->prepend({"t", "gw", "not red"});
    emergency(LogCategory::Wan, "Link down on WAN port\nretrying");
    ASSERT_EQ(tray_.messages.size(), 1);
    EXPECT_EQ(tray_.messages[0].first, QStringLiteral("Emergency in WAN Log"));
    EXPECT_EQ(tray_.messages[0].second, QStringLiteral("Link down on WAN port retrying"));

    emergency(LogCategory::FireWall, "attack one");
    emergency(LogCategory::FireWall, "attack two");
    emergency(LogCategory::VPN, "tunnel gone");
    EXPECT_EQ(tray_.messages.size(), 1);
    ASSERT_TRUE(waitUntil([this] { return tray_.messages.size() == 2; }));
    EXPECT_EQ(tray_.messages[1].first, QStringLiteral("Emergency in FireWall Log"));
    EXPECT_EQ(tray_.messages[1].second, QStringLiteral("attack one and 2 more"));

    // Told just now: the next waits for the period, and once it has passed, shows at once.
    emergency(LogCategory::Call, "call dropped");
    EXPECT_EQ(tray_.messages.size(), 2);
    ASSERT_TRUE(waitUntil([this] { return tray_.messages.size() == 3; }));
    EXPECT_EQ(tray_.messages[2].second, QStringLiteral("call dropped"));
    clock_.advance(399);
    emergency(LogCategory::Call, "too soon");
    EXPECT_EQ(tray_.messages.size(), 3);
    ASSERT_TRUE(waitUntil([this] { return tray_.messages.size() == 4; }));
    clock_.advance(400);
    emergency(LogCategory::Call, "in time");
    ASSERT_EQ(tray_.messages.size(), 5);
    EXPECT_EQ(tray_.messages[4].second, QStringLiteral("in time"));
}

TEST_F(HiddenAlertsTest, TheContextMenuSwitchTurnsThemOff)
{
    window_->showMinimized();
    ASSERT_TRUE(waitUntil([this] { return !window_->isVisible(); }));
    ASSERT_TRUE(window_->alertsAction()->isChecked());
    window_->alertsAction()->setChecked(false);
    emergency(LogCategory::Call, "ignored");
    // Switched on again, the next emergency is the first one told.
    window_->alertsAction()->setChecked(true);
    emergency(LogCategory::Call, "told");
    ASSERT_EQ(tray_.messages.size(), 1);
    EXPECT_EQ(tray_.messages[0].second, QStringLiteral("told"));
}
