#include "app/gui/HiddenAlerts.h"
#include "app/gui/MainWindowFixture.h"
#include "app/gui/WindowState.h"
#include "controls/gui/CColorListCtrl.h"
#include "logs/gui/CCategoryPage.h"
#include "netinfo/gui/SocketTablePage.h"
#include "netinfo/gui/SocketTableView.h"

#include <QAction>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QSettings>
#include <QTabWidget>

using namespace quendal;
using namespace quendal::test;

namespace {

class RememberedStateTest : public MainWindowTest
{
protected:
    // Writes a value straight into the store's file, as a hand edit or an older run would.
    void storeRaw(const QString& name, const QVariant& value)
    {
        QSettings settings(store_->fileName(), QSettings::IniFormat);
        settings.setValue(name, value);
    }
    CColorListCtrl* listOf(int page) const
    {
        return qobject_cast<CCategoryPage*>(window_->sheet()->widget(page))->listCtrl();
    }
    QHeaderView* tableHeader(int page) const
    {
        return qobject_cast<SocketTablePage*>(window_->sheet()->widget(page))
            ->view()
            ->horizontalHeader();
    }
    // A place on the first screen, and a size other than the first start's.
    QRect placeOnScreen() const
    {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        return {screen.x() + 30, screen.y() + 40, 900, 620};
    }
};

TEST_F(RememberedStateTest, FirstStartLooksAsAlways)
{
    EXPECT_EQ(window_->size(), QSize(1040, 720));
    EXPECT_EQ(window_->sheet()->currentIndex(), 0);
    EXPECT_TRUE(window_->alertsAction()->isChecked());
    const int timeWidth = listOf(0)->columnWidth(0);
    reopen();
    EXPECT_EQ(listOf(0)->columnWidth(0), timeWidth);
}

TEST_F(RememberedStateTest, PlaceSizeColumnsAndTabSurviveAClose)
{
    const QRect place = placeOnScreen();
    window_->setGeometry(place);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window_->geometry() == place; }))
        << window_->geometry().x() << "," << window_->geometry().y() << " "
        << window_->geometry().width() << "x" << window_->geometry().height() << " min "
        << window_->minimumSizeHint().width() << "x" << window_->minimumSizeHint().height();
    for (int page = 0; page < kCategoryCount; ++page) {
        listOf(page)->setColumnWidth(0, 150 + page);
        listOf(page)->setColumnWidth(1, 200 + page);
    }
    tableHeader(CSysLogDlg::TcpTablePage)->resizeSection(0, 222);
    tableHeader(CSysLogDlg::UdpTablePage)->resizeSection(0, 233);
    window_->sheet()->setCurrentIndex(CSysLogDlg::UdpTablePage);

    reopen();

    EXPECT_EQ(window_->geometry(), place);
    for (int page = 0; page < kCategoryCount; ++page) {
        EXPECT_EQ(listOf(page)->columnWidth(0), 150 + page) << page;
        EXPECT_EQ(listOf(page)->columnWidth(1), 200 + page) << page;
    }
    EXPECT_EQ(tableHeader(CSysLogDlg::TcpTablePage)->sectionSize(0), 222);
    EXPECT_EQ(tableHeader(CSysLogDlg::UdpTablePage)->sectionSize(0), 233);
    EXPECT_EQ(window_->sheet()->currentIndex(), int(CSysLogDlg::UdpTablePage));
}

TEST_F(RememberedStateTest, ValuesThatAreNotSaneAreIgnored)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    window_.reset();
    storeRaw(QStringLiteral("Window/Geometry"),
             QRect(screen.right() + 5000, screen.bottom() + 5000, 700, 500));
    storeRaw(QStringLiteral("Window/LastTab"), 42);
    storeRaw(QStringLiteral("Window/ColumnWidths0"), QStringLiteral("150,-3"));
    storeRaw(QStringLiteral("Window/ColumnWidths1"), QStringLiteral("150"));
    storeRaw(QStringLiteral("Window/ColumnWidths2"), QStringLiteral("abc,def"));
    openWindow();

    EXPECT_EQ(window_->size(), QSize(1040, 720));
    EXPECT_TRUE(WindowState::isOnAScreen(window_->geometry()));
    EXPECT_EQ(window_->sheet()->currentIndex(), 0);
    const int defaultWidth = listOf(3)->columnWidth(0);
    for (int page = 0; page < 3; ++page)
        EXPECT_EQ(listOf(page)->columnWidth(0), defaultWidth) << page;
}

TEST_F(RememberedStateTest, OnlyAPlaceReachingAScreenCounts)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(WindowState::isOnAScreen(placeOnScreen()));
    // Mostly off the right edge, but its left part still shows.
    EXPECT_TRUE(WindowState::isOnAScreen(QRect(screen.right() - 200, screen.y(), 700, 500)));
    EXPECT_FALSE(WindowState::isOnAScreen(QRect(screen.right() - 20, screen.y(), 700, 500)));
    EXPECT_FALSE(WindowState::isOnAScreen(QRect(screen.x(), screen.bottom() + 10, 700, 500)));
    EXPECT_FALSE(WindowState::isOnAScreen(QRect()));
}

TEST_F(RememberedStateTest, AlertChoiceIsKeptWhenToggled)
{
    window_->alertsAction()->setChecked(false);
    // Kept at once, not only when the window closes.
    window_.reset();
    openWindow();
    EXPECT_FALSE(window_->alertsAction()->isChecked());
    EXPECT_FALSE(window_->alerts()->isEnabled());

    window_->alertsAction()->setChecked(true);
    reopen();
    EXPECT_TRUE(window_->alertsAction()->isChecked());
    EXPECT_TRUE(window_->alerts()->isEnabled());
}

} // namespace
