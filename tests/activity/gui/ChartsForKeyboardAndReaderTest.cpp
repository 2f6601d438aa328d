#include "activity/core/ActivitySeries.h"
#include "activity/gui/ActivityChartView.h"
#include "activity/gui/CActivityPage.h"
#include "activity/gui/LinkRateChart.h"
#include "activity/gui/TimeAxis.h"
#include "app/gui/MainWindowFixture.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QDateTime>
#include <QLineSeries>
#include <QMenu>
#include <QTabWidget>

using namespace quendal;
using namespace quendal::test;

namespace {

using ChartsForKeyboardAndReaderTest = MainWindowTest;

QMenu* openPopup()
{
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

QStringList entryTexts(QMenu* menu)
{
    QStringList texts;
    for (QAction* action : menu->actions())
        if (!action->isSeparator())
            texts << action->text();
    return texts;
}

TEST_F(ChartsForKeyboardAndReaderTest, ChartsTellTheirValuesAndOpenTheirMenusFromTheKeyboard)
{
    const quint16 port = startOnFreePort();
    ASSERT_NE(port, 0);
    LoopbackPeer router;
    router.sendTo(port, "<174>Jul  9 19:03:22 gw: BBandTxRate=150 BBandRxRate=1500 ");
    router.sendTo(port, "<128>Jul  9 19:03:22 gw: attack");
    ASSERT_TRUE(waitUntil([&] { return window_->activity()->minutes().latestMinute() > 0; }));
    ASSERT_TRUE(waitUntil([&] { return window_->activity()->link(QStringLiteral("127.0.0.1")); }));
    window_->sheet()->setCurrentIndex(CSysLogDlg::ActivityPage);
    CActivityPage* page = window_->activityPage();
    page->setClock([] { return QDateTime::currentMSecsSinceEpoch() + 120000; });

    ActivityChartView* link = page->linkView();
    EXPECT_EQ(link->accessibleName(), QStringLiteral("Link rates of 127.0.0.1"));
    EXPECT_TRUE(link->accessibleDescription().contains(QStringLiteral("TX Rate 150")))
        << link->accessibleDescription().toStdString();
    EXPECT_TRUE(page->entryView()->accessibleDescription().startsWith(QStringLiteral("1 entries")))
        << page->entryView()->accessibleDescription().toStdString();

    // Shift+F10 on the focused chart: its menu, with the emergencies a click would offer.
    ActivityChartView* entries = page->entryView();
    EXPECT_EQ(entries->focusPolicy(), Qt::StrongFocus);
    entries->setFocus();
    QTest::keyClick(entries, Qt::Key_F10, Qt::ShiftModifier);
    QMenu* menu = openPopup();
    ASSERT_NE(menu, nullptr);
    const QStringList texts = entryTexts(menu);
    ASSERT_EQ(texts.size(), 3) << texts.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(texts.at(0), QStringLiteral("Save picture..."));
    EXPECT_TRUE(texts.at(2).startsWith(QStringLiteral("Show the emergencies of ")));
    menu->actions().back()->trigger();
    menu->close();
    EXPECT_EQ(window_->sheet()->currentIndex(), categoryIndex(LogCategory::FireWall));
}

TEST(LinkRateChartLines, ALineStopsWhereReportsStoppedAndTicksFallOnWholeSteps)
{
    const qint64 start = QDateTime(QDate(2026, 12, 8), QTime(9, 0, 7)).toMSecsSinceEpoch();
    LinkSeries series;
    for (qint64 at : {0, 10, 20, 30, 630, 640}) {
        LinkReport report;
        report.at = start + at * 1000;
        report.txRate = double(at);
        series.add(report);
    }
    LinkRateChart chart;
    chart.show(&series, QString(), start, start + 900 * 1000, start + 640 * 1000);
    EXPECT_EQ(chart.txSeries()->count(), 4);
    ASSERT_EQ(chart.txLaterParts().size(), 1u);
    EXPECT_EQ(chart.txLaterParts().front()->count(), 2);
    // Drawn again without the silence: one line, the later part empty.
    chart.show(&series, QString(), start + 600 * 1000, start + 900 * 1000, start + 640 * 1000);
    EXPECT_EQ(chart.txSeries()->count(), 2);
    EXPECT_EQ(chart.txLaterParts().front()->count(), 0);

    // Fifteen minutes from 09:00:07: ticks every three minutes, from 09:03 on.
    QCategoryAxis axis;
    showTimeRange(&axis, start, start + 15 * 60000);
    EXPECT_EQ(
        axis.categoriesLabels(),
        QStringList({QStringLiteral("09:03"), QStringLiteral("09:06"), QStringLiteral("09:09"),
                     QStringLiteral("09:12"), QStringLiteral("09:15")}));
    EXPECT_EQ(timeTickStep(24LL * 3600 * 1000), 4LL * 3600 * 1000);
}

} // namespace
