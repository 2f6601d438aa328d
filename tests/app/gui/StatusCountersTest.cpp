#include "app/gui/StatusCounters.h"

#include "app/gui/MainWindowFixture.h"
#include "logs/core/LogList.h"

#include <QTabWidget>

using namespace quendal;
using namespace quendal::test;

namespace {

class StatusCountersTest : public MainWindowTest
{};

} // namespace

TEST_F(StatusCountersTest, ShowsTheCurrentTabsRowsAndLossesOnlyWhenThereAreAny)
{
    StatusCounters* counters = window_->counters();
    LogList* vpn = window_->list(LogCategory::VPN);
    for (int i = 0; i < 3; ++i)
        vpn->prepend({"Mar 14 09:26:53", "gw", "x"});
    window_->sheet()->setCurrentIndex(categoryIndex(LogCategory::VPN));
    EXPECT_TRUE(counters->text().startsWith(QStringLiteral("3 rows")));
    EXPECT_FALSE(counters->text().contains(QStringLiteral("dropped")));
    window_->sheet()->setCurrentIndex(CSysLogDlg::TcpTablePage);
    EXPECT_FALSE(counters->text().contains(QStringLiteral("rows")));

    counters->setDroppedBySystem(12);
    counters->setFailedForwards(2);
    EXPECT_TRUE(counters->text().contains(QStringLiteral("dropped by the system: 12")));
    EXPECT_TRUE(counters->text().contains(QStringLiteral("failed forwards: 2")));
}

TEST(StatusCountersRate, AveragesArrivalsOverTheLastWholeSeconds)
{
    StatusCounters counters;
    LogList list;
    counters.watch(&list);
    LogRows batch;
    for (int i = 0; i < 50; ++i)
        batch.prepend({"t", "h", "m"});
    list.prependAll(std::move(batch));
    EXPECT_EQ(counters.rate(), 0.0); // the current second is still filling
    // Once that second is over, the 50 count over the (at most five) seconds seen so far.
    EXPECT_TRUE(waitUntil([&] { return counters.rate() > 0; }, std::chrono::seconds(3)));
    EXPECT_LE(counters.rate(), 50.0);
    EXPECT_GE(counters.rate(), 10.0);
}
