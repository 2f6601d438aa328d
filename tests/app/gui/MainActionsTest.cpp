#include "app/gui/MainActions.h"

#include "app/gui/CClearLogDlg.h"
#include "app/gui/CSystemTray.h"
#include "app/gui/MainWindowFixture.h"
#include "controls/gui/CHoverButton.h"

#include <QAction>
#include <QMenu>
#include <QTabWidget>

using namespace quendal;
using namespace quendal::test;

namespace {

class MainActionsTest : public MainWindowTest
{
protected:
    void activate()
    {
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    }
};

} // namespace

TEST_F(MainActionsTest, ToolStripAndPopupShareOneActionPerCommand)
{
    CSystemTray* tray = window_->systemTray();
    MainActions* actions = window_->actions();
    EXPECT_EQ(tray->action(CSystemTray::StartCommand), actions->start());
    EXPECT_EQ(tray->action(CSystemTray::StopCommand), actions->stop());
    EXPECT_EQ(tray->action(CSystemTray::OpenCommand), actions->open());
    EXPECT_EQ(tray->action(CSystemTray::SaveCommand), actions->save());
    EXPECT_EQ(tray->action(CSystemTray::ClearCommand), actions->clear());
    EXPECT_EQ(tray->action(CSystemTray::ExitCommand), actions->exit());
    // The popup keeps its order: Show window, then the commands, then Exit.
    const QList<QAction*> entries = tray->menu()->actions();
    ASSERT_EQ(entries.size(), 9);
    EXPECT_EQ(entries.at(2), actions->start());
    EXPECT_EQ(entries.at(6), actions->open());
    EXPECT_TRUE(entries.at(7)->isSeparator());

    // Running state pushed once: buttons and popup follow the actions.
    ASSERT_NE(startOnFreePort(), 0);
    EXPECT_FALSE(window_->startButton()->isEnabled());
    EXPECT_TRUE(window_->stopButton()->isEnabled());
    EXPECT_FALSE(actions->start()->isEnabled());
    window_->sheet()->setCurrentIndex(CSysLogDlg::TcpTablePage);
    EXPECT_FALSE(window_->openButton()->isEnabled());
    EXPECT_FALSE(actions->save()->isEnabled());
    EXPECT_FALSE(actions->find()->isEnabled());
    window_->OnStop();
    EXPECT_TRUE(window_->startButton()->isEnabled());
    EXPECT_FALSE(actions->stop()->isEnabled());
}

TEST_F(MainActionsTest, TooltipsNameTheShortcuts)
{
    EXPECT_EQ(window_->openButton()->toolTip(), QStringLiteral("Open (Ctrl+O)"));
    EXPECT_EQ(window_->saveButton()->toolTip(), QStringLiteral("Save (Ctrl+S)"));
    EXPECT_EQ(window_->clearButton()->toolTip(), QStringLiteral("Clear (Ctrl+L)"));
    EXPECT_EQ(window_->startButton()->toolTip(), QStringLiteral("Start (F5)"));
    EXPECT_EQ(window_->stopButton()->toolTip(), QStringLiteral("Stop (Shift+F5)"));
    EXPECT_EQ(window_->actions()->find()->toolTip(), QStringLiteral("Find (Ctrl+F)"));
    EXPECT_EQ(window_->actions()->exit()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
}

TEST_F(MainActionsTest, ShortcutsReachTabsAndCommands)
{
    activate();
    QTest::keyClick(window_.get(), Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(window_->sheet()->currentIndex(), 2);
    QTest::keyClick(window_.get(), Qt::Key_8, Qt::ControlModifier);
    EXPECT_EQ(window_->sheet()->currentIndex(), CSysLogDlg::UdpTablePage);
    QTest::keyClick(window_.get(), Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(window_->sheet()->currentIndex(), 0);

    QTest::keyClick(window_.get(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_TRUE(waitUntil([this] { return window_->clearDialog()->isVisible(); }));
    window_->clearDialog()->reject();
    activate();
    QTest::keyClick(window_.get(), Qt::Key_F5);
    EXPECT_TRUE(waitUntil([this] { return window_->settingsDialog()->isVisible(); }));
}
