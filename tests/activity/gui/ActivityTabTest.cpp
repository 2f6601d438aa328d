#include "activity/core/ActivitySeries.h"
#include "activity/gui/ActivityChartView.h"
#include "activity/gui/CActivityPage.h"
#include "activity/gui/EntryRateChart.h"
#include "activity/gui/LinkRateChart.h"
#include "app/gui/MainWindowFixture.h"
#include "app/gui/StatusCounters.h"
#include "logs/core/LogList.h"
#include "logs/gui/CCategoryPage.h"
#include "logs/gui/FindBar.h"
#include "receiver/core/HostList.h"
#include "receiver/core/ReceptionEngine.h"

#include <QAreaSeries>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFile>
#include <QImage>
#include <QLineSeries>
#include <QMenu>
#include <QScatterSeries>
#include <QTabWidget>

using namespace quendal;
using namespace quendal::test;

namespace {

QByteArray status(int txRate, int rxRate, const char* mode = "DHCP")
{
    return "<174>Jul  9 19:03:22 gateway: BBandTxPkt=10 BBandTxRate=" + QByteArray::number(txRate) +
           " BBandRxPkt=20 BBandRxRate=" + QByteArray::number(rxRate) + " BBandMode=" + mode + " ";
}

class ActivityTabTest : public MainWindowTest
{
protected:
    CActivityPage* page() const { return window_->activityPage(); }

    void showTab()
    {
        window_->sheet()->setCurrentIndex(CSysLogDlg::ActivityPage);
        // Two minutes ahead: what just arrived lies inside the charts, not on their right edge.
        page()->setClock([] { return QDateTime::currentMSecsSinceEpoch() + 120000; });
    }

    // The y values of a line series.
    static QList<qreal> values(QLineSeries* series)
    {
        QList<qreal> out;
        for (const QPointF& p : series->points())
            out << p.y();
        return out;
    }

    void selectHost(const QString& address)
    {
        const int row = window_->hostBox()->findText(address);
        ASSERT_GE(row, 0) << address.toStdString();
        window_->hostBox()->setCurrentIndex(row);
    }
};

TEST_F(ActivityTabTest, TheTabFollowsLocalUdpTableAndOffersThreeRanges)
{
    EXPECT_EQ(window_->sheet()->tabText(CSysLogDlg::ActivityPage), QStringLiteral("Activity"));
    EXPECT_EQ(window_->sheet()->widget(CSysLogDlg::ActivityPage), page());
    EXPECT_EQ(page()->rangeBox()->count(), 3);
    EXPECT_EQ(page()->rangeBox()->itemText(0), QStringLiteral("Last 15 minutes"));
    EXPECT_FALSE(page()->sourceBox()->isVisible()); // until a file is read back
    showTab();
    EXPECT_EQ(page()->routerText(), QStringLiteral("No status report yet"));
}

TEST_F(ActivityTabTest, ShowsTheChosenRoutersRatesAndSwitchesWithTheHostList)
{
    const quint16 port = startOnFreePort();
    ASSERT_NE(port, 0);
    LoopbackPeer first(QHostAddress(QStringLiteral("127.0.0.1")));
    LoopbackPeer second(QHostAddress(QStringLiteral("127.0.0.2")));
    first.sendTo(port, status(100, 1000));
    ASSERT_TRUE(waitUntil([&] { return window_->activity()->link(QStringLiteral("127.0.0.1")); }));
    second.sendTo(port, status(200, 2000, "PPPoE"));
    ASSERT_TRUE(waitUntil([&] { return window_->activity()->link(QStringLiteral("127.0.0.2")); }));
    showTab();

    // "Any": the first router that reported stays shown.
    EXPECT_EQ(page()->shownRouter(), QStringLiteral("127.0.0.1"));
    selectHost(QStringLiteral("127.0.0.2"));
    EXPECT_EQ(page()->shownRouter(), QStringLiteral("127.0.0.2"));
    EXPECT_EQ(page()->routerText(), QStringLiteral("Link rates of 127.0.0.2"));
    EXPECT_EQ(values(page()->linkChart()->txSeries()), QList<qreal>{200});
    EXPECT_EQ(values(page()->linkChart()->rxSeries()), QList<qreal>{2000});

    selectHost(QStringLiteral("127.0.0.1"));
    EXPECT_EQ(page()->shownRouter(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(page()->routerText(), QStringLiteral("Link rates of 127.0.0.1"));
    EXPECT_EQ(values(page()->linkChart()->txSeries()), QList<qreal>{100});

    // The tooltip under the point gives its exact values.
    const QPointF point = page()->linkChart()->txSeries()->at(0);
    QCoreApplication::processEvents(); // the chart lays out its new ranges
    const QPoint at = page()->linkView()->pointOf(point);
    const QString tip = page()->linkView()->tooltipAt(at);
    EXPECT_TRUE(tip.contains(QStringLiteral("TX Rate: 100"))) << "[" << tip.toStdString() << "]";
    EXPECT_TRUE(tip.contains(QStringLiteral("RX Rate: 1,000")) ||
                tip.contains(QStringLiteral("RX Rate: 1000")))
        << tip.toStdString();

    // Only the chosen router is accepted now: the other's reports do not move its chart.
    second.sendTo(port, status(300, 3000));
    first.sendTo(port, status(150, 1500));
    ASSERT_TRUE(waitUntil([&] {
        return window_->activity()->link(QStringLiteral("127.0.0.1"))->latest()->txRate == 150;
    }));
    EXPECT_EQ(window_->activity()->link(QStringLiteral("127.0.0.2"))->latest()->txRate, 200);
}

TEST_F(ActivityTabTest, TheEntryChartStacksTheCategoriesAndMarksEmergencies)
{
    const quint16 port = startOnFreePort();
    ASSERT_NE(port, 0);
    LoopbackPeer router;
    router.sendTo(port, "<134>Mar 14 09:26:53 gw: blocked 1");
    router.sendTo(port, "<134>Mar 14 09:26:53 gw: blocked 2");
    router.sendTo(port, "<128>Mar 14 09:26:54 gw: SYN flood");
    router.sendTo(port, "<142>Mar 14 09:26:55 gw: tunnel up");
    ASSERT_TRUE(waitUntil([&] { return window_->reception()->counters().stored == 4; }));
    ASSERT_TRUE(waitUntil([&] { return !window_->activity()->minutes().isEmpty(); }));
    page()->setRange(CActivityPage::Last15Minutes);
    showTab();

    const auto& shown = page()->entryChart()->shown();
    quint64 firewall = 0, vpn = 0, emergencies = 0;
    for (const MinuteCounts& m : shown) {
        firewall += m.entries[0];
        vpn += m.entries[1];
        emergencies += m.totalEmergencies();
    }
    // A minute boundary may fall between the datagrams.
    EXPECT_EQ(firewall, 3u);
    EXPECT_EQ(vpn, 1u);
    EXPECT_EQ(emergencies, 1u);
    EXPECT_EQ(page()->entryChart()->emergencySeries()->count(), 1);
    // Stacked: VPN's upper edge lies on FireWall's.
    QLineSeries* vpnUpper = page()->entryChart()->categorySeries(LogCategory::VPN)->upperSeries();
    qreal top = 0;
    for (const QPointF& p : vpnUpper->points())
        top = std::max(top, p.y());
    EXPECT_GE(top, 1.0);
    EXPECT_LE(top, 4.0);

    // The red mark leads to the emergency's row: its tab, marked by the find bar.
    const QPointF mark = page()->entryChart()->emergencySeries()->at(0);
    const QString tip = page()->entryChart()->tooltipAt(mark);
    EXPECT_TRUE(tip.contains(QStringLiteral("Emergencies: 1"))) << tip.toStdString();
    QCoreApplication::processEvents();
    QTest::mouseClick(page()->entryView()->viewport(), Qt::LeftButton, {},
                      page()->entryView()->pointOf(mark));
    QMenu* menu = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        menu = page()->findChild<QMenu*>();
        return menu && menu->isVisible();
    }));
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_TRUE(menu->actions()[0]->text().startsWith(QStringLiteral("Show the emergencies of ")))
        << menu->actions()[0]->text().toStdString();
    EXPECT_TRUE(menu->actions()[0]->text().endsWith(QStringLiteral(" in FireWall Log (1)")));
    menu->actions()[0]->trigger();
    EXPECT_EQ(window_->sheet()->currentIndex(), categoryIndex(LogCategory::FireWall));
    FindBar* bar = window_->categoryPage(LogCategory::FireWall)->findBar();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_FALSE(bar->onlyMatchingBox()->isChecked()); // every row stays, the match is marked
    EXPECT_TRUE(bar->countText().contains(QStringLiteral("1 of 1")))
        << bar->countText().toStdString();
}

TEST_F(ActivityTabTest, SavePictureWritesAPngOfTheChartsSize)
{
    showTab();
    page()->linkView()->resize(640, 300);
    const QString path = dir_.filePath(QStringLiteral("link.png"));
    ASSERT_TRUE(page()->linkView()->savePicture(path));
    const QImage image(path);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), page()->linkView()->size() * page()->linkView()->devicePixelRatio());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(8).startsWith("\x89PNG"));

    // And through the context menu's dialog, as a user saves it.
    page()->entryView()->askSavePicture();
    QFileDialog* dialog = page()->entryView()->fileDialog();
    ASSERT_NE(dialog, nullptr);
    const QString typed = dir_.filePath(QStringLiteral("entries"));
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(typed);
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save)->click();
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(typed + QStringLiteral(".png")); }));
    EXPECT_EQ(QImage(typed + QStringLiteral(".png")).size(),
              page()->entryView()->size() * page()->entryView()->devicePixelRatio());
}

TEST_F(ActivityTabTest, SaveDataWritesTheShownRoutersSeriesAsCsv)
{
    const quint16 port = startOnFreePort();
    ASSERT_NE(port, 0);
    LoopbackPeer router;
    router.sendTo(port, status(42, 43));
    ASSERT_TRUE(waitUntil([&] { return window_->activity()->link(QStringLiteral("127.0.0.1")); }));
    showTab();
    const QString path = dir_.filePath(QStringLiteral("link.csv"));
    ASSERT_TRUE(page()->linkView()->saveCsv(path));
    const QList<QByteArray> lines = readFile(path).split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[1].contains(",42,43,")) << lines[1].toStdString();
}

TEST_F(ActivityTabTest, OpenFillsTheEntryChartFromTheTimeColumn)
{
    const QString path = dir_.filePath(QStringLiteral("day.flg"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // The log-file format: Time, Host and Message lines, oldest first, emergencies in brackets.
    file.write("Mar 14 09:26:53\r\ngw\r\nblocked 1\r\nMar 14 09:26:59\r\ngw\r\nblocked 2\r\n"
               "[Mar 14 09:40:01]\r\ngw\r\nSYN flood\r\n");
    file.close();
    window_->OnOpenLog();
    QFileDialog* dialog = window_->fileDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
    ASSERT_TRUE(waitUntil([&] { return window_->list(LogCategory::FireWall)->size() == 3; }));

    const auto minutes = window_->activity()->fileMinutes().all();
    ASSERT_EQ(minutes.size(), 2u);
    EXPECT_EQ(minutes[0].entries[0], 2u);
    EXPECT_EQ(minutes[1].emergencies[0], 1u);
    page()->setSource(CActivityPage::FilesRead);
    page()->setRange(CActivityPage::LastHour);
    showTab();
    EXPECT_TRUE(page()->sourceBox()->isVisible());
    EXPECT_EQ(page()->entryChart()->shown().size(), 2u); // the hour up to the file's last entry
    EXPECT_EQ(page()->entryChart()->emergencySeries()->count(), 1);
}

TEST_F(ActivityTabTest, StatusBarAndTrayTooltipCountArrivalsButNoFileReadBack)
{
    window_->counters()->setClock(clock_); // the rate's seconds pass when the test says
    const quint16 port = startOnFreePort();
    ASSERT_NE(port, 0);
    // Rows put on a list, as a file read back puts them, are no arrivals.
    LogRows rows;
    for (int i = 0; i < 500; ++i)
        rows.prepend({"Mar 14 09:26:53", "gw", "read back"});
    window_->list(LogCategory::FireWall)->prependAll(std::move(rows));
    clock_.advance(1000);
    EXPECT_EQ(window_->counters()->rate(), 0.0);

    LoopbackPeer router;
    for (int i = 0; i < 30; ++i)
        router.sendTo(port, "<134>Mar 14 09:26:53 gw: blocked " + QByteArray::number(i));
    // A second passes at each look until the arrivals show in a whole second.
    ASSERT_TRUE(waitUntil([&] {
        clock_.advance(1000);
        return window_->counters()->rate() > 0;
    }));
    EXPECT_LE(window_->counters()->rate(), 30.0);
    ASSERT_TRUE(
        waitUntil([&] { return !tray_.toolTip.endsWith(QStringLiteral("0.0 entries/s")); }));
    EXPECT_TRUE(tray_.toolTip.startsWith(QStringLiteral("QuenDalSysLog\n")));
    EXPECT_TRUE(tray_.toolTip.endsWith(QStringLiteral(" entries/s")))
        << tray_.toolTip.toStdString();
    EXPECT_TRUE(window_->counters()->text().contains(tray_.toolTip.section(QLatin1Char('\n'), -1)))
        << window_->counters()->text().toStdString();
}

} // namespace
